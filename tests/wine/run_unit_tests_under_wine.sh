#!/bin/sh
# The unit tests that need no printer, built for Windows (tests_windows.exe of the windows or
# windows-x86 preset), run under wine.
#   run_unit_tests_under_wine.sh WINDOWS-BUILD-DIR x64|x86
set -eu
windir=$1 arch=$2
. "$(dirname "$0")/wine_prefix.sh"
tests_exe=$windir/tests/wine/tests_windows.exe
require_build "$tests_exe"
start_prefix
status=0
timeout 300 wine "$tests_exe" --gtest_brief=1 > "$work/tests.raw" 2>&1 || status=$?
tr -d '\r' < "$work/tests.raw"
[ $status -eq 0 ] || { echo "tests_windows.exe ($arch) under wine failed (status $status)"; exit 1; }
