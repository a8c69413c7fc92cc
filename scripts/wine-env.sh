# Sourced by the Windows scripts: a Wine of its own for the build folder, quiet, with
# no offer to install Mono or Gecko, made ready once. Expects $build.
WINEPREFIX="$(cd "$build" && pwd)/wine-prefix"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
