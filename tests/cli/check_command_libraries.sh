#!/bin/sh
# The command carries its own code, the C++ runtime, yaml-cpp and GSL: it needs the C library
# alone (with the sanitizer runtimes in those builds), and never the plotting libraries, which
# its plotting module loads when a figure is asked for.
command="$1"
needed=$(readelf -d "$command" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if [ -z "$needed" ]; then
    echo "no shared libraries listed in $command: is it a dynamic executable?"
    exit 1
fi
unexpected=$(printf '%s\n' "$needed" |
    grep -v -E '^(libc|libm|libmvec|ld-linux-x86-64|libasan|libubsan)\.so\.[0-9]+$')
if [ -n "$unexpected" ]; then
    echo "$command needs more than the C library:"
    printf '  %s\n' $unexpected
    exit 1
fi
