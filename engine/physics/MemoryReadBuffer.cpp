#include "engine/physics/MemoryReadBuffer.h"

#include <cstring>

namespace Engine
{
    bool MemoryReadBuffer::ReadBuffer(void* bytes, std::size_t count)
    {
        if (count > size - position)
        {
            std::memset(bytes, 0, count);
            position = size;
            return false;
        }
        std::memcpy(bytes, data + position, count);
        position += count;
        return true;
    }
}
