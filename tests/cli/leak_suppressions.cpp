// The figures' libraries keep process-long caches that the leak checker would report at exit:
// fontconfig's font patterns (through pango and cairo) and the driver handles PLplot opens
// with libltdl on every page and never closes. None of them is brixel's memory.
// tests/cli/figure_leaks.supp says the same for the command.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libltdl.so\n";
}
