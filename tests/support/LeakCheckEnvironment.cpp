// The environment of the test programs in sanitizer builds, set while their statics are made,
// before any interpreter or toolkit reads it.
//
// Python keeps its small objects in arenas of its own, mapped outside the heap, where the leak
// checker does not look for pointers: whatever only a script object refers to (a controller
// manager a script holds, Boost.Python's classes) would be reported lost. With the plain
// allocator every script object is a heap block the checker reads.
//
// The toolkit's accessibility bridge connects to a session bus while the toolkit starts and
// keeps that connection's buffers unreachable for good; the dialogs are tested without it.
#if defined(__SANITIZE_ADDRESS__)
#include <cstdlib>

namespace
{
    [[maybe_unused]] const bool pythonUsesTheHeap = setenv("PYTHONMALLOC", "malloc", 0) == 0;
    [[maybe_unused]] const bool noAccessibilityBus = setenv("NO_AT_BRIDGE", "1", 0) == 0;
}
#endif
