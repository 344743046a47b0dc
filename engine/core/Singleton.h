#pragma once
#include <boost/shared_ptr.hpp>

namespace Engine
{
    /// The engine's singleton holder: a class-wide shared pointer that CreateSingleton fills
    /// (replacing any earlier instance), GetSingleton copies and ReleaseSingleton empties.
    /// Used as a base by Scene, Simulation, ControllerManager, CameraManager and SoundSystem:
    ///     class Scene : public Singleton<Scene> { ... };
    template <class T>
    class Singleton
    {
    public:
        /// Takes ownership of a raw pointer.
        static void CreateSingleton(T* instance) { pInstance_.reset(instance); }
        static void CreateSingleton(const boost::shared_ptr<T>& instance) { pInstance_ = instance; }
        /// A copy of the held pointer; empty before creation and after release.
        static boost::shared_ptr<T> GetSingleton() { return pInstance_; }
        static void ReleaseSingleton() { pInstance_.reset(); }

    protected:
        Singleton() = default;
        ~Singleton() = default;

    private:
        static boost::shared_ptr<T> pInstance_;
    };

    // One definition per class across the engine, the script module and the game: the symbol
    // has vague linkage and default visibility, so the dynamic linker unifies the copies.
    template <class T>
    boost::shared_ptr<T> Singleton<T>::pInstance_;
}
