#!/usr/bin/env bash
# The C example (examples/c/sale.c) on the printer simulator, over its pseudo-terminal and over
# TCP: every step answers, and the sale is on the simulator's paper.
# Usage: c_example_test.sh FPSIM SALE-PROGRAM
set -euo pipefail
. "$(dirname "$0")/simulator.sh"
export QX_LOG_ROOT=$(mktemp -d)
trap 'sim_cleanup; rm -rf "$QX_LOG_ROOT"' EXIT
sim_start "$1"
"$2" "$SIM_PTY" | tee "$QX_LOG_ROOT/serial.txt"
"$2" tcp 127.0.0.1 "$SIM_PORT" | tee "$QX_LOG_ROOT/tcp.txt"
for run in serial tcp; do
  grep -q '^PRINTFR: receipt [0-9]' "$QX_LOG_ROOT/$run.txt"
  grep -q '^GETSTATUS: printer 99MEB012345, RT mode' "$QX_LOG_ROOT/$run.txt"
  grep -q '^CLOSE: done' "$QX_LOG_ROOT/$run.txt"
done
# The UTF-8 "CAFFÈ" crossed as UTF-16 and was printed in the printer's plain letters.
sim_wait_paper "CAFFE ESPRESSO"
sim_wait_paper "DOC.N. 0001-0002"
echo "the C example printed two receipts"
