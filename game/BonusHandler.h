#pragma once
#include "engine/core/IUpdateListener.h"

#include <boost/shared_ptr.hpp>

#include <vector>

/// The timed effects of bonuses: each entry counts down in game time and, when it runs out,
/// ends its effect. One per process (bonusHandlerInstance), an update listener from its
/// construction to its destruction.
class BonusHandler : public Engine::IUpdateListener
{
public:
    /// What ends when an effect runs out.
    enum Kind
    {
        LowGravity = 0,    // gravity back to normal
        HighGravity = 1,   // gravity back to normal
        Darkness = 2       // the "Darken" compositor off
        // A negative kind ends nothing.
    };

    struct Effect
    {
        int kind;
        float remaining;   // seconds
    };

    /// Adds itself as an update listener of the application.
    BonusHandler();
    ~BonusHandler();

    /// An effect that ends after `seconds` of frames.
    void AddEffect(int kind, float seconds);
    const std::vector<Effect>& GetEffects() const { return effects; }
    /// Ends every effect now (a new game starts without the last one's).
    void EndAll();

    std::uint8_t GetPriority() override;
    /// Counts every effect down and ends those that ran out, in order.
    bool FrameStarted(float seconds) override;
    /// Puts a gravity back that had to wait for the physics step to end.
    bool FrameEnded(float seconds) override;

private:
    BonusHandler(const BonusHandler&) = delete;
    BonusHandler& operator=(const BonusHandler&) = delete;

    void End(int kind);
    void RestoreGravity();

    std::vector<Effect> effects;
    bool gravityPending;   // normal gravity is due but the physics step was still running
};

extern boost::shared_ptr<BonusHandler> bonusHandlerInstance;
