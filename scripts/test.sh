#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test: unit tests, the fuzzer (bounded),
# the backup pass against a real headless office suite, and the desktop program under Xvfb; then
# cross-builds the Windows program and runs its tests under Wine; last, the Linux build again with
# AddressSanitizer and UndefinedBehaviorSanitizer, and its tests (scripts/test-sanitize.sh).
# Every process the tests start is stopped by the tests themselves. The README's run command's
# headless demonstration runs once too, so that it can't stop working unnoticed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${TALLYGUARD_BUILD_DIR:-$here/build}")
windows_build=$(realpath -m "${TALLYGUARD_WINDOWS_BUILD_DIR:-$here/build-win}")
sanitize_build=$(realpath -m "${TALLYGUARD_SANITIZE_BUILD_DIR:-$here/build-asan}")

# The last line, however the run ends: how many tests each suite skipped, and which (each
# suite's ctest leaves its results in ctest-results.xml; one not reached says "did not run").
rm -f "$build/ctest-results.xml" "$windows_build/ctest-results.xml" \
  "$sanitize_build/ctest-results.xml"
report_skipped() {
  python3 "$here/scripts/skipped-tests.py" "Linux=$build/ctest-results.xml" \
    "Windows under Wine=$windows_build/ctest-results.xml" \
    "sanitizer=$sanitize_build/ctest-results.xml" || true
}
trap report_skipped EXIT

"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --timeout 900 -j1 --output-junit "$build/ctest-results.xml")
# The README's run command, headless, on the build just made: it must keep making its copies.
demo_shot=$(mktemp --suffix=.png)
TALLYGUARD_BUILD_DIR="$build" TALLYGUARD_DEMO_SCREENSHOT="$demo_shot" \
  bash "$here/scripts/run-demo.sh" --headless
rm -f "$demo_shot"
"$here/scripts/test-windows.sh" "$windows_build"
"$here/scripts/test-sanitize.sh" "$sanitize_build"
