#!/usr/bin/env bash
# Builds Tallyguard, its tests and the naming-rules fuzzer. Usage: scripts/build.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
jobs=$(nproc)

cmake -S "$here/fuzz" -B "$build/fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/fuzz" -j"$jobs"

cmake -S "$here" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALLYGUARD_FUZZER_BINARY="$build/fuzz/backup_naming_fuzzer" >/dev/null
cmake --build "$build" -j"$jobs"
