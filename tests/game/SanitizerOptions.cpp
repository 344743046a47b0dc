// Sanitizer settings for this test program (they take effect only in sanitizer builds).
//
// The renderer's image codec hands back the pixels it got from stb_image's malloc and the
// renderer frees them with delete[]: a mismatch wholly inside the uninstrumented renderer.
// The font library behind the toolkit's dialog keeps its font sets for the whole process and
// never releases them; nothing of ours allocates through it. Every other check stays on.
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
