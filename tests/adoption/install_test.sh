#!/usr/bin/env bash
# The installed library as a new user meets it: the files in their places, the C example built
# with pkg-config and as a CMake project with find_package, both run on the installed printer
# simulator, the README's fpcall line with the installed examples, and the Python client.
#   install_test.sh prefix BUILD-DIR   cmake --install into a temporary prefix
#   install_test.sh deb BUILD-DIR      cpack -G DEB, dpkg -i (root only, as in CI), dpkg -r
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/simulator.sh"
package=qxrp-epsfpnat-20
work=$(mktemp -d)
installed=""
cleanup() {
  sim_cleanup
  if [ -n "$installed" ]; then dpkg --purge "$package" >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

case "$mode" in
  prefix)
    prefix="$work/prefix"
    cmake --install "$build" --prefix "$prefix" >"$work/install.txt"
    libdir=$(dirname "$(find "$prefix" -name 'libQXRP_EPSFPNAT_20.so.2' | head -n1)")
    [ -n "$libdir" ] && [ "$libdir" != . ] || fail "no libQXRP_EPSFPNAT_20.so.2 under $prefix"
    export PKG_CONFIG_PATH="$libdir/pkgconfig"
    cmake_prefix="-DCMAKE_PREFIX_PATH=$prefix"
    python_path="$prefix/lib/python3/dist-packages"
    # The installed programs find the library beside them; the C program is told where it is.
    run_env=(env "LD_LIBRARY_PATH=$libdir")
    ;;
  deb)
    if [ "$(id -u)" -ne 0 ]; then
      echo "SKIPPED: installing the Debian package needs root (dpkg -i); CI runs the suite as root"
      exit 77
    fi
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      echo "SKIPPED: $package is already installed on this machine; the test does not replace it"
      exit 77
    fi
    (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.txt") || { cat "$work/cpack.txt"; fail "cpack -G DEB"; }
    deb=$(ls "$work"/deb/*.deb)
    echo "package: $(basename "$deb")"
    dpkg-deb -f "$deb" Package Version Depends
    dpkg -i "$deb" >/dev/null
    installed=yes
    prefix=/usr
    libdir=$(dirname "$(dpkg -L "$package" | grep '/libQXRP_EPSFPNAT_20.so.2$')")
    cmake_prefix=""
    python_path=""
    run_env=(env)
    ;;
  *)
    fail "mode $mode: prefix or deb"
    ;;
esac

doc="$prefix/share/doc/QXRP_EPSFPNAT_20"
for f in "$prefix/include/QXRP_EPSFPNAT_20.h" "$libdir/libQXRP_EPSFPNAT_20.so" "$libdir/libQXRP_EPSFPNAT_20.so.2" \
         "$libdir/libQXRP_EPSFPNAT_20.so.2.10" "$libdir/pkgconfig/QXRP_EPSFPNAT_20.pc" \
         "$libdir/cmake/QXRP_EPSFPNAT_20/QXRP_EPSFPNAT_20Config.cmake" "$prefix/bin/fpcall" "$prefix/bin/fpsim" \
         "$doc/README.md" "$doc/LICENSE" "$doc/CHANGELOG.md" "$doc/examples/open.xml" "$doc/examples/c/sale.c" \
         "$doc/docs/schema/receipt.xsd" "$doc/docs/reference/index.md" "$prefix/lib/python3/dist-packages/qxrp/__init__.py"; do
  [ -e "$f" ] || fail "not installed: $f"
done
soname=$(readelf -d "$libdir/libQXRP_EPSFPNAT_20.so.2.10" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ "$soname" = libQXRP_EPSFPNAT_20.so.2 ] || fail "SONAME $soname"
[ "$(pkg-config --modversion QXRP_EPSFPNAT_20)" = 2.10 ] || fail "pkg-config --modversion"
[ "$("$prefix/bin/fpcall" --version)" = "fpcall 2.10" ] || fail "fpcall --version"
[ "$("$prefix/bin/fpsim" --version)" = "fpsim 2.10" ] || fail "fpsim --version"

# The C example with pkg-config, and as a CMake project with find_package.
cc -std=c11 -Wall -Wextra -Werror -o "$work/sale-pkgconfig" "$doc/examples/c/sale.c" \
   $(pkg-config --cflags --libs QXRP_EPSFPNAT_20)
cmake -S "$doc/examples/c" -B "$work/cmake-example" -G Ninja $cmake_prefix >"$work/cmake.txt" ||
  { cat "$work/cmake.txt"; fail "cmake with find_package"; }
cmake --build "$work/cmake-example" >"$work/cmake-build.txt" || { cat "$work/cmake-build.txt"; fail "cmake --build"; }

sim_start "$prefix/bin/fpsim"
export QX_LOG_ROOT="$work/logs"
"${run_env[@]}" "$work/sale-pkgconfig" "$SIM_PTY"
"$work/cmake-example/sale" tcp 127.0.0.1 "$SIM_PORT"
sim_wait_paper "DOC.N. 0001-0002"

# The README's line, with the installed sample requests; the installed fpcall finds the library.
(cd "$doc/examples" && QX_COM1="$SIM_PTY" "$prefix/bin/fpcall" OPEN open.xml GETSTATUS status.xml CLOSE close.xml) \
  >"$work/fpcall.txt" || { cat "$work/fpcall.txt"; fail "fpcall OPEN open.xml GETSTATUS status.xml CLOSE close.xml"; }
[ "$(grep -c '^result: 0$' "$work/fpcall.txt")" = 3 ] || { cat "$work/fpcall.txt"; fail "fpcall's three calls"; }
grep -q '<SerialNumber>99MEB012345</SerialNumber>' "$work/fpcall.txt" || fail "GETSTATUS through fpcall"

# The Python client from its installed place, the library found by the system's search; and
# the unversioned name that point-of-sale programs load.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
"${run_env[@]}" "$python" -c 'import ctypes; ctypes.CDLL("libQXRP_EPSFPNAT_20.so").OPEN' ||
  fail "dlopen of libQXRP_EPSFPNAT_20.so by name"
"${run_env[@]}" PYTHONPATH="$python_path" QXRP_LIBRARY= "$python" - "$SIM_PTY" <<'PY'
import sys
import qxrp
with qxrp.open_printer(qxrp.Serial(sys.argv[1]), log_id="pyinstalled") as printer:
    answer = printer.print_receipt(lines=[qxrp.ProductSale("PYTHON", amount="1.00", quantity=1, price="1.00",
                                                           department="1", tax_code="22")],
                                   payments=[qxrp.Payment("Cash", amount="1.00")])
print("python: receipt", answer.receipt_number, "with", qxrp.default_library().path)
PY
sim_wait_paper "PYTHON"
sim_stop

if [ "$mode" = deb ]; then
  # The README's quick starts as written, from the simulator on (the package is installed).
  readme=$(find "$here/../.." -maxdepth 1 -name README.md)
  quick() { # the indented lines of the README section $1
    awk -v title="## Quick start: a receipt from $1" '$0 == title {on = 1; next} /^## / {on = 0} on' "$readme" |
      sed -n 's/^    //p'
  }
  {
    echo 'set -e; trap "kill \$(jobs -p) 2>/dev/null" EXIT'
    quick C | sed -n '/^export QX_LOG_ROOT=/,$p'
    quick Python
  } | sed "s#/tmp/fpsim.txt#$work/fpsim.txt#g; s#QX_LOG_ROOT=/tmp/qxrp#QX_LOG_ROOT=$work/quicklogs#" >"$work/quickstart.sh"
  (cd "$work" && PATH="/usr/bin:$PATH" bash "$work/quickstart.sh") >"$work/quickstart.txt" 2>&1 ||
    { cat "$work/quickstart.sh" "$work/quickstart.txt"; fail "the README's quick start"; }
  grep -q '^CLOSE: done' "$work/quickstart.txt" || { cat "$work/quickstart.txt"; fail "the C quick start"; }
  grep -q '^receipt [0-9]* at ' "$work/quickstart.txt" || { cat "$work/quickstart.txt"; fail "the Python quick start"; }
  grep -q '^| CAFFE ' "$work/fpsim.txt" || { cat "$work/fpsim.txt"; fail "the quick start's receipts on the paper"; }
  [ -n "$(find "$work/quicklogs/LogFiles/FiscalPrinter" -name '*_till01_*.log')" ] || fail "the quick start's logs"
  echo "the README's quick starts work as written"
fi
echo "installed files work ($mode)"
