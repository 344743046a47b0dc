#pragma once

namespace Engine
{
    /// Names one play on one channel of the pool. The channel's generation changes whenever
    /// the play ends by stop or steal, so a handle to an earlier play no longer matches and
    /// calls through it do nothing.
    struct ChannelHandle
    {
        int slot = -1;            // -1: no channel
        unsigned generation = 0;

        bool IsSet() const { return slot >= 0; }
    };
}
