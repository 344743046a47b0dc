#pragma once

namespace OverlayKit
{
    class Button;

    /// Receives button presses of the buttons whose callback names it. The toolkit keeps a raw
    /// pointer: the listener must outlive those buttons. Listeners are never deleted through this
    /// interface, hence the protected, non-virtual destructor.
    class OverlayKitListener
    {
    public:
        virtual void OnButtonPress(Button* button) = 0;

    protected:
        ~OverlayKitListener() = default;
    };
}
