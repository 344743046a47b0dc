#pragma once
#include <cstddef>
#include <cstdint>

namespace Engine
{
    /// A byte stream for cooked physics data (written by CookConvexMesh, read by
    /// PhysicsSdk::CreateConvexMesh). Implementations decide where the bytes live.
    class PhysicsStream
    {
    public:
        virtual ~PhysicsStream() = default;

        virtual void StoreBuffer(const void* data, std::size_t size) = 0;
        /// Copies the next `size` bytes; false (and `data` zero-filled) when fewer remain.
        virtual bool ReadBuffer(void* data, std::size_t size) = 0;

        void StoreByte(std::uint8_t v) { StoreBuffer(&v, sizeof v); }
        void StoreWord(std::uint16_t v) { StoreBuffer(&v, sizeof v); }
        void StoreDword(std::uint32_t v) { StoreBuffer(&v, sizeof v); }
        void StoreFloat(float v) { StoreBuffer(&v, sizeof v); }
        void StoreDouble(double v) { StoreBuffer(&v, sizeof v); }

        std::uint8_t ReadByte() { std::uint8_t v; ReadBuffer(&v, sizeof v); return v; }
        std::uint16_t ReadWord() { std::uint16_t v; ReadBuffer(&v, sizeof v); return v; }
        std::uint32_t ReadDword() { std::uint32_t v; ReadBuffer(&v, sizeof v); return v; }
        float ReadFloat() { float v; ReadBuffer(&v, sizeof v); return v; }
        double ReadDouble() { double v; ReadBuffer(&v, sizeof v); return v; }
    };
}
