# Sourced by run_under_wine.sh and run_unit_tests_under_wine.sh after they set windir and arch
# (x64 or x86): the skip rule, the check that the build and the wine for it are there, and a fresh
# wine prefix without a display in $work, all removed at exit.
# Exit 77 (skipped) when something is missing, unless QX_REQUIRE_WINDOWS=1.
missing() {
  echo "$1"
  [ "${QX_REQUIRE_WINDOWS:-0}" = 1 ] && exit 1
  exit 77
}
case $arch in
  x64) preset=windows wine_loader=/usr/lib/wine/wine64 wine_package=wine64 ;;
  x86) preset=windows-x86 wine_loader=/usr/lib/wine/wine wine_package=wine32:i386 ;;
  *) echo "unknown Windows architecture '$arch' (x64 or x86)"; exit 2 ;;
esac
# require_build FILE...: the files of the Windows build that the test runs.
require_build() {
  for f in "$@"; do
    [ -f "$f" ] || missing "no Windows $arch build in $windir ($f is missing: cmake --preset $preset && cmake --build --preset $preset)"
  done
  command -v wine >/dev/null && [ -x "$wine_loader" ] || missing "wine for $arch programs is not installed ($wine_package: scripts/setup)"
}

work=$(mktemp -d)
sim_pid=""
stop_simulator() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  sim_pid=""
}
cleanup() {
  stop_simulator
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# start_prefix: a new prefix; the first start takes some seconds, later programs start at once.
start_prefix() {
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
  timeout 180 wine wineboot --init > "$work/wineboot.txt" 2>&1 || { cat "$work/wineboot.txt"; exit 1; }
}
