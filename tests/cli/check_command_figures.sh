#!/bin/sh
# The command draws through its plotting module: one run with figures gives PNG and SVG files
# of what they claim to be, and a command without its module says so and fails.
command="$1"
examples="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "$1"
    exit 1
}

"$command" run "$examples/hydrocyclone.yaml" --plots "$work/figures" >"$work/report" ||
    fail "the run with figures failed"
pngs=0
svgs=0
for png in "$work"/figures/*.png; do
    [ -f "$png" ] || continue
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
        fail "$png is not a PNG file"
    pngs=$((pngs + 1))
done
for svg in "$work"/figures/*.svg; do
    [ -f "$svg" ] || continue
    grep -q "<svg" "$svg" || fail "$svg is not an SVG file"
    svgs=$((svgs + 1))
done
[ "$pngs" -ge 2 ] && [ "$svgs" -eq "$pngs" ] || fail "expected PNG and SVG pairs, got $pngs and $svgs"

# Alone in a folder, the command finds no module: a clear message and a failed run.
mkdir "$work/alone"
cp "$command" "$work/alone/brixel"
if "$work/alone/brixel" run "$examples/hydrocyclone.yaml" --plots "$work/lost" \
    >/dev/null 2>"$work/errors"; then
    fail "the run without the plotting module reported success"
fi
grep -q "cannot load libbrixel_plots.so" "$work/errors" ||
    fail "no message naming the missing module: $(cat "$work/errors")"
