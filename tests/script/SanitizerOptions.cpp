// Sanitizer settings for this test program (they take effect only in sanitizer builds).
//
// Python 3.11 keeps a few blocks after Py_Finalize once Boost.Python has been imported: the
// built-in types' dictionaries, made while the interpreter starts, are not released while
// Boost.Python's own types (which derive from them and last as long as the process) still refer
// to them. Only allocations made inside the interpreter's start-up are exempt. libpython has no
// frame pointers, so the slower full unwinder is needed to see that start-up frame at all.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:Py_InitializeFromConfig\n";
}
