// AddressSanitizer defaults for the fuzz targets (ASAN_OPTIONS still overrides them).
//
// One input allocates well under a megabyte, so a 16 MB quarantine still holds everything an input
// frees while it runs; the default 256 MB only makes every run touch fresh pages. Five frames of
// allocation stack are enough to place a fault in the scanner, and cheaper to record on every new.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16:malloc_context_size=5";
}
