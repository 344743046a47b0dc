// Sanitizer settings for this test program (they take effect only in sanitizer builds).
//
// The renderer's PNG codec plug-in hands decoded pixels over in a buffer it got from malloc,
// and the renderer's image class releases it with delete[]. Harmless with the system allocator,
// but AddressSanitizer reports the mismatch on every texture load; this program loads every
// texture of the game, so the check is switched off here (and only here).
extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}
