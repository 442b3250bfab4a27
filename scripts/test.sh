#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test: unit tests, the fuzzer (bounded),
# the backup pass against a real headless office suite, and the desktop program under Xvfb; then
# cross-builds the Windows program and runs its tests under Wine; last, the Linux build again with
# AddressSanitizer and UndefinedBehaviorSanitizer, and its tests (scripts/test-sanitize.sh).
# Every process the tests start is stopped by the tests themselves. The README's run command's
# headless demonstration runs once too, so that it can't stop working unnoticed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TALLYGUARD_BUILD_DIR:-$here/build}

"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --timeout 900 -j1)
# The README's run command, headless, on the build just made: it must keep making its copies.
demo_shot=$(mktemp --suffix=.png)
TALLYGUARD_BUILD_DIR="$build" TALLYGUARD_DEMO_SCREENSHOT="$demo_shot" \
  bash "$here/scripts/run-demo.sh" --headless
rm -f "$demo_shot"
"$here/scripts/test-windows.sh" "${TALLYGUARD_WINDOWS_BUILD_DIR:-$here/build-win}"
"$here/scripts/test-sanitize.sh" "${TALLYGUARD_SANITIZE_BUILD_DIR:-$here/build-asan}"
