#include "engine/physics/Simulation.h"
#include "engine/physics/TerrainLimits.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iostream>
#include <set>
#include <tuple>

#include <OgreConfigFile.h>
#include <OgreException.h>
#include <OgreHardwareBuffer.h>
#include <OgreImage.h>
#include <OgreMesh.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>
#include <OgreSubMesh.h>

#include "engine/core/Error.h"
#include "engine/physics/MemoryReadBuffer.h"
#include "engine/physics/MemoryWriteBuffer.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationActorHitReport.h"
#include "engine/physics/SimulationContactReport.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/physics/SimulationSensorReport.h"
#include "engine/physics/SimulationUserNotify.h"
#include "engine/physics/SimulationNxAllocator.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsController.h"
#include "engine/physics/sdk/PhysicsControllerManager.h"
#include "engine/physics/sdk/PhysicsCooking.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsSdk.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    namespace
    {
        const unsigned OverlapBufferSize = 100;

        /// Appends the positions of one vertex set (three floats per vertex).
        void CopyPositions(const Ogre::VertexData& vertices, std::vector<float>& positions)
        {
            const Ogre::VertexElement* element =
                vertices.vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
            if (!element || element->getType() != Ogre::VET_FLOAT3 || vertices.vertexCount == 0)
                return;
            Ogre::HardwareVertexBufferSharedPtr buffer = vertices.vertexBufferBinding->getBuffer(element->getSource());
            const std::size_t stride = buffer->getVertexSize();
            const unsigned char* base = static_cast<const unsigned char*>(buffer->lock(Ogre::HardwareBuffer::HBL_READ_ONLY));
            base += vertices.vertexStart * stride + element->getOffset();
            for (std::size_t i = 0; i < vertices.vertexCount; ++i)
            {
                float xyz[3];
                std::memcpy(xyz, base + i * stride, sizeof xyz);
                positions.insert(positions.end(), xyz, xyz + 3);
            }
            buffer->unlock();
        }
    }

    Simulation::Simulation()
    {
        sdk = PhysicsSdk::Create(PhysicsSdk::VERSION);
        if (!sdk)
            ThrowError("Engine::Simulation::Simulation", "Error creating PhysX SDK");
        allocator.reset(new Detail::SimulationNxAllocator());
        sensorReport.reset(new SimulationSensorReport());
        actorHitReport.reset(new SimulationActorHitReport());
        contactReport.reset(new SimulationContactReport());
        userNotify.reset(new SimulationUserNotify());
        Reset();
    }

    Simulation::~Simulation()
    {
        entities.clear();
        actors.clear();
        if (sdk)
        {
            ReleaseScene();
            sensorReport.reset();
            actorHitReport.reset();
            contactReport.reset();
            userNotify.reset();
            allocator.reset();
            // The SDK frees the cooked hulls and height fields with itself.
            sdk.reset();
        }
        convexCache.clear();
    }

    void Simulation::ReleaseScene()
    {
        // Controllers first: each owns an actor in the scene and releases it through the scene.
        if (controllerManager)
        {
            controllerManager->PurgeControllers();
            controllerManager.reset();
        }
        if (scene)
            sdk->ReleaseScene(*scene);
        scene = nullptr;
        // The ground plane and the terrain were actors of that scene.
        groundPlane = nullptr;
        worldGeometry = nullptr;
        if (worldGeometryField)
            sdk->ReleaseHeightField(*worldGeometryField);
        worldGeometryField = nullptr;
    }

    void Simulation::Reset()
    {
        entities.clear();
        actors.clear();
        if (!sdk)
            return;
        ReleaseScene();
        controllerManager.reset(new PhysicsControllerManager(*allocator));

        SceneDesc desc;
        desc.gravity = Ogre::Vector3(0, -9.81f, 0);
        desc.maxTimestep = 1.0f / 60.0f;
        desc.maxIterations = 8;
        desc.timeStepMethod = TimeStepMethod::FIXED;
        desc.notify = userNotify.get();
        desc.triggerReport = sensorReport.get();
        desc.contactReport = contactReport.get();
        scene = sdk->CreateScene(desc);
        scene->SetTiming(1.0f / 60.0f, 8, TimeStepMethod::FIXED);
        // Every actor is in group 0: each pair that starts touching is reported once.
        scene->SetActorGroupPairFlags(0, 0, ContactPairFlag::NOTIFY_ON_START_TOUCH);
        MaterialDesc material;
        material.restitution = 0.5f;
        material.staticFriction = 0.5f;
        material.dynamicFriction = 0.5f;
        scene->SetDefaultMaterial(material);
    }

    void Simulation::Update(double dt)
    {
        // Characters fall at a constant speed; over the ground plane they are also lifted back
        // when they have sunk below it. Their summed moves go out now, hit reports included.
        const float fall = static_cast<float>(5.0 * dt);
        for (unsigned i = 0; i < controllerManager->GetControllerCount(); ++i)
        {
            PhysicsController* controller = controllerManager->GetController(i);
            SimulationActor* actor = static_cast<SimulationActor*>(controller->GetUserData());
            if (!actor)
                continue;
            if (!groundPlane)
                actor->Move(Ogre::Vector3(0, -fall, 0));
            else
            {
                const boost::shared_ptr<Entity> entity = GetEntityOf(*controller->GetActor());
                if (entity && entity->GetSceneNode())
                {
                    const float y = entity->GetSceneNode()->getPosition().y;
                    if (y < -0.01f)
                        actor->Move(Ogre::Vector3(0, -y, 0));
                    else if (y > fall)
                        actor->Move(Ogre::Vector3(0, -fall, 0));
                }
            }
            actor->IssueMove();
        }
        for (std::size_t i = 0; i < actors.size(); ++i)
            actors[i]->PreStep();
        for (SimulationEntity* entity : entities)
            entity->PreStep();
        controllerManager->UpdateControllers();
        scene->Simulate(static_cast<float>(dt));
        scene->FlushStream();
    }

    void Simulation::WaitForResults()
    {
        scene->FetchResults();
        for (SimulationEntity* entity : entities)
            entity->PostStep();
        for (std::size_t i = 0; i < actors.size(); ++i)
            actors[i]->PostStep();
    }

    void Simulation::AddEntity(SimulationEntity* entity)
    {
        entities.push_back(entity);
    }

    bool Simulation::HasEntity(const SimulationEntity* entity) const
    {
        return std::find(entities.begin(), entities.end(), entity) != entities.end();
    }

    void Simulation::AddActor(SimulationActor* actor)
    {
        actors.push_back(actor);
    }

    void Simulation::RemoveEntity(SimulationEntity* entity)
    {
        const auto found = std::find(entities.begin(), entities.end(), entity);
        if (found == entities.end())
            ThrowError("Engine::Simulation::RemoveEntity", "Can't find simulation entity");
        entities.erase(found);
    }

    void Simulation::RemoveActor(SimulationActor* actor)
    {
        const auto found = std::find(actors.begin(), actors.end(), actor);
        if (found == actors.end())
            ThrowError("Engine::Simulation::RemoveActor", "Can't find simulation actor");
        actors.erase(found);
    }

    boost::shared_ptr<Entity> Simulation::GetEntityOf(const PhysicsActor& actor)
    {
        const boost::weak_ptr<Entity>* owner = static_cast<const boost::weak_ptr<Entity>*>(actor.GetUserData());
        if (!owner)
            return boost::shared_ptr<Entity>();
        return owner->lock();
    }

    boost::shared_ptr<Entity> Simulation::RaycastEntity(const Ogre::Ray& ray, Ogre::Vector3& hitPoint, float maxDistance) const
    {
        Ogre::Vector3 direction = ray.getDirection();
        direction.normalise();
        RaycastHit hit;
        PhysicsShape* shape = scene->RaycastClosestShape(Ogre::Ray(ray.getOrigin(), direction), ShapesType::ALL, hit,
                                                         0xFFFFFFFF, maxDistance);
        if (!shape)
            return boost::shared_ptr<Entity>();
        boost::shared_ptr<Entity> entity = GetEntityOf(shape->GetActor());
        if (entity)
            hitPoint = hit.worldImpact;
        return entity;
    }

    bool Simulation::RaycastPosition(const Ogre::Ray& ray, Ogre::Vector3& hitPoint, float maxDistance) const
    {
        RaycastHit hit;
        if (!scene->RaycastClosestShape(ray, ShapesType::ALL, hit, 0xFFFFFFFF, maxDistance) || !hit.valid)
            return false;
        hitPoint = hit.worldImpact;
        return true;
    }

    bool Simulation::RaycastHeight(Ogre::Vector3& position, float offset, float startHeight) const
    {
        RaycastHit hit;
        const Ogre::Ray down(Ogre::Vector3(position.x, startHeight, position.z), Ogre::Vector3::NEGATIVE_UNIT_Y);
        if (!scene->RaycastClosestShape(down, ShapesType::ALL, hit, 0xFFFFFFFF, FLT_MAX) || !hit.valid)
            return false;
        const float height = hit.worldImpact.y + offset;
        if (height <= position.y)
            return false;
        position.y = height;
        return true;
    }

    std::list<boost::weak_ptr<Entity>> Simulation::OverlapSphere(const Ogre::Sphere& sphere)
    {
        PhysicsShape* shapes[OverlapBufferSize];
        const unsigned count = scene->OverlapSphereShapes(sphere, ShapesType::DYNAMIC, OverlapBufferSize, shapes);
        std::list<boost::weak_ptr<Entity>> result;
        for (unsigned i = 0; i < count; ++i)
        {
            const boost::weak_ptr<Entity>* owner =
                static_cast<const boost::weak_ptr<Entity>*>(shapes[i]->GetActor().GetUserData());
            if (owner)
                result.push_back(*owner);
        }
        return result;
    }

    SimulationEntity* Simulation::FindClosestEntityByGroup(const Ogre::Vector3& position, int group)
    {
        SimulationEntity* closest = nullptr;
        float closestDistance = 0.0f;
        for (SimulationEntity* entity : entities)
        {
            if (entity->GetGroup() != group)
                continue;
            const float distance = entity->GetPosition().squaredDistance(position);
            if (!closest || distance < closestDistance)
            {
                closest = entity;
                closestDistance = distance;
            }
        }
        return closest;
    }

    void Simulation::AddGlobalMagneticForce(float strength, const Ogre::Vector3& centre, float radius, float falloff)
    {
        // An infinite radius reaches everything; any other non-finite number has no meaning.
        if (!std::isfinite(strength) || !IsFinite(centre) || std::isnan(radius) || std::isnan(falloff))
        {
            LogWarning("Engine::Simulation::AddGlobalMagneticForce",
                       "Strength " + Ogre::StringConverter::toString(strength) + ", centre " +
                       Ogre::StringConverter::toString(centre) + ", radius " + Ogre::StringConverter::toString(radius) +
                       " or falloff " + Ogre::StringConverter::toString(falloff) + " is not finite; no force applied");
            return;
        }
        for (SimulationEntity* entity : entities)
        {
            const Ogre::Vector3& position = entity->GetPosition();
            const float distanceSquared = position.squaredDistance(centre);
            // A body at the centre has no direction to be pulled in.
            if (distanceSquared > radius * radius || distanceSquared == 0.0f)
                continue;
            float force = strength;
            if (falloff > 0.0f && falloff <= 1.0f)
                force = strength / (std::sqrt(distanceSquared) * falloff);
            const Ogre::Vector3 direction = (centre - position).normalisedCopy();
            // Very close to the centre the falloff divides by almost nothing.
            if (!IsFinite(direction * force))
                continue;
            entity->AddForceAtPos(direction * force, centre, SimulationEntity::GLOBAL);
        }
    }

    void Simulation::AddGlobalForce(const Ogre::Vector3& force, const Ogre::Vector3& position, float radius)
    {
        if (!IsFinite(force) || !IsFinite(position) || std::isnan(radius))
        {
            LogWarning("Engine::Simulation::AddGlobalForce",
                       "Force " + Ogre::StringConverter::toString(force) + " at " +
                       Ogre::StringConverter::toString(position) + " within " + Ogre::StringConverter::toString(radius) +
                       " is not finite; no force applied");
            return;
        }
        for (SimulationEntity* entity : entities)
        {
            if (radius < 0.0f || entity->GetPosition().distance(position) < radius)
                entity->AddForceAtPos(force, position, SimulationEntity::GLOBAL);
        }
    }

    void Simulation::AddGlobalImpulse(const Ogre::Vector3& force, const Ogre::Vector3& position, float radius)
    {
        AddGlobalForce(force, position, radius);
    }

    void Simulation::SetGravity(const Ogre::Vector3& gravity)
    {
        if (!IsFinite(gravity))
        {
            LogWarning("Engine::Simulation::SetGravity", "Gravity " + Ogre::StringConverter::toString(gravity) +
                       " is not finite; gravity unchanged");
            return;
        }
        scene->SetGravity(gravity);
        for (PhysicsActor* actor : scene->GetActors())
            actor->WakeUp();
    }

    void Simulation::EnableGroundPlane(bool enable)
    {
        if (groundPlane && !enable)
        {
            scene->ReleaseActor(*groundPlane);
            groundPlane = nullptr;
        }
        else if (!groundPlane && enable)
        {
            ActorDesc desc;
            ShapeDesc plane;
            plane.type = ShapeType::PLANE;
            plane.normal = Ogre::Vector3::UNIT_Y;
            plane.distance = 0.0f;
            plane.flags = ShapeFlag::VISUALIZATION;
            desc.shapes.push_back(plane);
            groundPlane = scene->CreateActor(desc);
            groundPlane->SetUserData(nullptr);
        }
    }

    void Simulation::SetWorldGeometry(const std::string& file)
    {
        const char* where = "Engine::Simulation::SetWorldGeometry";
        if (file.empty())
        {
            if (worldGeometry)
                scene->ReleaseActor(*worldGeometry);
            worldGeometry = nullptr;
            if (worldGeometryField)
                sdk->ReleaseHeightField(*worldGeometryField);
            worldGeometryField = nullptr;
            return;
        }

        Ogre::ConfigFile config;
        try
        {
            config.load(file, "\t:=", true);
        }
        catch (const Ogre::Exception&)
        {
            ThrowError(where, "Can't read terrain file '" + file + "'");
        }
        const std::string pageSizeText = config.getSetting("PageSize");
        // Read signed: an unsigned read turns "-5" into four thousand million samples a side.
        const int pageSizeValue = Ogre::StringConverter::parseInt(pageSizeText, 0);
        const unsigned pageSize = pageSizeValue < 2 ? 0u : static_cast<unsigned>(pageSizeValue);
        if (pageSize < 2)
        {
            LogWarning(where, "Terrain file '" + file + "' has 'PageSize' '" + pageSizeText +
                       "'; at least 2 samples per side are needed, no terrain built");
            return;
        }
        const float worldSize = Ogre::StringConverter::parseReal(config.getSetting("PageWorldX"), 0.0f);
        if (!(worldSize > 0.0f) || !std::isfinite(worldSize))
        {
            LogWarning(where, "Terrain file '" + file + "' has 'PageWorldX' '" + config.getSetting("PageWorldX") +
                       "'; a positive size is needed, no terrain built");
            return;
        }
        const float maxHeight = Ogre::StringConverter::parseReal(config.getSetting("MaxHeight"), 0.0f);
        if (!std::isfinite(maxHeight))
        {
            LogWarning(where, "Terrain file '" + file + "' has 'MaxHeight' '" + config.getSetting("MaxHeight") +
                       "'; a finite height scale is needed, no terrain built");
            return;
        }
        CheckTerrainLimits(where, file, pageSizeText, pageSize, config.getSetting("PageWorldX"), worldSize,
                           config.getSetting("MaxHeight"), maxHeight);
        const std::string imageName = config.getSetting("Heightmap.image");

        Ogre::Image image;
        try
        {
            image.load(imageName, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        }
        catch (const Ogre::Exception& error)
        {
            ThrowError(where, "Can't load height map '" + imageName + "' of terrain file '" + file + "': " +
                       error.getDescription());
        }
        if (image.getHeight() != image.getWidth())
            return;

        const std::uint64_t width = image.getWidth();
        HeightFieldDesc fieldDesc;
        fieldDesc.rows = pageSize;
        fieldDesc.columns = pageSize;
        fieldDesc.samples.resize(static_cast<std::size_t>(pageSize) * pageSize);
        for (unsigned row = 0; row < pageSize; ++row)
        {
            for (unsigned column = 0; column < pageSize; ++column)
            {
                // The sample row runs along the image's columns.
                const std::size_t x = static_cast<std::size_t>(width * row / pageSize);
                const std::size_t y = static_cast<std::size_t>(width * column / pageSize);
                const float red = image.getColourAt(x, y, 0).r;
                const long height = std::min(32767L, std::max(0L, static_cast<long>(red * 32768.0f)));
                HeightFieldSample& sample = fieldDesc.samples[row * pageSize + column];
                sample.height = static_cast<short>(height);
                sample.materialIndex0 = 1;
                sample.materialIndex1 = 1;
                sample.tessellationFlag = false;
            }
        }
        fieldDesc.verticalExtent = -1000.0f;
        PhysicsHeightField* field = sdk->CreateHeightField(fieldDesc);

        ActorDesc desc;
        ShapeDesc shape;
        shape.type = ShapeType::HEIGHT_FIELD;
        shape.flags = ShapeFlag::VISUALIZATION | ShapeFlag::FEATURE_INDICES;
        shape.heightField = field;
        shape.heightScale = maxHeight / 32768.0f;
        shape.rowScale = worldSize / (pageSize - 1);
        shape.columnScale = worldSize / (pageSize - 1);
        desc.shapes.push_back(shape);
        PhysicsActor* terrain = scene->CreateActor(desc);
        if (!terrain)
        {
            sdk->ReleaseHeightField(*field);
            ThrowError(where, "Can't build the terrain of file '" + file + "'");
        }
        terrain->SetUserData(nullptr);

        // A second terrain replaces the first instead of leaving it in the world unreachable.
        if (worldGeometry)
            scene->ReleaseActor(*worldGeometry);
        if (worldGeometryField)
            sdk->ReleaseHeightField(*worldGeometryField);
        worldGeometry = terrain;
        worldGeometryField = field;
    }

    PhysicsConvexMesh* Simulation::ConvexFromMesh(Ogre::Mesh* mesh)
    {
        const std::string& name = mesh->getName();
        const auto cached = convexCache.find(name);
        if (cached != convexCache.end())
            return cached->second;

        std::vector<float> positions;
        bool sharedDone = false;
        for (unsigned i = 0; i < mesh->getNumSubMeshes(); ++i)
        {
            const Ogre::SubMesh* subMesh = mesh->getSubMesh(i);
            if (subMesh->useSharedVertices)
            {
                if (!sharedDone && mesh->sharedVertexData)
                    CopyPositions(*mesh->sharedVertexData, positions);
                sharedDone = true;
            }
            else if (subMesh->vertexData)
            {
                CopyPositions(*subMesh->vertexData, positions);
            }
        }

        // Exact duplicates (shared corners of faces) are kept once, in first-seen order.
        std::vector<float> points;
        std::set<std::tuple<float, float, float>> seen;
        for (std::size_t i = 0; i + 2 < positions.size(); i += 3)
        {
            if (seen.insert(std::make_tuple(positions[i], positions[i + 1], positions[i + 2])).second)
                points.insert(points.end(), positions.begin() + i, positions.begin() + i + 3);
        }
        std::cout << "VERTEX COUNT: " << points.size() / 3 << std::endl;

        ConvexMeshDesc desc;
        desc.numVertices = static_cast<unsigned>(points.size() / 3);
        desc.pointStrideBytes = 3 * sizeof(float);
        desc.points = points.data();
        MemoryWriteBuffer cooked;
        PhysicsConvexMesh* hull = nullptr;
        if (CookConvexMesh(desc, cooked))
        {
            MemoryReadBuffer reader(cooked.GetData(), cooked.GetSize());
            hull = sdk->CreateConvexMesh(reader);
        }
        if (!hull)
            ThrowError("Engine::Simulation::ConvexFromMesh", "Error cooking convex from mesh '" + name + "'");
        convexCache[name] = hull;
        return hull;
    }

    PhysicsConvexMesh* Simulation::GetNxConvexMesh(const std::string& meshName) const
    {
        const auto cached = convexCache.find(meshName);
        if (cached == convexCache.end())
            ThrowError("Engine::Simulation::GetNxConvexMesh", "Couldn't find a convex mesh named '" + meshName + "'");
        return cached->second;
    }
}
