#pragma once
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <OgreRay.h>
#include <OgreSphere.h>
#include <OgreVector.h>

#include "engine/core/Singleton.h"

namespace Ogre { class Mesh; }

namespace Engine
{
    class Entity;
    class PhysicsActor;
    class PhysicsControllerManager;
    class PhysicsConvexMesh;
    class PhysicsHeightField;
    class PhysicsScene;
    class PhysicsSdk;
    class SimulationActor;
    class SimulationActorHitReport;
    class SimulationContactReport;
    class SimulationEntity;
    class SimulationSensorReport;
    class SimulationUserNotify;
    namespace Detail { class SimulationNxAllocator; }

    /// The engine's one physics world: it owns the physics SDK, the scene, the character-controller
    /// manager and the convex hulls cooked from meshes, keeps the (non-owning) registries of rigid
    /// bodies and characters, and answers ray casts and overlaps in terms of entities.
    ///
    /// Each frame runs Update (the step starts on the physics thread) and, after rendering,
    /// WaitForResults (the step ends, reports arrive). In between nothing physical may be touched.
    /// An actor that stands for an entity carries the address of a boost::weak_ptr<Entity> as
    /// user data; actors with null user data (ground, terrain) stand for no entity.
    class Simulation : public Singleton<Simulation>
    {
    public:
        /// Throws Engine::Exception when the physics SDK cannot be created.
        Simulation();
        ~Simulation();
        Simulation(const Simulation&) = delete;
        Simulation& operator=(const Simulation&) = delete;

        /// Empties the registries and rebuilds the scene and the controller manager. The ground
        /// plane and the terrain go with the old scene; the convex cache is kept.
        void Reset();

        /// Starts a step of dt seconds: fixed sub-steps of 1/60 s, at most 8, the rest carried.
        void Update(double dt);
        /// Finishes the step Update started; the contact, trigger and joint reports arrive here.
        void WaitForResults();

        void AddEntity(SimulationEntity* entity);
        void AddActor(SimulationActor* actor);
        /// Throws Engine::Exception when the body or character was never added.
        void RemoveEntity(SimulationEntity* entity);
        void RemoveActor(SimulationActor* actor);
        unsigned GetEntityCount() const { return static_cast<unsigned>(entities.size()); }
        bool HasEntity(const SimulationEntity* entity) const;
        unsigned GetActorCount() const { return static_cast<unsigned>(actors.size()); }

        /// The entity of the nearest shape along the ray (direction normalised here) within
        /// maxDistance, with the hit point; empty, and hitPoint untouched, when that shape stands
        /// for no live entity or nothing is hit.
        boost::shared_ptr<Entity> RaycastEntity(const Ogre::Ray& ray, Ogre::Vector3& hitPoint, float maxDistance) const;
        /// Whether anything is hit within maxDistance; the ray should have a unit direction.
        bool RaycastPosition(const Ogre::Ray& ray, Ogre::Vector3& hitPoint, float maxDistance) const;
        /// Raises position.y to the ground below (x, startHeight, z) plus offset; never lowers it.
        /// True when it was raised.
        bool RaycastHeight(Ogre::Vector3& position, float offset, float startHeight) const;
        /// Entities of the moving shapes overlapping the sphere (at most 100 shapes, one entry
        /// per shape, expired ones included).
        std::list<boost::weak_ptr<Entity>> OverlapSphere(const Ogre::Sphere& sphere);

        /// The registered body of the group nearest to the position, or null.
        SimulationEntity* FindClosestEntityByGroup(const Ogre::Vector3& position, int group);

        /// Sets the gravity and wakes every actor, so that resting bodies feel the change.
        void SetGravity(const Ogre::Vector3& gravity);

        /// Pulls (positive strength) or pushes every registered body within the radius along the
        /// line to the centre, the force acting at the centre. A falloff in (0, 1] divides the
        /// strength by distance · falloff. Bodies exactly at the centre have no direction and
        /// are left alone.
        void AddGlobalMagneticForce(float strength, const Ogre::Vector3& centre, float radius, float falloff);
        /// Applies the force at the position to every registered body closer than the radius
        /// (every body when the radius is negative). Both names apply it as a force.
        void AddGlobalForce(const Ogre::Vector3& force, const Ogre::Vector3& position, float radius);
        void AddGlobalImpulse(const Ogre::Vector3& force, const Ogre::Vector3& position, float radius);

        /// A static plane at y = 0 that stands for no entity.
        void EnableGroundPlane(bool enable);
        bool IsGroundPlaneEnabled() const { return groundPlane != nullptr; }

        /// Builds the terrain height field from a terrain description file read from the file
        /// system ("PageSize", "PageWorldX", "MaxHeight", "Heightmap.image"); an empty name
        /// removes the terrain. A non-square height map, or a "PageSize" below 2, builds nothing.
        void SetWorldGeometry(const std::string& file);
        bool HasWorldGeometry() const { return worldGeometry != nullptr; }

        /// The convex hull of a mesh's vertices, cooked once per mesh name and cached. Throws
        /// Engine::Exception when the vertices span no volume.
        PhysicsConvexMesh* ConvexFromMesh(Ogre::Mesh* mesh);
        /// The cached hull of a mesh; throws Engine::Exception when there is none.
        PhysicsConvexMesh* GetNxConvexMesh(const std::string& meshName) const;

        PhysicsSdk* GetNxSDK() const { return sdk.get(); }
        PhysicsScene* GetNxScene() const { return scene; }
        PhysicsControllerManager* GetNxControllerManager() const { return controllerManager.get(); }
        /// The report every character controller sends its hits to.
        SimulationActorHitReport* GetActorHitReport() const { return actorHitReport.get(); }

        /// The live entity an actor stands for, or empty.
        static boost::shared_ptr<Entity> GetEntityOf(const PhysicsActor& actor);

    private:
        /// Releases the controllers, then the scene with everything in it.
        void ReleaseScene();

        std::vector<SimulationEntity*> entities;    ///< not owned, in registration order
        std::vector<SimulationActor*> actors;       ///< not owned, in registration order
        std::unique_ptr<PhysicsSdk> sdk;
        PhysicsScene* scene = nullptr;              ///< owned through the SDK
        std::unique_ptr<PhysicsControllerManager> controllerManager;
        std::unique_ptr<Detail::SimulationNxAllocator> allocator;
        std::unique_ptr<SimulationActorHitReport> actorHitReport;
        std::unique_ptr<SimulationSensorReport> sensorReport;
        std::unique_ptr<SimulationContactReport> contactReport;
        std::unique_ptr<SimulationUserNotify> userNotify;
        PhysicsActor* worldGeometry = nullptr;      ///< owned through the scene
        PhysicsHeightField* worldGeometryField = nullptr;   ///< owned through the SDK
        PhysicsActor* groundPlane = nullptr;        ///< owned through the scene
        std::map<std::string, PhysicsConvexMesh*> convexCache;   ///< hulls owned by the SDK
    };
}
