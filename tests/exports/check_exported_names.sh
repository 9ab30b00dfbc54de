#!/usr/bin/env bash
# Compares the names libbrixel.so exports with the contract's list. A name is what a symbol
# belongs to: the class of a member, vtable or typeinfo, or the function or data itself.
# Instantiations of standard-library templates, typeinfo of plain function types (of a
# std::function) and the sanitizer's ODR indicators are not ours and are left out. A name
# inside namespace brixel keeps its function name, so that one deliberately exported helper
# can be listed.
set -euo pipefail
library=$1
expected=$2
actual=$(nm -DC --defined-only "$library" |
    cut -d' ' -f3- |
    sed -E 's/^(vtable|typeinfo|typeinfo name|VTT|guard variable) for //' |
    grep -v -E '^(std|__gnu_cxx)::|^(void|bool|char|int|long|float|double)\b|^__(odr_asan|asan|ubsan)' |
    sed -E 's/[(<].*$//; /^brixel::/!s/::.*$//' |
    sort -u)
if ! diff <(printf '%s\n' "$actual") <(grep -v -E '^(#|$)' "$expected" | sort -u); then
    echo "exported names differ from $expected (< exported only, > expected only)"
    exit 1
fi
echo "exported names match $(grep -c -v -E '^(#|$)' "$expected") expected"
