#include "engine/logic/ControllerManager.h"
#include "engine/core/Error.h"
#include "engine/scene/Entity.h"

#include <algorithm>

namespace Engine
{
    namespace
    {
        const char* const factoryName =
            "Engine::Factory<class Engine::IController,class std::basic_string<char,struct "
            "std::char_traits<char>,class std::allocator<char> >,class boost::shared_ptr<class "
            "Engine::IController> >";
    }

    class ControllerManager::Walk
    {
    public:
        explicit Walk(ControllerManager& manager) : manager(manager) { ++manager.walkDepth; }
        ~Walk() { --manager.walkDepth; }

    private:
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

        ControllerManager& manager;
    };

    ControllerManager::ControllerManager() : factory(factoryName), walkDepth(0), updating(false)
    {
    }

    ControllerManager::~ControllerManager()
    {
        // Controllers are released here, and their destructors may still call back into this
        // manager: let them find empty sequences rather than ones being torn down.
        std::vector<Record> releasedActive;
        std::vector<Record> releasedPending;
        releasedActive.swap(active);
        releasedPending.swap(pending);
    }

    void ControllerManager::RegisterController(const std::string& id, Creator creator)
    {
        factory.Register(id, creator);
    }

    void ControllerManager::UnregisterController(const std::string& id)
    {
        factory.Unregister(id);
    }

    boost::weak_ptr<IController> ControllerManager::AttachController(const std::string& id,
                                                                     boost::weak_ptr<Entity> entity)
    {
        const boost::shared_ptr<IController> controller = factory.Create(id);
        if (!controller)
            ThrowError("Engine::ControllerManager::AttachController",
                       "The creator registered for '" + id + "' made no controller");
        pending.push_back(Record{controller, entity, entity.lock().get()});
        return controller;
    }

    void ControllerManager::DetachController(boost::shared_ptr<IController> controller, Entity* entity)
    {
        if (!controller)
            return;
        Detach([&](const Record& record) { return record.controller == controller && record.identity == entity; });
    }

    void ControllerManager::DetachControllers(Entity* entity)
    {
        if (!entity)
            return;
        Detach([entity](const Record& record) { return record.identity == entity; });
    }

    template <class Match>
    void ControllerManager::Detach(Match match)
    {
        const Walk walk(*this);
        // By index: OnDetach may attach, detach or even run an update meanwhile.
        for (std::size_t i = 0; i < active.size(); ++i)
        {
            Record& record = active[i];
            if (!record.controller || !match(record))
                continue;
            // The record is emptied before OnDetach, so that a detach from inside OnDetach finds
            // it dead; the local reference keeps the controller alive until OnDetach returns.
            const boost::shared_ptr<IController> controller = record.controller;
            const boost::shared_ptr<Entity> entity = record.entity.lock();
            record.controller.reset();
            if (entity)
                controller->OnDetach(entity);
        }
    }

    void ControllerManager::Update(float dt)
    {
        // A controller running the manager's update would update itself and everything after
        // it twice in one frame.
        if (updating)
        {
            LogWarning("Engine::ControllerManager::Update", "Called from inside a controller; ignored");
            return;
        }
        struct Updating
        {
            explicit Updating(ControllerManager& manager) : manager(manager) { manager.updating = true; }
            ~Updating()
            {
                manager.updating = false;
                if (manager.walkDepth == 0)
                    manager.RemoveDeadRecords();
            }
            ControllerManager& manager;
        };

        const Updating updatingNow(*this);
        const Walk walk(*this);
        AttachPending();
        UpdateActive(dt);
    }

    void ControllerManager::AttachPending()
    {
        // Controllers attached from inside OnAttach land in the new pending sequence and wait
        // for the next Update.
        std::vector<Record> attaching;
        attaching.swap(pending);
        std::size_t i = 0;
        try
        {
            for (; i < attaching.size(); ++i)
            {
                const Record& record = attaching[i];
                const boost::shared_ptr<Entity> entity = record.entity.lock();
                if (!entity)
                {
                    LogWarning("Engine::ControllerManager::Update",
                               "Controller entity weak_ptr expired before the controller was created!");
                    continue;
                }
                record.controller->OnAttach(entity);
                active.push_back(record);
            }
        }
        catch (...)
        {
            // The controller whose OnAttach failed is dropped; those behind it keep their turn,
            // ahead of any attached meanwhile.
            pending.insert(pending.begin(), attaching.begin() + static_cast<std::ptrdiff_t>(i) + 1, attaching.end());
            throw;
        }
    }

    void ControllerManager::UpdateActive(float dt)
    {
        // Nothing appends to `active` during this walk (attachments wait in `pending`, a nested
        // Update is refused) and nothing removes from it (detaching only empties records), so
        // indices stay valid. Entities and controllers are held locally while they run: an
        // update may drop the last other reference to either.
        for (std::size_t i = 0; i < active.size(); ++i)
        {
            const boost::shared_ptr<IController> controller = active[i].controller;
            if (!controller)
                continue;
            const boost::shared_ptr<Entity> entity = active[i].entity.lock();
            if (!entity)
            {
                active[i].controller.reset();
                continue;
            }
            if (!entity->IsEnabled())
                continue;
            if (controller->Update(dt, entity))
                continue;
            // Detached from inside its own Update: OnDetach has been called already.
            if (active[i].controller != controller)
                continue;
            active[i].controller.reset();
            controller->OnDetach(entity);
        }
    }

    void ControllerManager::RemoveDeadRecords()
    {
        active.erase(std::remove_if(active.begin(), active.end(), [](const Record& record) { return !record.controller; }),
                     active.end());
    }
}
