#!/bin/sh
# Unpacks the Windows zip into a fresh Wine prefix (a Windows that has seen nothing of
# the build) and follows its README.txt: cmd.exe, the folder, the sample's conversion,
# whose result must be the reviewed map byte for byte; then the test map; then opens
# the window (mirvex.exe without a command, under Xvfb) and converts the sample there.
# Usage: scripts/test-windows-package.sh [BUILD_DIR]   (default build-windows)
set -e
build=${1:-build-windows}
cd "$(dirname "$0")/.."
zip=$(ls "$build"/mirvex-*-windows-x64.zip | head -n 1)
name=$(basename "$zip" .zip)
root=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$root"' EXIT
export WINEPREFIX="$root/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true
wineserver -w
unzip -q "$zip" -d "$WINEPREFIX/drive_c/Mirvex"
folder="$WINEPREFIX/drive_c/Mirvex/$name"

# README.txt is Russian in cp1251 with CR LF and names the command it tells to type.
iconv -f cp1251 -t utf-8 "$folder/README.txt" | grep -q "mirvex.exe convert sample\\\\sample.mif sample\\\\sample.mid sample.mp"
[ "$(grep -c "$(printf '\r')$" "$folder/README.txt")" -eq "$(wc -l < "$folder/README.txt")" ]

wine cmd /c "cd /d C:\\Mirvex\\$name && mirvex.exe convert sample\\sample.mif sample\\sample.mid sample.mp" \
  >"$root/out.txt" 2>&1
grep -q "Конвертация завершена" "$root/out.txt" || { cat "$root/out.txt"; exit 1; }
cmp "$folder/sample.mp" tests/data/sample.expected.mp
touch "$folder/test.mp"
wine cmd /c "cd /d C:\\Mirvex\\$name && mirvex.exe testmap test.mp" >"$root/out.txt" 2>&1
[ "$(stat -c %s "$folder/test.mp")" -eq 4550123 ] || { cat "$root/out.txt"; exit 1; }

# The window, driven from outside as a user would drive it; Wine started again with
# the display, which its first start (without one) did not have.
wineserver -k 2>/dev/null || true
wineserver -w
cp "$build/mirvex_win32_drive.exe" "$WINEPREFIX/drive_c/"
xvfb-run -a -s "-screen 0 1280x1024x24" wine "C:\\mirvex_win32_drive.exe" "C:\\Mirvex\\$name\\mirvex.exe" \
  "C:\\Mirvex\\$name\\sample\\sample.mif" "C:\\Mirvex\\$name\\sample\\sample.mid" \
  "C:\\Mirvex\\$name\\window.mp" >"$root/out.txt" 2>&1 || { cat "$root/out.txt"; exit 1; }
grep -q "Конвертация завершена" "$root/out.txt" || { cat "$root/out.txt"; exit 1; }
cmp "$folder/window.mp" tests/data/sample.expected.mp
echo "the Windows package installs, converts the sample from cmd.exe and from its window in a fresh Wine prefix"
