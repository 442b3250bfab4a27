#!/usr/bin/env bash
# The way back to an earlier copy, as a user takes it: copies made by passes over an edited
# workbook with Keep Copies 3, then the Versions window opened from the tray menu and from a
# second start, worked with the keyboard alone: Open puts the copy in the office beside the
# original, Show in Folder asks the desktop's file manager to select it, Save As... writes it
# where the user says. A real window on Xvfb with a window manager, a StatusNotifierItem tray and
# a file manager service on a private bus, and a real office that shows its documents.
#   versions_test.sh PROGRAM OFFICE_SCENE ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
OFFICE_SCENE=$2
ARTEFACTS=$3
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

desktop_test_begin "$ARTEFACTS" Xvfb openbox dunst dbus-daemon xdotool xwininfo xprop xdpyinfo \
  soffice setsid import py:dbus py:gi
DOCS="$SESSION_ROOT/docs"
STATE="$SESSION_ROOT/desktop"
mkdir -p "$DOCS" "$STATE" "$HOME_DIR/.config/Morvane"
printf '[Tallyguard]\nKeep%%20Copies=3\n' >"$HOME_DIR/.config/Morvane/Tallyguard.conf"
KEEP_ARTEFACTS=("$TEMP/Tallyguard.txt" "$STATE/shown")
session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
desktop_test_start_bus_and_office with-windows
scene() { timeout 60 "$OFFICE_SCENE" "$SESSION_PIPE" "$@"; }
scene open "$DOCS/Budget.ods" "$DOCS/Stock.ods" >/dev/null ||
  { echo "the office did not open the spreadsheets" >&2; exit 1; }
for service in sni_tray file_manager; do
  setsid /usr/bin/python3 "$HERE/$service.py" serve "$STATE" >>"$SESSION_ROOT/$service.log" 2>&1 &
  SESSION_PIDS+=("-$!")
done
session_wait_for 10 session_bus_name_owned org.kde.StatusNotifierWatcher &&
  session_wait_for 10 session_bus_name_owned org.freedesktop.FileManager1 ||
  { echo "the tray or the file manager stand-in did not start" >&2; exit 1; }

# Copies are stamped to the second: a second passes between passes, as it does for a user.
back_up() { sleep 1.1; timeout 120 "$PROGRAM" --backup-now >>"$SESSION_ROOT/backups.log" 2>&1; }
copies_of() { find "$DOCS" -name "$1 Date *" | wc -l; }
documents_open() { scene list | wc -l; }
more_open_than() { [ "$(documents_open)" -gt "$1" ]; }
versions_window() { session_windows "$PROGRAM_PID" '^Tallyguard - Versions$' | head -n 1; }
versions_closed() { [ -z "$(versions_window)" ]; }
# Keys typed into the Versions window; what they do is waited for by the check after them.
keys() { xdo windowactivate --sync "$VERSIONS" && xdo key --delay 150 "$@"; }
save_dialog() { session_windows "$PROGRAM_PID" '^Save the copy as$' | head -n 1 | grep .; }
shown_by_file_manager() { grep -q "$1" "$STATE/shown" 2>/dev/null; }

echo "# Copies of distinct versions"
for version in first second third; do
  scene set "$DOCS/Budget.ods" B2 "$version" && back_up
done
for _ in 1 2 3; do back_up; done
check "three passes over edits and three without keep the three versions" test "$(copies_of Budget)" -eq 3
BUDGET=$(cksum <"$DOCS/Budget.ods")

echo "# The Versions window from the tray menu"
start_program
check "the main window appears" session_wait_for 30 main_window
session_wait_for 15 test -s "$STATE/items"
timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" menu "$STATE" "Versions…"
check "the tray menu's Versions… opens the window" session_wait_for 10 versions_window
VERSIONS=$(versions_window)
sleep 1  # for the screenshot only, a painted window: nothing is checked on it
/usr/bin/import -window root "$ARTEFACTS/versions.png" 2>/dev/null
BEFORE=$(documents_open)
keys Tab Tab Return  # from the find box to the copies, where Enter opens the newest
check "Open puts the copy in the office as a document of its own" session_wait_for 30 more_open_than "$BEFORE"
check "which is the newest copy of Budget" sh -c "'$OFFICE_SCENE' '$SESSION_PIPE' list | grep -q 'Budget Date'"
check "and the original's file is unchanged" test "$(cksum <"$DOCS/Budget.ods")" = "$BUDGET"
/usr/bin/import -window root "$ARTEFACTS/opened.png" 2>/dev/null
keys Tab Tab space  # past Open to Show in Folder
check "Show in Folder asks the file manager to select the copy" \
  session_wait_for 10 shown_by_file_manager "^file://$DOCS/Budget%20Date"
