#!/bin/sh
# Renders every panel of the native Windows window under Wine and Xvfb into
# docs/screenshots/windows/: at 96 DPI (100 %), and the conversion and editing panels
# at 144 DPI (150 %) into docs/screenshots/windows/150/. Wine draws the window frames
# itself, as there is no window manager.
# Usage: scripts/windows-screenshots.sh [BUILD_DIR]   (default build-windows)
set -e
build=${1:-build-windows}
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
out=docs/screenshots/windows
shoot() {  # DPI FOLDER
  wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  mkdir -p "$2"
  xvfb-run -a -s "-screen 0 1920x1200x24" wine "$build/mirvex_win32_screenshots.exe" "Z:$(pwd)/$2" >/dev/null
  wineserver -w
  python3 scripts/bmp-to-png.py "$2"
}
shoot 96 "$out"
shoot 144 "$out/150"
wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
wineserver -w
ls "$out" "$out/150"
