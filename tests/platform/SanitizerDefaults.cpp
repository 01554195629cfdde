// What the sanitizers need to know about the Objective-C runtime in these programs.

extern "C" {

// The runtime's own allocations (class tables, +initialize) live until exit; everything the tests or
// Foundation allocate for us is still checked.
const char* __lsan_default_suppressions() { return "leak:libobjc.so\n"; }

// Without it, leak stacks end at the runtime's allocator and name no frame of ours.
const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

// One lock-order report inside Foundation's own start-up; races are still reported.
const char* __tsan_default_suppressions() { return "deadlock:libobjc.so\n"; }

}
