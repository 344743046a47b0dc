#include "WindowCloseListener.h"

#include "engine/core/Application.h"

#include <OgreRenderWindow.h>

std::uint8_t WindowCloseListener::GetPriority()
{
    return 255;
}

bool WindowCloseListener::FrameStarted(float)
{
    // Escape belongs to the state handler (back to the menu); only closing the window ends here.
    Ogre::RenderWindow* window = Engine::Application::GetSingletonPtr()->GetRenderWindow();
    return window && !window->isClosed();
}

bool WindowCloseListener::FrameEnded(float)
{
    Ogre::RenderWindow* window = Engine::Application::GetSingletonPtr()->GetRenderWindow();
    return window && !window->isClosed();
}
