#include "engine/net/WakeSignal.h"
#include "engine/core/Error.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include <sys/eventfd.h>
#include <unistd.h>

namespace Engine
{
    WakeSignal::WakeSignal()
        : descriptor(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    {
        if (descriptor < 0)
            ThrowError("Engine::WakeSignal::WakeSignal",
                       std::string("Can't create an event descriptor: ") + std::strerror(errno));
    }

    WakeSignal::~WakeSignal()
    {
        ::close(descriptor);
    }

    void WakeSignal::Raise()
    {
        const std::uint64_t one = 1;
        // Only fails when the counter would overflow, which leaves it raised anyway.
        while (::write(descriptor, &one, sizeof one) < 0 && errno == EINTR)
        {
        }
    }

    void WakeSignal::Clear()
    {
        std::uint64_t value;
        while (::read(descriptor, &value, sizeof value) < 0 && errno == EINTR)
        {
        }
    }
}
