#!/usr/bin/env bash
# Dependencies point one way: the library never includes the substitute host or the command,
# and no library folder but exports/ includes exports/ (the outermost layer).
set -euo pipefail
cd "$(dirname "$0")/.."
found=0
if grep -rn -E '#include "(host|cli)/' brixel; then
    echo "library code includes host/ or cli/"
    found=1
fi
if grep -rn -E '#include "brixel/exports/' brixel --exclude-dir=exports; then
    echo "inner library code includes the exports layer"
    found=1
fi
if [ "$found" -eq 0 ]; then
    echo "layers point one way"
fi
exit "$found"
