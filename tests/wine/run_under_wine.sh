#!/bin/sh
# The Windows DLL under wine, as a POS program uses it, compared with the Linux library.
#   run_under_wine.sh WINDOWS-BUILD-DIR x64|x86 FPSIM LINUX-POS-PROBE LINUX-LIBRARY
# 1. objdump: the DLL is PE32+ (x64) or PE32 (x86), exports exactly the 22 functions by their
#    plain names and imports system libraries only.
# 2. pos_probe.exe under wine (a fresh prefix, no display) against the simulator over TCP and over
#    COM1, mapped to the simulator's pseudo-terminal; the 32-bit probe checks the stack pointer
#    around every export call.
#    A program that exits with the printer open and the DLL loaded ends without hanging.
#    platform_checks.exe: the Windows platform files on their own (paths, files, locales, ...),
#    HTTP against a small python web server on 127.0.0.1 (http_test_server.py).
# 3. pos_probe on Linux against the shared object with a simulator of its own: same transcript.
# Exit 77 (skipped) when the Windows build or wine is missing, unless QX_REQUIRE_WINDOWS=1.
set -eu
windir=$1 arch=$2 fpsim=$3 probe=$4 solib=$5
. "$(dirname "$0")/wine_prefix.sh"
dll=$windir/src/QXRP_EPSFPNAT_20.dll
probe_exe=$windir/tests/wine/pos_probe.exe
checks_exe=$windir/tests/wine/platform_checks.exe
objdump=x86_64-w64-mingw32-objdump  # reads PE32 and PE32+ alike
require_build "$dll" "$probe_exe" "$checks_exe"
command -v $objdump >/dev/null || missing "mingw-w64 binutils are not installed"

# ---- 1. the DLL's exports and imports
$objdump -p "$dll" > "$work/objdump.txt"
format=$(sed -n 's/.*file format //p' "$work/objdump.txt" | head -1)
want_format=pei-x86-64
[ "$arch" = x86 ] && want_format=pei-i386
[ "$format" = "$want_format" ] || { echo "DLL format $format, expected $want_format"; exit 1; }
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^\t\[/ {print $NF; next} t {t=0}' "$work/objdump.txt" | LC_ALL=C sort | tr '\n' ' ')
want=$(printf '%s\n' PRINTFR REPRINTFR PRINTXR PRINTZR PRINTNFR DISPLAY OPENDR GETSTATUS SET SETDATETIME OPEN \
  GETDRSTATUS EJREPORT CLOSE GETVATTABLE SETVATTABLE GETDEPTTABLE SETDEPTTABLE PAY GETLOTTERYRCPTSTATUS GETEJFILES \
  VERSION | LC_ALL=C sort | tr '\n' ' ')
if [ "$exports" != "$want" ]; then
  echo "DLL exports: $exports"
  echo "expected:    $want"
  exit 1
fi
imports=$(awk '/DLL Name:/ {print tolower($3)}' "$work/objdump.txt" | LC_ALL=C sort -u | tr '\n' ' ')
for lib in $imports; do
  case $lib in
    kernel32.dll|msvcrt.dll|oleaut32.dll|ws2_32.dll|shell32.dll|winhttp.dll|user32.dll|advapi32.dll|ntdll.dll) ;;
    gdi32.dll|ole32.dll|windowscodecs.dll|winspool.drv) ;;
    api-ms-win-*) ;;
    *) echo "DLL imports a library that is not the system's: $lib (imports: $imports)"; exit 1 ;;
  esac
done
echo "$format DLL; exports: 22 functions as expected; imports: $imports"

# ---- the simulator, one per run so that both runs meet the same printer state
start_simulator() {
  : > "$work/sim.out"
  "$fpsim" --quiet > "$work/sim.out" 2>&1 &
  sim_pid=$!
  tries=0
  until grep -q '^fpsim: serial' "$work/sim.out"; do
    tries=$((tries + 1))
    [ $tries -gt 200 ] && { echo "fpsim did not start:"; cat "$work/sim.out"; exit 1; }
    sleep 0.05
  done
  pty=$(sed -n 's/^fpsim: pseudo-terminal //p' "$work/sim.out")
  port=$(sed -n 's/^fpsim: tcp 127\.0\.0\.1://p' "$work/sim.out")
}

