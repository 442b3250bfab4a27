#!/bin/sh
# Times the backup pass against a bare loop of typed store calls (N open spreadsheets, 10x10 and
# 100k cells) and a late-bound call against a typed one, in a headless LibreOffice of its own; then
# Keep Copies over unchanged workbooks, without and with the change watch (its calls, an edit's
# time, a close-time copy, the watch program's memory); and two versions of a workbook compared
# (the office's reads and the diff apart) and a copy restored over the open workbook.
#
#   bench/office_bench.sh [build dir (default build-bench)] [counts (default 1,10,50)] [repetitions (default 3)]
#                         [unchanged workbooks (default 10)] [their rows of 100 cells (default 1000)]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
counts=${2:-1,10,50}
repetitions=${3:-3}
unchanged=${4:-10}
rows=${5:-1000}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    -DTALLYGUARD_BUILD_DESKTOP=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tallyguard_office_bench tallyguard_watch >/dev/null
exec "$build/tests/adapters/uno/tallyguard_office_bench" "$counts" "$repetitions" "$unchanged" "$rows" \
  "$build/bin/tallyguard-watch"
