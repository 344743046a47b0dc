// AddressSanitizer settings for this test program (they take effect only in sanitizer builds).
//
// The renderer's image codec (Codec_STBI of Ogre 1.12) decodes into memory from malloc, and
// Ogre::Image later frees it with delete[]: a mismatch inside the renderer, harmless with glibc,
// that every height-map load would report. Other checks stay on.
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}
