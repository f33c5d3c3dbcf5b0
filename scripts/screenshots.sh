#!/bin/bash
# Saves a PNG of every state of the desktop window (start panel, movies added,
# option tabs, preferences, output list, load failure) under out/screenshots/.
# The window is shown on a virtual X display, so no desktop is needed.
#   BUILD_DIR  build folder with the program's tests (default: build)
#   OUT_DIR    where the PNGs go (default: out/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
OUT_DIR=${OUT_DIR:-out/screenshots}

cmake --build "$BUILD_DIR" -j"$(nproc)" --target app_screenshots_test
mkdir -p "$OUT_DIR"
rm -f "$OUT_DIR"/*.png
out=$(realpath "$OUT_DIR")
# A private home: the window writes its settings and temp files there.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=xcb SHRINKWELL_SCREENSHOTS=$out \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/tests/app/app_screenshots_test" -silent
ls -1 "$out"
