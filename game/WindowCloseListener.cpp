#include "WindowCloseListener.h"

#include "engine/core/Application.h"

#include <OIS.h>
#include <OgreRenderWindow.h>

std::uint8_t WindowCloseListener::GetPriority()
{
    return 255;
}

bool WindowCloseListener::FrameStarted(float)
{
    Engine::Application* application = Engine::Application::GetSingletonPtr();
    Ogre::RenderWindow* window = application->GetRenderWindow();
    if (!window || window->isClosed())
        return false;
    OIS::Keyboard* keyboard = application->GetKeyboard();
    return !(keyboard && keyboard->isKeyDown(OIS::KC_ESCAPE));
}

bool WindowCloseListener::FrameEnded(float)
{
    Ogre::RenderWindow* window = Engine::Application::GetSingletonPtr()->GetRenderWindow();
    return window && !window->isClosed();
}
