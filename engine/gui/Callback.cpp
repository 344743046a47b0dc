#include "engine/gui/Callback.h"

#include "engine/gui/OverlayKitListener.h"

namespace OverlayKit
{
    Callback::Callback()
        : kind(NONE), function(nullptr), listener(nullptr)
    {
    }

    Callback::Callback(Function function)
        : kind(FUNCTION), function(function), listener(nullptr)
    {
    }

    Callback::Callback(OverlayKitListener* listener)
        : kind(LISTENER), function(nullptr), listener(listener)
    {
    }

    Callback::Callback(Kind windowKind)
        : kind(windowKind), function(nullptr), listener(nullptr)
    {
    }

    void Callback::Run(Button* button) const
    {
        if (kind == FUNCTION && function)
            function(button);
        else if (kind == LISTENER && listener)
            listener->OnButtonPress(button);
    }
}
