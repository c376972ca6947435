// QtDBus hands every message to a thread of its own, where Qt and libdbus,
// neither instrumented, free what our code built, after synchronising in
// ways TSan cannot see. GCC 12's TSan fails an internal check while it
// builds the report of such a free, even one the suppressions would drop,
// so in the programs that speak D-Bus the calls that uninstrumented
// libraries make are left alone. Our own threads are watched as before.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
