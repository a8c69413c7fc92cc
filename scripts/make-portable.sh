#!/bin/sh
# Builds the portable archive: one folder holding the two executables (the command
# line mirvex, and the window mirvex-window that `mirvex` without a command starts
# from its own folder) with the program folder's files beside them (settings are kept
# there when it can be written).
# Usage: scripts/make-portable.sh BUILD_DIR  -> BUILD_DIR/mirvex-1.0.0-portable.tar.gz
set -e
build=${1:-build}
cd "$(dirname "$0")/.."
name=mirvex-1.0.0-portable
stage="$build/portable/$name"
rm -rf "$build/portable"
mkdir -p "$stage"
cp "$build/mirvex" "$build/mirvex-window" "$stage/"
cp data/config.ini data/object.txt data/point.dat data/line.dat data/poligon.dat "$stage/"
cp -r data/help data/sample "$stage/"
cp packaging/mirvex.svg packaging/mirvex.desktop "$stage/"
# Qt's Russian texts for its own dialogs, for a machine whose Qt has none.
mkdir -p "$stage/translations"
cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/translations/"
tar -C "$build/portable" -czf "$build/$name.tar.gz" "$name"
echo "$build/$name.tar.gz"
