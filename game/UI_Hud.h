#pragma once
#include "IRuleSystemListener.h"
#include "engine/core/IUpdateListener.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <OIS.h>
#include <OgreVector.h>

namespace Ogre { class OverlayContainer; class OverlayElement; }
namespace OverlayKit { class GUI; class Window; }
namespace Engine { class Entity; }

/// The in-game head-up display: score and combo, health and power bars, a timed message line,
/// the damage-bonus line, floating texts that rise and fade, the player's taunts and pain cries,
/// the death sequence and the name entry for a new high score. Keeps the score and combo of the
/// current arena. One per process (hudInstance), made by the LogicRunner, which shows and hides
/// it; its overlay elements belong to the renderer's overlay manager.
class UI_Hud : public Engine::IUpdateListener, public IRuleSystemListener, public OIS::KeyListener
{
public:
    /// Builds the display, joins the frame loop and the rule system's listeners and takes the
    /// keyboard's key events (for the name entry).
    UI_Hud();
    ~UI_Hud() override;
    UI_Hud(const UI_Hud&) = delete;
    UI_Hud& operator=(const UI_Hud&) = delete;

    std::uint8_t GetPriority() override;
    bool FrameStarted(float seconds) override;
    bool FrameEnded(float seconds) override;

    /// Scores a kill, or starts the death sequence when the player is gone.
    void OnEntityKilled(Engine::Entity* entity) override;
    void OnEntityDamaged(Engine::Entity* entity, int health) override;

    bool keyPressed(const OIS::KeyEvent& event) override;
    bool keyReleased(const OIS::KeyEvent& event) override;

    /// A new arena's player: the score, combo and taunts start again.
    void SetPlayer(boost::weak_ptr<Engine::Entity> newPlayer);
    /// Shows the text on the message line for the given seconds; replaces any earlier message.
    void ShowMessage(const std::string& text, float seconds);
    /// "Damage x<multiplier> <seconds>s" while a bonus runs (multiplier > 1, seconds > 0), else nothing.
    void ShowDamageBonus(int multiplier, float seconds);
    /// A text at a screen position (0 to 1 across and down) that stays invisible for `delay`
    /// seconds, then rises 0.1 and fades out over one second.
    void AddFloatingText(const std::string& text, float left, float top, float delay);
    /// The same, placed 1.8 units above a world point.
    void AddFloatingTextAt(const Ogre::Vector3& point, const std::string& text, float delay);
    /// A pain cry (hurt) or a taunt, spoken and shown over the player; at most one per 1.5 s.
    void Taunt(bool hurt);

    void Show();
    void Hide();
    bool IsVisible() const;

    float GetScore() const { return score; }
    int GetComboCount() const { return comboCount; }
    float GetComboTime() const { return comboTime; }
    /// The player was killed and "You died" is showing.
    bool IsDead() const { return dead; }
    bool IsNameEntryOpen() const;
    std::string GetName() const;
    std::string GetScoreLine() const;
    std::string GetMessage() const;
    std::string GetDamageLine() const;
    Ogre::OverlayContainer* GetHealthBar() const { return healthBar; }
    Ogre::OverlayContainer* GetPowerBar() const { return powerBar; }

    struct FloatingText
    {
        float age;   // seconds; negative while the delay runs
        float left;
        float top;
        Ogre::OverlayElement* element;
    };
    const std::list<FloatingText>& GetFloatingTexts() const { return floatingTexts; }

private:
    /// Where a world point shows on the screen (0 to 1 across and down), as seen by camera 0.
    static Ogre::Vector2 ScreenPosition(const Ogre::Vector3& point);
    void PlayFlat(int slot);
    void OpenNameEntry();
    void CloseNameEntry();

    std::unique_ptr<OverlayKit::GUI> gui;
    OverlayKit::Window* window;          // owned by gui
    Ogre::OverlayElement* nameText;
    Ogre::OverlayElement* namePrompt;
    boost::weak_ptr<Engine::Entity> player;
    Ogre::OverlayElement* scoreText;
    Ogre::OverlayElement* damageText;
    Ogre::OverlayElement* messageText;
    Ogre::OverlayContainer* healthBar;
    Ogre::OverlayContainer* powerBar;
    float score;
    float comboTime;
    float messageTime;
    float tauntCooldown;
    int comboCount;
    bool dead;
    float deathTime;
    bool deathSeen;   // this player's death has been handled (once per player)
    std::list<FloatingText> floatingTexts;
    std::vector<int> tauntBag;
    bool calledByFrameLoop;
};

/// The game's one HUD, made by the LogicRunner's constructor.
extern boost::shared_ptr<UI_Hud> hudInstance;
