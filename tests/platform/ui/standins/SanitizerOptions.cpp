// The web engine frees some of its own objects through a base of another size, which the address
// sanitizer reports although no memory is misused; our own code never does it, and the rest of
// the sanitizer's checks stay on. Read by the sanitizer before main(), under whatever
// ASAN_OPTIONS the environment adds.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

// The web engine keeps process-lifetime objects that it never frees.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\n";
}
