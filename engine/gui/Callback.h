#pragma once

namespace OverlayKit
{
    class Button;
    class OverlayKitListener;

    /// What a button does when pressed: nothing, call a function, notify a listener, or (set only
    /// by a window for its own title bar and resize handle) move or resize the window.
    /// A plain value; copies share the function and listener pointers, which are not owned.
    class Callback
    {
    public:
        typedef void (*Function)(Button*);

        enum Kind : unsigned char
        {
            NONE = 0,
            FUNCTION = 1,
            LISTENER = 2,
            MOVE_WINDOW = 3,
            RESIZE_WINDOW = 4
        };

        Callback();
        Callback(Function function);
        Callback(OverlayKitListener* listener);

        unsigned char GetKind() const { return kind; }
        Function GetFunction() const { return function; }
        OverlayKitListener* GetListener() const { return listener; }

    protected:
        friend class Window;

        explicit Callback(Kind windowKind);
        /// Runs a FUNCTION or LISTENER callback with the pressed button; other kinds are handled
        /// by the window. A null function or listener does nothing.
        void Run(Button* button) const;

        unsigned char kind;
        Function function;
        OverlayKitListener* listener;
    };
}
