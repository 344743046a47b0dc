#pragma once
#include "engine/physics/sdk/PhysicsTypes.h"

namespace Engine
{
    class PhysicsActor;

    /// Collision flags a controller move reports.
    namespace ControllerCollision
    {
        enum : unsigned
        {
            SIDES = 1,
            UP = 2,
            DOWN = 4
        };
    }

    enum class ControllerInteraction
    {
        INCLUDE,    ///< other controllers collide with this one
        EXCLUDE     ///< other controllers pass through it
    };

    /// A character moved by displacements rather than forces. Kinds of controllers derive from
    /// this; a PhysicsControllerManager owns them.
    class PhysicsController
    {
    public:
        virtual ~PhysicsController() = default;

        /// Moves by `displacement` against the shapes of the groups in `activeGroups`, stopping
        /// short of `minDistance`; reports what was hit in `collisionFlags` (ControllerCollision).
        virtual void Move(const Ogre::Vector3& displacement, unsigned activeGroups, float minDistance,
                          unsigned& collisionFlags, float sharpness) = 0;
        virtual Ogre::Vector3 GetPosition() const = 0;
        /// Places the controller without a sweep.
        virtual void SetPosition(const Ogre::Vector3& position) = 0;
        /// The kinematic actor that stands for the controller in the scene (ray casts, triggers).
        virtual PhysicsActor* GetActor() const = 0;
        virtual void SetCollision(bool enabled) = 0;
        virtual void SetInteraction(ControllerInteraction interaction) = 0;
        virtual ControllerInteraction GetInteraction() const = 0;
        /// Once per frame, from PhysicsControllerManager::UpdateControllers.
        virtual void Update() {}

        void* GetUserData() const { return userData; }
        void SetUserData(void* data) { userData = data; }

    private:
        void* userData = nullptr;
    };
}
