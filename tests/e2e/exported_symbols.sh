#!/bin/sh
# The shared library exports exactly the request functions, VERSION and the string allocator.
set -eu
expected="CLOSE DISPLAY EJREPORT GETDEPTTABLE GETDRSTATUS GETEJFILES GETLOTTERYRCPTSTATUS GETSTATUS GETVATTABLE OPEN OPENDR PAY PRINTFR PRINTNFR PRINTXR PRINTZR REPRINTFR SET SETDATETIME SETDEPTTABLE SETVATTABLE SysAllocStringLen SysFreeString SysStringLen VERSION"
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
want=$(printf '%s\n' $expected | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$want" ]; then
  echo "exported: $actual"
  echo "expected: $want"
  exit 1
fi
echo "25 exported functions, as expected"
