#!/bin/sh
# Runs the Windows build's tests under Wine: the test program (under Xvfb when there
# is one, so that its console test has a console) and the end-to-end checks of
# tests/windows/end_to_end.py from the Linux side.
# Usage: scripts/test-windows.sh [BUILD_DIR]   (default build-windows)
set -e
build=${1:-build-windows}
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1600x1200x24" ctest --test-dir "$build" --output-on-failure
else
  ctest --test-dir "$build" --output-on-failure
fi
python3 tests/windows/end_to_end.py "$build"
