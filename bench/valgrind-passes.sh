#!/usr/bin/env bash
# Runs real backup passes of the helper (`tallyguard --backup-pass LOG`, the process that does
# every pass of the window, and of `--backup-now`) under valgrind's memcheck, against a headless
# LibreOffice of its own (own profile, own pipe) with a few spreadsheets open in it. This script
# plays the window: it answers the helper's asks for the options over its standard streams.
# Prints the errors of each pass and the total; exits 1 when there was any.
#
#   bench/valgrind-passes.sh [build dir (default build)] [passes (default 20)]
#
# Needs valgrind (apt-get install valgrind) and the normal build's program and office scene.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
passes=${2:-20}
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 2; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target tallyguard tallyguard_office tallyguard_office_scene >/dev/null
program="$build/bin/tallyguard"
scene="$build/tests/adapters/qt/tallyguard_office_scene"

source "$here/scripts/desktop-session.sh"
root=$(mktemp -d "${TMPDIR:-/tmp}/tallyguard-valgrind-XXXXXX")
pipe="tallyguard_valgrind_$$"
profile="file://$root/profile"
office=""
cleanup() {
  if [ -n "$office" ]; then
    # The launcher was started in a process group of its own; the office runs in it.
    kill -TERM -- "-$office" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 -- "-$office" 2>/dev/null || break; sleep 0.2; done
    kill -KILL -- "-$office" 2>/dev/null || true
    session_remove_office_sockets "$pipe" "$profile"
  fi
  rm -rf "$root"
}
trap cleanup EXIT
mkdir -p "$root/profile" "$root/docs" "$root/home" "$root/state" "$root/temp" "$root/logs"

setsid /usr/lib/libreoffice/program/soffice "-env:UserInstallation=$profile" --headless \
  --invisible --norestore --nologo --nodefault --nolockcheck \
  "--accept=pipe,name=$pipe;urp;StarOffice.ComponentContext" >"$root/office.log" 2>&1 &
office=$!
documents=("$root/docs/Budget.ods" "$root/docs/Stock List.ods" "$root/docs/Quarter 3.ods")
"$scene" "$pipe" open "${documents[@]}" >/dev/null
echo "office $office on pipe $pipe; $(ls "$root/docs" | wc -l) spreadsheets open"

# The window's options: beside each document, with a date stamp, keeping the newest 3, so that
# the passes also delete the copies that fall out.
# (same folder, not a chosen one, stamp, new file, no overwrite; keep 3; no folder typed)
options="101103 "

# One pass under memcheck; prints its error count.
run_pass() {
  local number=$1 line verb field copies=0
  local log="$root/logs/pass-$number.log"
  coproc helper {
    exec env -u DISPLAY -u WAYLAND_DISPLAY -u UserInstallation -u TALLYGUARD_WINDOW_PID \
      HOME="$root/home" XDG_STATE_HOME="$root/state" XDG_CONFIG_HOME="$root/home/.config" \
      TEMP="$root/temp" TALLYGUARD_OFFICE_PIPE="$pipe" TALLYGUARD_OFFICE_PROFILE="$profile" \
      TALLYGUARD_OFFICE_LAUNCHER="" \
      valgrind --tool=memcheck --error-exitcode=99 --track-origins=yes --num-callers=30 \
      --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
      --suppressions="$here/bench/valgrind-office.supp" --log-file="$log" \
      "$program" --backup-pass "$root/temp/Tallyguard.txt"
  }
  local pid=$helper_PID
  while IFS= read -r line <&"${helper[0]}"; do
    verb=${line%%$'\t'*}
    field=${line#*$'\t'}
    case $verb in
      options) printf 'answer\t%s\n' "$options" >&"${helper[1]}" ;;
      prompt) printf 'answer\t\n' >&"${helper[1]}" ;;
      message)
        echo "pass $number: message: $field" >&2
        printf 'answer\tok\n' >&"${helper[1]}"
        ;;
      copy) copies=$((copies + 1)) ;;
      done) break ;;
    esac
  done
  local status=0
  wait "$pid" || status=$?
  local errors
  errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$log" | tail -1)
  echo "pass $number: ${errors:-?} errors, $copies copies, exit status $status" >&2
  if [ "$status" -ne 0 ] && [ "$status" -ne 99 ]; then errors=${errors:-1}; fi
  echo "${errors:-1}"
}

# The user works between passes: each spreadsheet gets a new value, so that every pass stores a
# new version of each (an unchanged workbook is not copied again) and Keep Copies has copies to
# remove.
edit_all() {
  local document
  for document in "${documents[@]}"; do
    "$scene" "$pipe" set "$document" A1 "pass $1" >/dev/null
  done
}

total=0
started=$(date +%s)
for number in $(seq "$passes"); do
  edit_all "$number"
  errors=$(run_pass "$number")
  total=$((total + errors))
  if [ "$errors" -ne 0 ]; then
    mkdir -p "$here/out"
    cp "$root/logs/pass-$number.log" "$here/out/valgrind-pass-$number.log"
  fi
  sleep 1  # stamped to the second: each pass its own copies
done
echo "passes: $passes, memcheck errors in all: $total, $(($(date +%s) - started)) s" \
  "($(grep -c 'was backup saved' "$root/temp/Tallyguard.txt") copies," \
  "$(grep -c 'removed (keeping' "$root/temp/Tallyguard.txt") removed)"
[ "$total" -eq 0 ]
