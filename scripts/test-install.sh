#!/bin/sh
# Installs the .deb into a temporary root and checks the installed program: --help,
# the seeding of a fresh user data folder, the test map and the sample's conversion.
set -e
build=${1:-build}
deb=$(ls "$build"/mirvex_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/fs"
mirvex="$root/fs/usr/bin/mirvex"
export HOME="$root/home"
unset XDG_DATA_HOME
mkdir -p "$HOME"
data="$HOME/.local/share/mirvex"

"$mirvex" --help | grep -q "$data"
for file in config.ini object.txt point.dat line.dat poligon.dat help/index.html; do
  [ -f "$data/$file" ] || { echo "not seeded: $file"; exit 1; }
done
# An existing file is never overwritten.
echo "mine" > "$data/config.ini"
"$mirvex" --help >/dev/null
grep -q mine "$data/config.ini"
cp "$root/fs/usr/share/mirvex/config.ini" "$data/config.ini"

touch "$root/test.mp"
"$mirvex" testmap "$root/test.mp" | grep -q "Создание карты завершенно"
[ "$(stat -c %s "$root/test.mp")" -eq 4550123 ]
sample="$root/fs/usr/share/mirvex/sample"
"$mirvex" convert "$sample/sample.mif" "$sample/sample.mid" "$root/sample.mp" --set KolSt=3 --set TypeSt=1 \
  --set PodpSt=2 --set AutoSet=1 | grep -q "RGN80"
[ -s "$root/sample.mp" ]
# A data folder whose name has letters outside cp1251 is reported, not used under a
# changed name; --home still works.
odd="$root/zoë"
mkdir -p "$odd"
if HOME="$odd" "$mirvex" testmap "$root/test.mp" 2>"$root/odd.err"; then
  echo "a data folder outside cp1251 was used"; exit 1
fi
grep -q "cp1251" "$root/odd.err"
[ ! -e "$root/zo?" ] && [ -z "$(ls -A "$odd")" ]
HOME="$odd" "$mirvex" testmap "$root/test.mp" --home "$data" | grep -q "Создание карты завершенно"
[ -f "$root/fs/usr/share/applications/mirvex.desktop" ]
[ -f "$root/fs/usr/share/icons/hicolor/scalable/apps/mirvex.svg" ]
echo "install test: passed"
