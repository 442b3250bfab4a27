#!/usr/bin/env bash
# Installs what the tests need, builds, and runs every test: unit tests, the fuzzer (bounded),
# the backup pass against a real headless office suite, and the desktop program under Xvfb; then
# cross-builds the Windows program and runs its tests under Wine; last, the Linux build again with
# AddressSanitizer and UndefinedBehaviorSanitizer, and its tests (scripts/test-sanitize.sh).
# Every process the tests start is stopped by the tests themselves.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TALLYGUARD_BUILD_DIR:-$here/build}

"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --timeout 900 -j1)
"$here/scripts/test-windows.sh" "${TALLYGUARD_WINDOWS_BUILD_DIR:-$here/build-win}"
"$here/scripts/test-sanitize.sh" "${TALLYGUARD_SANITIZE_BUILD_DIR:-$here/build-asan}"
