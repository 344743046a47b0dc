#pragma once
#include <memory>

namespace Engine { class IUpdateListener; }
namespace OverlayKit { class GUI; }

// The game's objects that live beside the application (the HUD, the menus, the state handler)
// may be destroyed before or after it, and before or after their first frame. These two steps
// are safe in every case.

/// Takes the listener out of the frame loop while the application exists. `called` tells
/// whether the loop has called it yet: until then it waits to join, and the application cannot
/// remove it, so it is left waiting (the owner is going away because of a failure).
void LeaveFrameLoop(Engine::IUpdateListener* listener, bool called);
/// Destroys the GUI while the overlay system exists. Once the overlay system is gone its
/// elements went with it, and the GUI is only forgotten.
void ReleaseGui(std::unique_ptr<OverlayKit::GUI>& gui);
