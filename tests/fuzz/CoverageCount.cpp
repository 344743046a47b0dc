// Edge coverage for the blind loop in a build instrumented for libFuzzer: the instrumentation
// hands every module's 8-bit edge counters to this function as the module loads, and an edge
// counts as covered once its counter is not zero. As libFuzzer's "cov:", only what inputs reach
// counts: the counters are cleared once the driver has started.
#include "tests/fuzz/Fuzz.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace
{
    std::vector<std::pair<const std::uint8_t*, const std::uint8_t*>>& Ranges()
    {
        static std::vector<std::pair<const std::uint8_t*, const std::uint8_t*>> ranges;
        return ranges;
    }
}

extern "C" void __sanitizer_cov_8bit_counters_init(std::uint8_t* start, std::uint8_t* stop)
{
    if (start != stop)
        Ranges().emplace_back(start, stop);
}

namespace Fuzz
{
    void ClearCoverage()
    {
        for (const auto& range : Ranges())
            std::fill(const_cast<std::uint8_t*>(range.first), const_cast<std::uint8_t*>(range.second), 0);
    }

    long CoveredEdges()
    {
        long covered = 0;
        for (const auto& range : Ranges())
            for (const std::uint8_t* counter = range.first; counter < range.second; ++counter)
                covered += *counter != 0;
        return covered;
    }
}
