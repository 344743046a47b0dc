#pragma once
// Python.h (through Boost.Python) first: it sets feature macros that the standard headers must see.
#include <boost/python.hpp>

#include <string>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <OgreFrameListener.h>

#include "engine/core/Exception.h"
#include "engine/logic/IController.h"
#include "engine/logic/IEventListener.h"

namespace Engine
{
    class Entity;
}

// The classes through which scripts implement engine interfaces, and the bookkeeping that keeps
// script objects alive while the engine holds raw pointers to them.
namespace Engine::Python::Detail
{
    /// An Engine::Exception that carries the python error it was made from. When it travels back
    /// into a script (a script attached a controller whose class could not be made), the script
    /// gets the original python exception; the engine sees an ordinary Engine::Exception.
    class PythonError : public Engine::Exception
    {
    public:
        /// Takes the pending python error (which must be set) and clears it.
        explicit PythonError(const std::string& message);
        PythonError(const PythonError& other);
        PythonError& operator=(const PythonError&) = delete;
        ~PythonError() override;

        /// Makes the carried error the interpreter's pending error again.
        void Restore() const;

    private:
        PyObject* type;
        PyObject* value;
        PyObject* traceback;
    };

    /// "<type>: <message>" of the pending python error, which stays pending; "" when none.
    std::string DescribePendingError();

    /// A controller written in a script: forwards Update, OnAttach and OnDetach to the script
    /// methods of the same names. Made by the factory that RegisterController installs.
    class IControllerWrapper : public IController, public boost::python::wrapper<IController>
    {
    public:
        bool Update(float dt, boost::shared_ptr<Entity> entity) override;
        void OnAttach(boost::shared_ptr<Entity> entity) override;
        void OnDetach(boost::shared_ptr<Entity> entity) override;
    };

    /// An event listener written in a script: forwards OnEvent.
    class IEventListenerWrapper : public IEventListener, public boost::python::wrapper<IEventListener>
    {
    public:
        void OnEvent(int type, boost::shared_ptr<Event> event) override;
    };

    /// A frame listener written in a script: PreUpdate at the start of each rendered frame,
    /// PostUpdate at its end, both with the seconds since the last frame. The renderer always
    /// carries on; a script class may leave out either method.
    class IFrameListenerWrapper : public Ogre::FrameListener, public boost::python::wrapper<Ogre::FrameListener>
    {
    public:
        bool frameStarted(const Ogre::FrameEvent& event) override;
        bool frameEnded(const Ogre::FrameEvent& event) override;
    };

    /// Makes a new controller of the class `name` found in "__main__" now (so a redefined class
    /// counts from the next creation on). Throws PythonError when the name is missing, the call
    /// fails or the result is no IController.
    boost::shared_ptr<IController> CreateController(const std::string& name);

    /// Registers the listener (a script IEventListener) with the event queue of the entity for
    /// every event type, and keeps the script object alive while it is registered there.
    void AddEventListener(const boost::shared_ptr<Entity>& entity, const boost::python::object& listener);
    /// Undoes one AddEventListener of that listener on that entity.
    void RemoveEventListener(const boost::shared_ptr<Entity>& entity, const boost::python::object& listener);

    /// Hands a script IFrameListener to the renderer's root, keeping it alive while added.
    void AddFrameListener(const boost::python::object& listener);
    void RemoveFrameListener(const boost::python::object& listener);

    /// Before the interpreter stops: takes every script listener off the engine (event queues of
    /// live entities, the renderer's root) and lets go of the script objects kept for them.
    void ReleaseScriptObjects();
}
