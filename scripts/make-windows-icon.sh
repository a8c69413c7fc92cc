#!/bin/sh
# Makes ui/win32/mirvex.ico (16 to 256 pixels) from packaging/mirvex.svg; the icon is
# committed, so a build needs neither tool (Debian: librsvg2-bin, icoutils).
set -e
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert -w $size -h $size packaging/mirvex.svg -o "$work/$size.png"
done
icotool -c -o ui/win32/mirvex.ico "$work"/16.png "$work"/20.png "$work"/24.png "$work"/32.png "$work"/40.png \
  "$work"/48.png "$work"/64.png -r "$work"/256.png
echo ui/win32/mirvex.ico
