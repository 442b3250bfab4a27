#!/usr/bin/env bash
# Builds everything (libraries, the office module, the program and its backup helper, every test)
# with AddressSanitizer and UndefinedBehaviorSanitizer into a folder of its own, and runs the
# tests there: a memory error, a leak or undefined behaviour in any of them fails the run.
# Usage: scripts/test-sanitize.sh [build-dir]   (after scripts/install-deps.sh)
# TALLYGUARD_WARNINGS_AS_ERRORS=ON (CI sets it) makes every compiler warning fail the build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build-asan}")

cmake -S "$here" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALLYGUARD_SANITIZE=ON -DTALLYGUARD_WARNINGS_AS_ERRORS="${TALLYGUARD_WARNINGS_AS_ERRORS:-OFF}" \
  >/dev/null
cmake --build "$build" -j"$(nproc)"

# Every process the tests start inherits these: the test programs, `tallyguard --backup-now` and
# the helper it starts. The office itself is not instrumented and ignores them.
#  - abort_on_error: a sanitizer report ends a process with SIGABRT, so the test programs' own
#    last-chance clean-up stops the office they started, and a test that checks the program's
#    exit status (0, 1, 2) sees a crash, never a status of its own.
#  - detect_stack_use_after_return: also catches references to a finished call's locals.
#  - fast_unwind_on_malloc=0: the C library and the office's libraries are built without frame
#    pointers; the slower unwinder gives a leak its whole stack, which the suppressions match.
#  - the leak suppressions name only code that is not Tallyguard's (see the file).
sanitize_dir="$here/tests/sanitize"
export ASAN_OPTIONS="abort_on_error=1:fast_unwind_on_malloc=0:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$sanitize_dir/lsan.supp:print_suppressions=0"

# The Qt widget tests run here too (offscreen). The desktop tests that drive the program in a
# whole X session with a tray and a notification server (label user) are left to the normal
# build: minutes each, and what they start is the program the command line tests run here. The
# benchmarks (label bench) are measured in the normal build only.
rm -f "$build/ctest-results.xml"
(cd "$build" && ctest --output-on-failure --timeout 900 -j1 -LE "user|bench|package" \
  --output-junit "$build/ctest-results.xml")
python3 "$here/scripts/skipped-tests.py" "sanitizer=$build/ctest-results.xml"

