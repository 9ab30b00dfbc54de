#!/usr/bin/env bash
# Installs the build's package into a staging prefix, builds the consumer project against it
# with find_package(brixel) and runs it.
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
cmake --install "$build" --prefix "$work/stage" >/dev/null
cmake -S "$(dirname "$0")" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/stage" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/consumer"