keys Escape
check "Escape closes the window" session_wait_for 10 versions_closed
back_up
check "a pass makes no copy of the opened copy" test "$(find "$DOCS" -name '* Date * Date *' | wc -l)" -eq 0

echo "# Again from a second start, to save a copy elsewhere"
timeout 30 "$PROGRAM" --versions >>"$SESSION_ROOT/second-start.log" 2>&1
check "tallyguard --versions opens it in the running program" session_wait_for 10 versions_window
VERSIONS=$(versions_window)
keys S t o c k Tab Tab Tab Tab Tab space  # narrowed to Stock, then Save As...
check "Save As... asks where" session_wait_for 10 save_dialog
xdo windowactivate --sync "$(save_dialog)"
xdo key --delay 100 ctrl+a && xdo type --delay 20 "$SESSION_ROOT/Stock restored.ods" && xdo key Return
STOCK_COPY=$(find "$DOCS" -name 'Stock Date *' | head -n 1)
check "Save As... writes the copy where the user said" session_wait_for 10 test -f "$SESSION_ROOT/Stock restored.ods"
check "byte for byte" cmp -s "$STOCK_COPY" "$SESSION_ROOT/Stock restored.ods"
/usr/bin/import -window root "$ARTEFACTS/saved.png" 2>/dev/null
keys Escape
check "Escape closes the window again" session_wait_for 10 versions_closed
echo "# What changed since a copy, and the copy restored over unsaved edits"
scene open "$DOCS/Plan.ods" >/dev/null && scene close "$DOCS/Plan.ods" && scene show "$DOCS/Plan.ods" ||
  { echo "the office did not show Plan.ods" >&2; exit 1; }
scene set "$DOCS/Plan.ods" B2 "morning" && back_up
scene set "$DOCS/Plan.ods" B2 "mistake"  # typed, never saved
changes_window() { session_windows "$PROGRAM_PID" '^Tallyguard - What Changed$' | head -n 1 | grep .; }
question() { session_windows "$PROGRAM_PID" '^Tallyguard$' | grep -v "^$MAIN_WINDOW\$" | head -n 1 | grep .; }
MAIN_WINDOW=$(main_window)
plan_shows() { [ "$(scene open-cell "$DOCS/Plan.ods" B2)" = "$1" ]; }
timeout 30 "$PROGRAM" --versions >>"$SESSION_ROOT/second-start.log" 2>&1
check "the Versions window opens again" session_wait_for 10 versions_window
VERSIONS=$(versions_window)
# From the find box: the documents, the copies, Open, Show in Folder, Save As..., Compare.
keys P l a n Tab Tab Tab Tab Tab Tab space
check "Compare lists what changed in a window of its own" session_wait_for 30 changes_window
sleep 1
/usr/bin/import -window root "$ARTEFACTS/changes.png" 2>/dev/null
xdo windowactivate --sync "$(changes_window)" && xdo key Escape
changes_closed() { ! changes_window >/dev/null; }
check "Escape closes it" session_wait_for 10 changes_closed
# With the mouse: the copy's menu (a right click on it), then Restore... by its letter.
eval "$(xdo getwindowgeometry --shell "$VERSIONS")"
xdo windowactivate --sync "$VERSIONS"
xdo mousemove --window "$VERSIONS" $((WIDTH * 3 / 4)) 40 click 3
sleep 1
/usr/bin/import -window root "$ARTEFACTS/copy-menu.png" 2>/dev/null
xdo key r
check "Restore... asks its one question first" session_wait_for 10 question
/usr/bin/import -window root "$ARTEFACTS/restore-question.png" 2>/dev/null
xdo windowactivate --sync "$(question)" && xdo key alt+y
check "the open workbook shows the copy's content" session_wait_for 30 plan_shows morning
KEPT=$(tr -d '\r' <"$TEMP/Tallyguard.txt" |
  sed -n 's/^Plan\.ods was backup saved as \(.*\) before restoring at .*/\1/p' | tail -n 1)
check "the unsaved edit went into a copy first" test -f "$KEPT"
check "which holds it" sh -c "[ \"\$('$OFFICE_SCENE' '$SESSION_PIPE' cell '$KEPT' B2)\" = mistake ]"
/usr/bin/import -window root "$ARTEFACTS/restored.png" 2>/dev/null
keys Escape

kill -TERM "$PROGRAM_PID" 2>/dev/null
session_wait_for 15 program_ended

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
