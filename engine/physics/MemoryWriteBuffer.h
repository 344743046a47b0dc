#pragma once
#include <cstddef>

#include "engine/physics/sdk/PhysicsStream.h"

namespace Engine
{
    /// A growing byte array that cooked physics data is written into. Memory comes from the
    /// physics layer's allocator. Reading from it yields nothing (use MemoryReadBuffer).
    class MemoryWriteBuffer : public PhysicsStream
    {
    public:
        MemoryWriteBuffer() = default;
        ~MemoryWriteBuffer() override;
        MemoryWriteBuffer(const MemoryWriteBuffer&) = delete;
        MemoryWriteBuffer& operator=(const MemoryWriteBuffer&) = delete;

        void StoreBuffer(const void* data, std::size_t size) override;
        bool ReadBuffer(void* data, std::size_t size) override;

        const unsigned char* GetData() const { return data; }
        std::size_t GetSize() const { return currentSize; }
        std::size_t GetCapacity() const { return maxSize; }

    private:
        std::size_t currentSize = 0;
        std::size_t maxSize = 0;
        unsigned char* data = nullptr;
    };
}
