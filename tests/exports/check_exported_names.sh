#!/usr/bin/env bash
# Compares the names libbrixel.so exports with the contract's list. A name is what a symbol
# belongs to: the class of a member, vtable or typeinfo, or the function or data itself.
# Instantiations of standard-library templates are not ours and are left out.
set -euo pipefail
library=$1
expected=$2
actual=$(nm -DC --defined-only "$library" |
    cut -d' ' -f3- |
    sed -E 's/^(vtable|typeinfo|typeinfo name|VTT|guard variable) for //' |
    grep -v -E '^(std|__gnu_cxx)::' |
    sed -E 's/[(<].*$//; s/::.*$//' |
    sort -u)
if ! diff <(printf '%s\n' "$actual") <(grep -v -E '^(#|$)' "$expected" | sort -u); then
    echo "exported names differ from $expected (< exported only, > expected only)"
    exit 1
fi
echo "exported names match $(grep -c -v -E '^(#|$)' "$expected") expected"
