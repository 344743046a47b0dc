// What every fuzzer shares, whichever loop drives it.
#include "tests/fuzz/Fuzz.h"

#include <cstdlib>
#include <iostream>

// Sanitizer builds: the renderer's image codec frees stb_image's malloc'ed pixels with delete[]
// inside the uninstrumented renderer, and a fuzzer keeps its world alive until it exits on
// purpose; every other check stays on.
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0:detect_leaks=0";
}

namespace Fuzz
{
    void Fail(const std::string& what)
    {
        std::cerr << "\n==fuzz== fault: " << what << std::endl;
        std::abort();
    }
}
