// The sanitizers' defaults for every program of a sanitizer build; what the
// environment's ASAN_OPTIONS or TSAN_OPTIONS set still comes on top.
//
// libspeechd splits speech-dispatcher's voice list, thousands of lines, with
// one strstr() per line, and the checking strstr() of the sanitizers
// measures the whole rest of the list on every call: the list would take
// minutes. Without that check strstr() is still the C library's.
extern "C" const char *__asan_default_options();
extern "C" const char *__tsan_default_options();

extern "C" const char *__asan_default_options()
{
    return "intercept_strstr=0";
}

extern "C" const char *__tsan_default_options()
{
    return "intercept_strstr=0";
}
