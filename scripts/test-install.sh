#!/bin/sh
# Installs the .deb into a temporary root and checks the installed program: --help,
# the seeding of a fresh user data folder, the test map and the sample's conversion,
# the window program beside the command line, and that the command line links no Qt
# library and converts the sample where no Qt library can be reached at all.
set -e
build=${1:-build}
deb=$(ls "$build"/mirvex_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/fs"
mirvex="$root/fs/usr/bin/mirvex"
window="$root/fs/usr/bin/mirvex-window"
export HOME="$root/home"
unset XDG_DATA_HOME
mkdir -p "$HOME"
data="$HOME/.local/share/mirvex"

"$mirvex" --help | grep -q "$data"
for file in mirvex.ini config.ini object.txt point.dat line.dat poligon.dat help/index.html; do
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
grep -qx "Exec=mirvex-window" "$root/fs/usr/share/applications/mirvex.desktop"
[ -f "$root/fs/usr/share/icons/hicolor/scalable/apps/mirvex.svg" ]

# The window is its own program beside mirvex, and only it links Qt.
[ -x "$window" ] || { echo "not installed: /usr/bin/mirvex-window"; exit 1; }
if ldd "$mirvex" | grep -i qt; then echo "mirvex links Qt"; exit 1; fi
ldd "$window" | grep -q libQt6Widgets
if ldd "$mirvex" "$window" | grep "not found"; then echo "a library is missing"; exit 1; fi
# mirvex without a command: without a display it says so itself; with a display that
# does not answer, the message is the window's, so the window beside it was started.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$mirvex" 2>"$root/window.err" || status=$?
[ "$status" -eq 2 ] && grep -q "Нет дисплея" "$root/window.err"
status=0
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987 "$mirvex" 2>"$root/window.err" || status=$?
[ "$status" -eq 2 ] && grep -q "Не удалось открыть окно" "$root/window.err"

# mirvex where Qt cannot be reached: a root folder holding only mirvex, the libraries
# ldd lists for it, the program files and the sample, entered with chroot (as root)
# or in a user namespace. The window program, copied in too, must fail to load there
# for want of Qt: that shows Qt is really out of reach.
jail="$root/jail"
mkdir -p "$jail/usr/bin" "$jail/home" "$jail/out"
cp "$mirvex" "$window" "$jail/usr/bin/"
for lib in $(ldd "$mirvex" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}'); do
  mkdir -p "$jail$(dirname "$lib")"
  cp -L "$lib" "$jail$lib"
done
cp -r "$sample" "$jail/sample"
cp "$root/fs/usr/share/mirvex/config.ini" "$root/fs/usr/share/mirvex/object.txt" "$jail/home/"
if [ "$(id -u)" -eq 0 ]; then
  enter="chroot"
elif unshare -r true 2>/dev/null; then
  enter="unshare -r chroot"
else
  echo "the check without Qt needs root (chroot) or user namespaces (unshare -r)"; exit 1
fi
if $enter "$jail" /usr/bin/mirvex-window 2>"$root/jail.err"; then
  echo "the window started without Qt: Qt is not hidden"; exit 1
fi
grep -q "libQt6" "$root/jail.err"
$enter "$jail" /usr/bin/mirvex convert /sample/sample.mif /sample/sample.mid /out/sample.mp --home /home \
  --set KolSt=3 --set TypeSt=1 --set PodpSt=2 --set AutoSet=1 | grep -q "RGN80"
cmp "$root/sample.mp" "$jail/out/sample.mp"
echo "install test: passed"
