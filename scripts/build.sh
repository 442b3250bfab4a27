#!/usr/bin/env bash
# Builds Tallyguard, its tests and the fuzzers. Usage: scripts/build.sh [build-dir]
# TALLYGUARD_WARNINGS_AS_ERRORS=ON (CI sets it) makes every compiler warning fail the build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
jobs=$(nproc)
werror=-DTALLYGUARD_WARNINGS_AS_ERRORS=${TALLYGUARD_WARNINGS_AS_ERRORS:-OFF}

cmake -S "$here/fuzz" -B "$build/fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "$werror" >/dev/null
cmake --build "$build/fuzz" -j"$jobs"

cmake -S "$here" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$werror" \
  -DTALLYGUARD_FUZZER_BINARY="$build/fuzz/backup_naming_fuzzer" \
  -DTALLYGUARD_PASS_FUZZER_BINARY="$build/fuzz/pass_protocol_fuzzer" \
  -DTALLYGUARD_PACKAGE_FUZZER_BINARY="$build/fuzz/package_comparison_fuzzer" >/dev/null
cmake --build "$build" -j"$jobs"
