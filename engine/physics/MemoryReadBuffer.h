#pragma once
#include <cstddef>

#include "engine/physics/sdk/PhysicsStream.h"

namespace Engine
{
    /// Reads bytes in order from memory it does not own (typically a MemoryWriteBuffer's data,
    /// which must outlive it). Reads past the end yield zeros and report failure.
    class MemoryReadBuffer : public PhysicsStream
    {
    public:
        MemoryReadBuffer(const unsigned char* data, std::size_t size) : data(data), size(size) {}

        /// Writing to a read buffer stores nothing.
        void StoreBuffer(const void*, std::size_t) override {}
        bool ReadBuffer(void* bytes, std::size_t count) override;

        std::size_t GetRemaining() const { return size - position; }

    private:
        const unsigned char* data;
        std::size_t size;
        std::size_t position = 0;
    };
}
