#include "engine/physics/MemoryWriteBuffer.h"

#include <cstring>
#include <new>

#include "engine/physics/sdk/PhysicsAllocator.h"

namespace Engine
{
    MemoryWriteBuffer::~MemoryWriteBuffer()
    {
        if (data)
            PhysicsAllocator::GetDefault().Free(data);
    }

    void MemoryWriteBuffer::StoreBuffer(const void* bytes, std::size_t size)
    {
        if (size == 0)
            return;
        const std::size_t needed = currentSize + size;
        if (needed > maxSize)
        {
            // Grow with room for 4 KiB more, so that a stream of small stores copies rarely.
            PhysicsAllocator& allocator = PhysicsAllocator::GetDefault();
            const std::size_t capacity = needed + 4096;
            unsigned char* grown = static_cast<unsigned char*>(allocator.Malloc(capacity));
            if (!grown)
                throw std::bad_alloc();
            if (data)
            {
                std::memcpy(grown, data, currentSize);
                allocator.Free(data);
            }
            data = grown;
            maxSize = capacity;
        }
        std::memcpy(data + currentSize, bytes, size);
        currentSize = needed;
    }

    bool MemoryWriteBuffer::ReadBuffer(void* bytes, std::size_t size)
    {
        std::memset(bytes, 0, size);
        return size == 0;
    }
}
