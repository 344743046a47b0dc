#pragma once

namespace Engine
{
    /// A flag another thread can raise to end a wait in SocketLibrary::WaitReadable early
    /// (an eventfd). Raising it twice before the waiter wakes is the same as raising it once.
    class WakeSignal
    {
    public:
        WakeSignal();
        ~WakeSignal();
        WakeSignal(const WakeSignal&) = delete;
        WakeSignal& operator=(const WakeSignal&) = delete;

        void Raise();
        /// Lowers the flag; called by the waiter once it has woken.
        void Clear();
        int GetDescriptor() const { return descriptor; }

    private:
        int descriptor;
    };
}
