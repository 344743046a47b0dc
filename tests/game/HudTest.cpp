#include "GameStateTest.h"

#include "game/RuleSystem.h"
#include "game/StateHandler.h"
#include "game/UI_Hud.h"

#include "engine/core/Application.h"
#include "engine/scene/Entity.h"
#include "engine/sound/SoundSystem.h"

#include <OgreOverlayContainer.h>
#include <OgreOverlayElement.h>
#include <X11/keysym.h>

#include <set>

namespace
{
    class HudTest : public Test::GameStateTest
    {
    protected:
        void SetUp() override
        {
            GameStateTest::SetUp();
            SkipLogos();
            Press(XK_Return);   // "Play"
        }

        std::string NewestText() const
        {
            return hudInstance->GetFloatingTexts().back().element->getCaption();
        }
    };
}

TEST_F(HudTest, KillsScoreInCombosThatLastThreeAndAHalfSeconds)
{
    Kill(*Zombie(2.0f, 2.0f));
    Run(3.4f, 0.1f);
    Kill(*Zombie(2.0f, 2.0f));
    Step(0.01f);
    EXPECT_EQ(Hud().GetScore(), 300.0f);
    EXPECT_EQ(Hud().GetScoreLine(), "Score: 300\n 2X Combo bonus!");

    Run(3.6f, 0.1f);
    EXPECT_EQ(Hud().GetScoreLine(), "Score: 300");
    Kill(*Zombie(2.0f, 2.0f));
    EXPECT_EQ(Hud().GetComboCount(), 1);
    EXPECT_EQ(Hud().GetScore(), 400.0f);

    // The points float over the kill, in the order they were made; a damaged but living
    // zombie scores nothing.
    bool pointsShown = false;
    for (const UI_Hud::FloatingText& text : Hud().GetFloatingTexts())
        pointsShown = pointsShown || text.element->getCaption() == "100";
    EXPECT_TRUE(pointsShown);
    const boost::shared_ptr<Engine::Entity> zombie = Zombie(1.0f, 1.0f);
    ruleSystem->ApplyDamage(zombie.get(), 5, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z);
    EXPECT_EQ(Hud().GetScore(), 400.0f);
}

TEST_F(HudTest, TauntsWaitOutTheirCooldownAndAllEightPlayBeforeARepeat)
{
    const std::size_t before = Hud().GetFloatingTexts().size();
    Hud().Taunt(false);
    Run(1.4f, 0.1f);
    Hud().Taunt(false);   // within 1.5 s: skipped
    Hud().Taunt(true);
    EXPECT_EQ(Hud().GetFloatingTexts().size(), before + 1);

    std::set<std::string> heard = {Hud().GetFloatingTexts().back().element->getCaption()};
    for (int i = 1; i < 8; ++i)
    {
        Run(1.6f, 0.1f);
        Hud().Taunt(false);
        heard.insert(NewestText());
    }
    EXPECT_EQ(heard.size(), 8u);
    EXPECT_EQ(heard.count("Fuck you and your daddy!"), 1u);

    // A pain cry: one of the two, spoken at once.
    Run(1.6f, 0.1f);
    const int busy = Engine::SoundSystem::GetSingleton()->GetBusyChannelCount();
    Hud().Taunt(true);
    EXPECT_TRUE(NewestText() == "Argh!" || NewestText() == "Ah! Fuck!") << NewestText();
    EXPECT_EQ(Engine::SoundSystem::GetSingleton()->GetBusyChannelCount(), busy + 1);
}

TEST_F(HudTest, AFloatingTextWaitsItsDelayThenRisesAndFadesOverASecond)
{
    Hud().AddFloatingText("late", 0.3f, 0.6f, 0.5f);
    const UI_Hud::FloatingText& text = Hud().GetFloatingTexts().back();
    Ogre::OverlayElement* element = text.element;
    Run(0.4f, 0.1f);
    EXPECT_EQ(element->getColour().a, 0.0f);
    EXPECT_NEAR(element->getTop(), 0.61f, 1e-4f);   // not yet rising
    Run(0.6f, 0.1f);   // half a second after its delay
    EXPECT_NEAR(element->getColour().a, 0.5f, 0.01f);
    EXPECT_NEAR(element->getTop(), 0.55f, 0.001f);
    EXPECT_NEAR(element->getLeft(), 0.3f, 0.001f);
    const std::size_t count = Hud().GetFloatingTexts().size();
    Run(0.6f, 0.1f);
    EXPECT_EQ(Hud().GetFloatingTexts().size(), count - 1);
}

TEST_F(HudTest, MessagesReplaceEachOtherAndEmptyThemselves)
{
    Hud().ShowMessage("first", 1.0f);
    Run(0.5f, 0.1f);
    Hud().ShowMessage("second", 1.0f);
    Run(0.8f, 0.1f);
    EXPECT_EQ(Hud().GetMessage(), "second");
    Run(0.3f, 0.1f);
    EXPECT_EQ(Hud().GetMessage(), "");
}

TEST_F(HudTest, BarsAndDamageLineFollowThePlayerAndTheRuleSystem)
{
    Player()->SetAttributeInt("Health", 25);
    Player()->SetAttributeInt("Power", 50);
    Step(0.01f);
    EXPECT_NEAR(Hud().GetHealthBar()->getWidth(), 0.25f * 0.328125f, 1e-5f);
    EXPECT_NEAR(Hud().GetHealthBar()->getLeft() + Hud().GetHealthBar()->getWidth(), 0.98125f, 1e-5f);
    EXPECT_NEAR(Hud().GetPowerBar()->getWidth(), 0.475f, 1e-5f);
    EXPECT_FALSE(Hud().GetPowerBar()->isVisible());

    ruleSystem->damageMultiplier = 3;
    ruleSystem->multiplierTime = 2.0f;
    Step(0.5f);
    EXPECT_EQ(Hud().GetDamageLine(), "Damage x3 1.5s");
    Run(1.6f, 0.1f);
    EXPECT_EQ(Hud().GetDamageLine(), "");
    EXPECT_EQ(ruleSystem->damageMultiplier, 1);

    // With the player gone, both bars are empty.
    Kill(*Player());
    Run(0.1f, 0.05f);
    EXPECT_NEAR(Hud().GetHealthBar()->getWidth(), 0.0f, 1e-6f);
}

TEST_F(HudTest, ADeathIsHandledOnceEvenWhenKillsGoOnWhileDying)
{
    Kill(*Zombie(2.0f, 2.0f));
    Kill(*Player());
    Run(2.0f, 0.1f);
    Kill(*Zombie(-2.0f, 2.0f));   // a grenade still flying: no points, no new countdown
    EXPECT_EQ(Hud().GetScore(), 100.0f);
    Run(1.1f, 0.1f);
    EXPECT_TRUE(Hud().IsNameEntryOpen());
    Tap(XK_q);
    Kill(*Zombie(-2.0f, -2.0f));
    Run(3.5f, 0.1f);
    EXPECT_TRUE(Hud().IsNameEntryOpen());
    EXPECT_EQ(Hud().GetName(), "q");
}
