#!/bin/sh
# Builds the portable Windows package: one folder holding mirvex-window.exe (the window)
# and mirvex.exe (the command line), their C++ runtime linked in so that they run on a
# bare Windows 10, with the program folder's files beside them, the help, the sample
# and a README.txt in Russian (cp1251, CR LF).
# Usage: scripts/make-windows-package.sh BUILD_DIR -> BUILD_DIR/mirvex-<version>-windows-x64.zip
set -e
build=${1:-build-windows}
cd "$(dirname "$0")/.."
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION \(.*\))$/\1/p' CMakeLists.txt)
name=mirvex-$version-windows-x64
stage="$build/windows-package/$name"
rm -rf "$build/windows-package" "$build/$name.zip"
mkdir -p "$stage"
cp "$build/mirvex.exe" "$build/mirvex-window.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/mirvex.exe" "$stage/mirvex-window.exe"
cp data/config.ini data/object.txt data/point.dat data/line.dat data/poligon.dat "$stage/"
# The settings start as the sample map's, as in the build folder.
cp data/sample/mirvex.ini "$stage/"
cp -r data/help data/sample "$stage/"
cp packaging/windows/README.txt "$stage/"
(cd "$build/windows-package" && zip -qr -X "../$name.zip" "$name")
echo "$build/$name.zip"
