// Sanitizer settings for this test program (they take effect only in sanitizer builds).
//
// The renderer's image codec (Codec_STBI, used for the terrain's height maps) hands back the
// pixels it got from stb_image's malloc and the renderer frees them with delete[]. That mismatch
// lies wholly inside the uninstrumented renderer libraries; every other check stays on.
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}