# ---- 2. under wine
start_prefix
start_simulator
# COM1 is the simulator's pseudo-terminal. Wine remakes dosdevices/com1 from its registry whenever
# its server starts, so the port is mapped there too, and the server restarted to take it.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pty" /f > "$work/reg.txt" 2>&1 ||
  { cat "$work/reg.txt"; exit 1; }
timeout 60 wineserver -k || true
timeout 60 wineserver -w || true
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com1"
# The DLL beside the program, as a POS program ships it.
mkdir -p "$work/bin" "$work/logs-windows"
cp "$probe_exe" "$dll" "$work/bin/"
status=0
QX_LOG_ROOT="Z:$work/logs-windows" timeout 300 wine "$work/bin/pos_probe.exe" QXRP_EPSFPNAT_20.dll "$port" COM1 \
  > "$work/windows.raw" 2> "$work/windows.err" || status=$?
tr -d '\r' < "$work/windows.raw" > "$work/windows.txt"
stop_simulator
if [ $status -ne 0 ]; then
  echo "pos_probe.exe under wine failed (status $status):"
  grep -v '^[A-Z]* .*: result' "$work/windows.txt" || true
  tail -20 "$work/windows.err"
  exit 1
fi
echo "under wine: $(tail -1 "$work/windows.txt")"
if [ "$arch" = x86 ]; then
  # The 32-bit probe reports its stack-pointer checks; a __stdcall mistake would have failed it.
  grep '^stack pointer checked around' "$work/windows.err" || { echo "no stack-pointer checks in the 32-bit probe"; exit 1; }
fi
# A program that exits with its printer open and the DLL loaded ends at once.
start_simulator
status=0
QX_LOG_ROOT="Z:$work/logs-windows" timeout 120 wine "$work/bin/pos_probe.exe" QXRP_EPSFPNAT_20.dll "$port" - \
  --exit-while-open > "$work/exit.txt" 2>&1 || status=$?
stop_simulator
if [ $status -ne 0 ]; then
  echo "exit with a printer open (status $status):"
  cat "$work/exit.txt"
  exit 1
fi
echo "exit with a printer open: ended at once"
: > "$work/www.out"
python3 "$(dirname "$0")/http_test_server.py" 0 > "$work/www.out" 2>&1 &
www_pid=$!
tries=0
until grep -q '^Serving HTTP on' "$work/www.out"; do
  tries=$((tries + 1))
  [ $tries -gt 200 ] && { echo "the web server did not start:"; cat "$work/www.out"; kill $www_pid; exit 1; }
  sleep 0.05
done
www_port=$(sed -n 's/^Serving HTTP on 127\.0\.0\.1 port \([0-9]*\).*/\1/p' "$work/www.out")
status=0
env -u http_proxy -u HTTP_PROXY -u https_proxy -u HTTPS_PROXY \
  timeout 120 wine "$checks_exe" "http://127.0.0.1:$www_port" > "$work/checks.txt" 2>&1 || status=$?
kill $www_pid 2>/dev/null || true
wait $www_pid 2>/dev/null || true
tr -d '\r' < "$work/checks.txt"
[ $status -eq 0 ] || exit 1

# ---- 3. the Linux library with the same requests
start_simulator
mkdir -p "$work/logs-linux"
status=0
QX_LOG_ROOT="$work/logs-linux" timeout 300 "$probe" "$solib" "$port" "$pty" > "$work/linux.txt" 2>&1 || status=$?
stop_simulator
if [ $status -ne 0 ]; then
  echo "pos_probe on Linux failed (status $status):"
  grep -v '^[A-Z]* .*: result' "$work/linux.txt" || true
  exit 1
fi
if ! diff -u "$work/linux.txt" "$work/windows.txt" > "$work/diff.txt"; then
  echo "The DLL under wine answers differently from the Linux library:"
  cut -c1-400 "$work/diff.txt"
  exit 1
fi
echo "same answers on Linux and under wine: $(grep -c ': result' "$work/linux.txt") calls"
