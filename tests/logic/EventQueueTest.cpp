#include "engine/logic/Event.h"
#include "engine/logic/EventQueue.h"
#include "engine/logic/IEventListener.h"
#include "engine/scene/Entity.h"
#include "tests/support/SceneTest.h"

#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

using Engine::Entity;
using Engine::Event;
using Engine::EventQueue;

namespace
{
    // An event that carries a label so that the order of delivery can be read back.
    struct Labelled : Event
    {
        Labelled(boost::weak_ptr<Entity> origin, boost::weak_ptr<Entity> target, const std::string& label)
            : Event(origin, target), label(label)
        {
        }
        std::string label;
    };

    struct Listener : Engine::IEventListener
    {
        explicit Listener(std::vector<std::string>& journal, const std::string& name) : journal(journal), name(name) {}

        void OnEvent(int type, boost::shared_ptr<Event> event) override
        {
            const Labelled* labelled = dynamic_cast<Labelled*>(event.get());
            journal.push_back(name + ":" + std::to_string(type) + ":" + (labelled ? labelled->label : "?"));
            if (onEvent)
                onEvent(type);
        }

        std::vector<std::string>& journal;
        std::string name;
        std::function<void (int)> onEvent;
    };

    class EventQueueTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            self = Entity::Create(GetScene(), "self");
            other = Entity::Create(GetScene(), "other");
        }

        void Post(int type, const std::string& label)
        {
            queue.PostEvent(type, boost::shared_ptr<Event>(new Labelled(self, other, label)));
        }

        boost::shared_ptr<Entity> self, other;
        EventQueue queue;
        std::vector<std::string> journal;
    };
}

TEST_F(EventQueueTest, DeliversInPostingOrderToAllTypeThenTypeListeners)
{
    Listener all(journal, "all"), contact(journal, "contact"), both(journal, "both");
    queue.AddListener(&contact, Engine::CONTACT_START);
    queue.AddListener(&all, -1);
    queue.AddListener(&both, Engine::HIT_ENTITY);
    queue.AddListener(&both, -1);

    Post(Engine::CONTACT_START, "A");
    Post(Engine::HIT_ENTITY, "B");
    EXPECT_EQ(2u, queue.GetPendingCount());
    EXPECT_TRUE(journal.empty());
    queue.ForwardEvents();

    EXPECT_EQ((std::vector<std::string>{"all:5:A", "both:5:A", "contact:5:A", "all:4:B", "both:4:B", "both:4:B"}),
              journal);
    EXPECT_EQ(0u, queue.GetPendingCount());
    queue.ForwardEvents();
    EXPECT_EQ(6u, journal.size());
}

TEST_F(EventQueueTest, EventsWithoutALiveOriginAndTargetAreDiscarded)
{
    Listener all(journal, "all");
    queue.AddListener(&all, -1);
    boost::shared_ptr<Entity> doomed = Entity::Create(GetScene(), "doomed");
    queue.PostEvent(0, boost::shared_ptr<Event>(new Event));
    queue.PostEvent(1, boost::shared_ptr<Event>(new Labelled(self, doomed, "target gone")));
    queue.PostEvent(2, boost::shared_ptr<Event>(new Labelled(doomed, self, "origin gone")));
    Post(3, "fine");
    doomed.reset();
    queue.ForwardEvents();
    EXPECT_EQ((std::vector<std::string>{"all:3:fine"}), journal);
    EXPECT_EQ(0u, queue.GetPendingCount());

    Event event(self, other);
    EXPECT_EQ(self.get(), event.GetOrigin());
    EXPECT_EQ(other.get(), event.GetTarget());
    Event copy = event;
    other.reset();
    EXPECT_EQ(nullptr, copy.GetTarget());
    EXPECT_TRUE(copy.GetTargetWeakPtr().expired());
}

TEST_F(EventQueueTest, RemovingAListenerTakesTheFirstOccurrence)
{
    Listener a(journal, "a"), b(journal, "b");
    queue.AddListener(&a, -1);
    queue.AddListener(&a, -1);
    queue.AddListener(&a, 4);
    queue.AddListener(&a, 5);
    queue.AddListener(&b, 5);

    queue.RemoveListener(&a, -1);  // one all-type and one from each type
    Post(5, "x");
    queue.ForwardEvents();
    EXPECT_EQ((std::vector<std::string>{"a:5:x", "b:5:x"}), journal);

    journal.clear();
    queue.RemoveListener(&b, 4);   // not registered there: nothing
    queue.RemoveListener(&b, 9);   // no such type: nothing
    queue.RemoveListener(&a, 5);   // not there any more: nothing
    Post(4, "y");
    Post(5, "z");
    queue.ForwardEvents();
    EXPECT_EQ((std::vector<std::string>{"a:4:y", "a:5:z", "b:5:z"}), journal);

    journal.clear();
    queue.RemoveListeners();
    Post(5, "w");
    queue.ForwardEvents();
    EXPECT_TRUE(journal.empty());
}

TEST_F(EventQueueTest, ListenersMayPostAndRegisterDuringDelivery)
{
    Listener poster(journal, "poster"), removed(journal, "removed"), added(journal, "added");
    queue.AddListener(&poster, -1);
    queue.AddListener(&removed, -1);
    poster.onEvent = [&](int type) {
        if (type == 1)
        {
            Post(2, "echo");
            queue.RemoveListener(&removed, -1);
            queue.AddListener(&added, -1);
            queue.ForwardEvents();  // nested forwarding is left to the walk in progress
        }
    };
    Post(1, "first");
    queue.ForwardEvents();
    // "removed" lost its turn for the first event; "added" joined from the next event on.
    EXPECT_EQ((std::vector<std::string>{"poster:1:first", "poster:2:echo", "added:2:echo"}), journal);
    EXPECT_EQ(0u, queue.GetPendingCount());
}

TEST_F(EventQueueTest, IgnoredEventsAreLost)
{
    Listener all(journal, "all");
    queue.AddListener(&all, -1);
    queue.IgnoreEvents(true);
    EXPECT_TRUE(queue.IsIgnoringEvents());
    Post(0, "lost");
    EXPECT_EQ(0u, queue.GetPendingCount());
    queue.IgnoreEvents(false);
    Post(0, "kept");
    queue.ForwardEvents();
    EXPECT_EQ((std::vector<std::string>{"all:0:kept"}), journal);
}

TEST_F(EventQueueTest, AThrowingListenerLeavesTheEventsPending)
{
    Listener thrower(journal, "thrower");
    queue.AddListener(&thrower, 6);
    thrower.onEvent = [](int) { throw std::runtime_error("listener failed"); };
    Post(6, "bad");
    EXPECT_THROW(queue.ForwardEvents(), std::runtime_error);
    EXPECT_EQ(1u, queue.GetPendingCount());
    thrower.onEvent = nullptr;
    queue.ForwardEvents();
    EXPECT_EQ((std::vector<std::string>{"thrower:6:bad", "thrower:6:bad"}), journal);
}

TEST(EventType, NewTypesFollowTheBuiltInOnes)
{
    EXPECT_EQ(8, Event::NewEventType());
    EXPECT_EQ(9, Event::NewEventType());
}
