// ThreadSanitizer suppressions built into every test binary of a TSan build.
//
// deadlock:CTeeOutputPin::CompleteConnect -- connecting a tee output with another type
// reconnects the tee's input while the output's Connect holds the tee lock,
// so the tee lock is taken before the upstream filter's lock; connecting the
// upstream filter to the tee takes them the other way round. Both happen
// only inside the filter graph's connection calls, which hold the graph lock
// throughout, so the two orders never run at once. ThreadSanitizer does not
// know such an outer lock and reports the pair anyway.
extern "C" const char* __tsan_default_suppressions() {
  return "deadlock:CTeeOutputPin::CompleteConnect\n";
}
