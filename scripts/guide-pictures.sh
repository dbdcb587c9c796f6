#!/usr/bin/env bash
# Makes the user guide's pictures again from the sample paste, with the screenshot tool, into
# src/gui/resources/guide/images. Run it after a change to a window that the guide shows, look at the
# pictures, and commit them. Usage: bash scripts/guide-pictures.sh [SAMPLE_PASTE] (default: the shared
# sample beside the checkout).
set -euo pipefail
cd "$(dirname "$0")/.."
sample="${1:-${GORVANTA_SAMPLES:-../shared/samples}/item-paste.txt}"
[ -f "$sample" ] || { echo "guide-pictures.sh: no sample paste at $sample" >&2; exit 1; }
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j"$(nproc)" --target gorvanta_screenshots
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# Offscreen, at a fixed font and scale, so the pictures do not depend on the desktop running it.
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 build/tests/gui/ui/gorvanta_screenshots --guide "$out" "$sample"
cp "$out"/*.png src/gui/resources/guide/images/
du -ch src/gui/resources/guide/images/*.png | tail -1
