#include "engine/core/Exception.h"
#include "engine/logic/IStateObserver.h"
#include "engine/logic/StateManager.h"
#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Engine::StateManager;

using ::Test::ErrorOf;

namespace
{
    std::vector<std::string> trail;

    struct Observer : Engine::IStateObserver
    {
        explicit Observer(std::string n, bool a = true) : name(std::move(n)), allow(a) {}
        bool OnStateRequest(const std::string& current, const std::string& requested) override
        {
            trail.push_back(name + " request " + current + "->" + requested);
            return allow;
        }
        void OnStateChange(const std::string& current, const std::string& requested) override
        {
            trail.push_back(name + " change " + current + "->" + requested);
        }
        std::string name;
        bool allow;
    };


    bool Allow() { trail.push_back("allow"); return true; }
    bool Refuse() { trail.push_back("refuse"); return false; }
    void Changed() { trail.push_back("changed"); }

    class StateManagerTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            StateManager::Create();
            trail.clear();
        }
    };
}

TEST_F(StateManagerTest, OnlyOneInstanceAndUnknownStatesAreErrors)
{
    EXPECT_EQ(ErrorOf([] { StateManager::Create(); }),
              "Error in Engine::StateManager::Create(). Only one state manager allowed");
    StateManager::AddState("Menu");
    StateManager::AddState("Menu");
    StateManager::RemoveState("Menu");
    EXPECT_EQ(ErrorOf([] { StateManager::RemoveState("Menu"); }),
              "Error in Engine::StateManager::RemoveState(). Unknown state Menu"); // one entry only
    EXPECT_EQ(ErrorOf([] { StateManager::RequestState("Play"); }),
              "Error in Engine::StateManager::RequestState(). Unknown state Play");

    StateManager::RequestListener request(&Allow);
    StateManager::ChangeListener change(&Changed);
    EXPECT_EQ(ErrorOf([&] { StateManager::AddStateRequestListener("Play", request); }),
              "Error in Engine::StateManager::AddStateRequestListener(). Unknown state Play");
    EXPECT_EQ(ErrorOf([&] { StateManager::AddStateChangeListener("Play", change); }),
              "Error in Engine::StateManager::AddStateChangeListener(). Unknown state Play");
    EXPECT_EQ(ErrorOf([&] { StateManager::RemoveStateRequestListener("Play", request); }),
              "Error in Engine::StateManager::RemoveStateRequestListener(). Can't find state");
    EXPECT_EQ(ErrorOf([&] { StateManager::RemoveStateChangeListener("Play", change); }),
              "Error in Engine::StateManager::RemoveStateChangeListener(). Can't find state");
    Observer nobody("x");
    EXPECT_EQ(ErrorOf([&] { StateManager::RemoveStateObserver(&nobody); }),
              "Error in Engine::StateManager::RemoveStateObserver(). Can't find state observer");
}

TEST_F(StateManagerTest, AChangeAsksEverybodyThenTellsEverybodyInOrder)
{
    StateManager::AddState("Menu");
    StateManager::AddState("Play");
    EXPECT_TRUE(StateManager::RequestState("Menu")); // nobody to ask

    Observer first("first"), second("second");
    StateManager::AddStateObserver(&first);
    StateManager::AddStateObserver(&second);
    StateManager::RequestListener request(&Allow);
    StateManager::ChangeListener change(&Changed);
    StateManager::AddStateRequestListener("Play", request);
    StateManager::AddStateChangeListener("Play", change);
    StateManager::ChangeListener otherChange([] { trail.push_back("menu entered"); });
    StateManager::AddStateChangeListener("Menu", otherChange);

    EXPECT_TRUE(StateManager::RequestState("Play"));
    EXPECT_EQ(trail, (std::vector<std::string>{"first request Menu->Play", "second request Menu->Play", "allow",
                                               "first change Menu->Play", "second change Menu->Play", "changed"}));

    trail.clear();
    EXPECT_TRUE(StateManager::RequestState("Play")); // the current state goes through every step again
    EXPECT_EQ(trail.front(), "first request Play->Play");
    EXPECT_EQ(trail.back(), "changed");
}

TEST_F(StateManagerTest, ARefusalStopsTheRequestWhereItHappens)
{
    StateManager::AddState("Menu");
    StateManager::AddState("Play");
    StateManager::RequestState("Menu");

    Observer refuser("refuser", false), later("later");
    StateManager::AddStateObserver(&refuser);
    StateManager::AddStateObserver(&later);
    StateManager::RequestListener request(&Allow);
    StateManager::AddStateRequestListener("Play", request);
    EXPECT_FALSE(StateManager::RequestState("Play"));
    EXPECT_EQ(trail, (std::vector<std::string>{"refuser request Menu->Play"}));

    StateManager::RemoveStateObserver(&refuser);
    StateManager::RequestListener refuse(&Refuse);
    StateManager::AddStateRequestListener("Play", refuse);
    trail.clear();
    EXPECT_FALSE(StateManager::RequestState("Play"));
    EXPECT_EQ(trail, (std::vector<std::string>{"later request Menu->Play", "allow", "refuse"}));

    // Still in Menu: the next change names it as the state being left.
    StateManager::RemoveStateRequestListener("Play", refuse);
    trail.clear();
    EXPECT_TRUE(StateManager::RequestState("Play"));
    EXPECT_EQ(trail.back(), "later change Menu->Play");
}

TEST_F(StateManagerTest, RemovalTakesTheFirstMatchOnly)
{
    StateManager::AddState("Play");
    Observer twice("twice");
    StateManager::AddStateObserver(&twice);
    StateManager::AddStateObserver(&twice);
    StateManager::RemoveStateObserver(&twice);
    StateManager::RequestState("Play");
    EXPECT_EQ(trail.size(), 2u); // one request, one change

    trail.clear();
    StateManager::RemoveStateObserver(&twice);
    StateManager::ChangeListener a(&Changed);
    StateManager::ChangeListener sameFunction(&Changed);
    StateManager::AddStateChangeListener("Play", a);
    StateManager::AddStateChangeListener("Play", a);
    StateManager::RemoveStateChangeListener("Play", sameFunction); // same plain function matches
    StateManager::RequestState("Play");
    EXPECT_EQ(trail, (std::vector<std::string>{"changed"}));

    int count = 0;
    StateManager::ChangeListener lambda([&count] { ++count; });
    StateManager::AddStateChangeListener("Play", lambda);
    StateManager::RemoveStateChangeListener("Play", lambda); // the caller's own object matches
    StateManager::ChangeListener lookalike([&count] { ++count; });
    EXPECT_THROW(StateManager::RemoveStateChangeListener("Play", lookalike), Engine::Exception);
    StateManager::RequestState("Play");
    EXPECT_EQ(count, 0);
}

TEST_F(StateManagerTest, AThrowingListenerLeavesTheCurrentStateAlone)
{
    StateManager::AddState("Menu");
    StateManager::AddState("Play");
    StateManager::RequestState("Menu");
    StateManager::ChangeListener empty;
    StateManager::AddStateChangeListener("Play", empty);
    Observer watcher("watcher");
    StateManager::AddStateObserver(&watcher);
    EXPECT_THROW(StateManager::RequestState("Play"), boost::bad_function_call);
    trail.clear();
    StateManager::RemoveStateChangeListener("Play", empty);
    StateManager::RequestState("Play");
    EXPECT_EQ(trail.front(), "watcher request Menu->Play");
}
