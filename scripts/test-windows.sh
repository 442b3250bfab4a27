#!/usr/bin/env bash
# Cross-builds the Windows program (build-dir/bin/Tallyguard.exe) and its tests with mingw-w64,
# runs them under Wine in a throwaway prefix on a private Xvfb display (the tray and window tests
# need one), then makes and tries the zip and the installer; the prefix, its wineserver and the
# display are gone when the script ends; the window's screenshots stay in build-dir/artefacts.
# Usage: scripts/test-windows.sh [build-dir]
# TALLYGUARD_WARNINGS_AS_ERRORS=ON (CI sets it) makes every compiler warning fail the build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build-win}")  # absolute: the package test runs from inside it
jobs=$(nproc)

cmake -S "$here" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
  -DTALLYGUARD_WARNINGS_AS_ERRORS="${TALLYGUARD_WARNINGS_AS_ERRORS:-OFF}" >/dev/null
cmake --build "$build" -j"$jobs"

scratch=$(mktemp -d /tmp/tallyguard-wine.XXXXXX)
export WINEPREFIX=$scratch/prefix HOME=$scratch/home WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8 LANG=C.UTF-8
mkdir -p "$HOME" "$WINEPREFIX"
xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# A private display, so nothing shows on the user's desktop; large enough for the window at 200 %.
unset WAYLAND_DISPLAY
display=:$((90 + RANDOM % 800))
Xvfb "$display" -screen 0 1280x1280x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display TALLYGUARD_WINDOWS_DISPLAY=1

started=$(date +%s)
# One server for the whole run (else every test pays for starting one); no crash dialog to hang
# a crashing test; a virtual desktop, so the tray works without a window manager, that holds the
# window at 200 %.
wineserver -p
wineboot -i >/dev/null 2>&1
# Making the prefix leaves two service managers running, which start and stop the COM service
# (rpcss) in turn, losing the class objects local servers register: start over with one.
wineserver -k
wineserver -p
wineboot >/dev/null 2>&1
# Windows 10 version 1903, the oldest the program runs on (Wine's prefix says Windows 7).
wine winecfg /v win10 >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1280x1280 /f >/dev/null
# The test fixture posing as the office's automation server (a local server), when it was built.
if [ -f "$build/tests/adapters/win32/TallyguardFixtureSuite.exe" ]; then
  wine "$build/tests/adapters/win32/TallyguardFixtureSuite.exe" /RegServer
fi
echo "test-windows: Wine prefix ready in $(($(date +%s) - started)) s"

cd "$build"
rm -f ctest-results.xml
ctest --output-on-failure --timeout 300 -j1 --output-junit "$PWD/ctest-results.xml"
python3 "$here/scripts/skipped-tests.py" "Windows under Wine=$PWD/ctest-results.xml"
# The zip and the installer, made and tried as a user would.
bash "$here/tests/adapters/win32/package_test.sh" "$build"
# The window's screenshots at 100, 150 and 200 %, left by its test.
if ls "$build"/artefacts/dpi-*.png >/dev/null 2>&1; then
  echo "test-windows: screenshots $(cd "$build" && echo artefacts/dpi-*.png)"
fi
echo "test-windows: Windows suite ran in $(($(date +%s) - started)) s under Wine"
