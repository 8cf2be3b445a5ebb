// ThreadSanitizer options built into the programs of a TSan build.
//
// ignore_noninstrumented_modules=1 -- Qt and FFmpeg come from the system,
// built without ThreadSanitizer. Qt's mutexes and semaphores wait on futexes
// directly, which ThreadSanitizer cannot see, so every hand-off inside Qt's own
// thread pool (the image scaling behind a paint event) is reported as a race
// between two Qt frames. With this option the allocations and pthread calls
// made from those libraries are not tracked; every access our own code makes
// still is.
extern "C" const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}
