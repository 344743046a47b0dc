#include "Teardown.h"

#include "engine/core/Application.h"
#include "engine/gui/GUI.h"

#include <OgreOverlayManager.h>

void LeaveFrameLoop(Engine::IUpdateListener* listener, bool called)
{
    Engine::Application* application = Engine::Application::GetSingletonPtr();
    if (application && called)
        application->RemoveUpdateListener(listener);
}

void ReleaseGui(std::unique_ptr<OverlayKit::GUI>& gui)
{
    if (Ogre::OverlayManager::getSingletonPtr())
        gui.reset();
    else
        gui.release();  // NOLINT: its windows' elements no longer exist
}
