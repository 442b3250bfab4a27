#!/usr/bin/env bash
# Tallyguard as a user meets it: a real window on Xvfb with a tray host, a notification server
# on a private bus, a real headless LibreOffice holding two spreadsheets, clicks with xdotool,
# and the results looked for where a user would find them (backup copies, the history log,
# ~/.config/Morvane/Tallyguard.conf). Screenshots and logs are kept in the artefacts folder.
#   user_level_test.sh PROGRAM OFFICE_SCENE ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
OFFICE_SCENE=$2
CLIPBOARD_MANAGER=$4
ARTEFACTS=$3
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

desktop_test_begin "$ARTEFACTS" Xvfb openbox trayer dunst dunstctl dbus-daemon xdotool xwininfo \
  xprop xdpyinfo soffice setsid import
DOCS="$SESSION_ROOT/docs"
mkdir -p "$DOCS"
CONF="$HOME_DIR/.config/Morvane/Tallyguard.conf"
LOG="$TEMP/Tallyguard.txt"
KEEP_ARTEFACTS=("$CONF" "$LOG")

session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
session_start_bus || { echo "dbus-daemon did not start" >&2; exit 1; }
session_start_tray || { echo "trayer did not start" >&2; exit 1; }
session_start_notifications || { echo "dunst did not start" >&2; exit 1; }
session_start_office
"$OFFICE_SCENE" "$SESSION_PIPE" open "$DOCS/Budget.ods" "$DOCS/Stock List.ods" \
  >"$ARTEFACTS/office-scene.txt" 2>&1 || { echo "the office did not open the spreadsheets" >&2; exit 1; }

# A stopped office is given up after 5 s of no progress here, 60 s for users.
export TALLYGUARD_OFFICE_PIPE="$SESSION_PIPE" TALLYGUARD_OFFICE_PROFILE="$SESSION_PROFILE" TALLYGUARD_OFFICE_LAUNCHER="" TALLYGUARD_HANG_SECONDS=5

# The message box: a shown window of the program titled "Tallyguard" that is neither the main
# window nor the tray icon.
message_box() {
  local window
  for window in $(session_windows "$PROGRAM_PID" '^Tallyguard$'); do
    xdotool getwindowgeometry "$window" | grep -qE 'Geometry: (536x550|[0-9]{1,2}x[0-9]+)$' ||
      { echo "$window"; return 0; }
  done
  return 1
}
# Each step below waits for what it needs to see; a click itself waits for nothing.
click() {  # click WINDOW X Y, in the window's own pixels
  xdo mousemove --window "$1" "$2" "$3" click 1
}
# Activates a window and waits until it is the active one (at most 10 s, the xdo bound).
activate() { xdo windowactivate --sync "$1" >/dev/null 2>&1; }
setting_is() { grep -qx "$(printf '%s' "$1" | sed 's/ /%20/g')=$2" "$CONF" 2>/dev/null; }
log_lines() { [ -f "$LOG" ] && wc -l <"$LOG" || echo 0; }
copies() { find "$DOCS" -name '* Date *' -name '*.ods' | wc -l; }
at_least() { [ "$("$2")" -ge "$1" ]; }
tray_icon_present() { session_tray_has_icon tallyguard; }
tray_icon_gone() { ! tray_icon_present; }

# Closes a window as the window manager's Alt+F4 does.
close_window() {
  activate "$1" || echo "the window $1 could not be activated" >&2
  xdo key --clearmodifiers alt+F4
}
# Collects the program's exit once it has ended; never waits for a program still running.
reap_program() { program_ended && wait "$PROGRAM_PID" 2>/dev/null; }

# The program's tray menu once a click opened it: a window of the program shown since
# TRAY_MENU_BEFORE was taken.
tray_menu_window() {
  local window
  for window in $(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null); do
    [[ " $TRAY_MENU_BEFORE " == *" $window "* ]] || { echo "$window"; return 0; }
  done
  return 1
}
# Right-clicks the tray icon and picks the menu's entry number N (from 1) with the keyboard. A
# click that came before the icon took clicks opens nothing: it is clicked again, for 15 s.
tray_menu_choose() {
  local geometry x y w h index attempt menu
  geometry=$(xwininfo -id "$SESSION_TRAY" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
  read -r x y w h <<<"$geometry"
  TRAY_MENU_BEFORE=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | tr '\n' ' ')
  for attempt in 1 2 3; do
    xdo mousemove $((x + w / 2)) $((y + h / 2)) click 3
    session_wait_for 5 tray_menu_window && break
  done
  menu=$(tray_menu_window) || { echo "the tray menu did not open" >&2; return 1; }
  for ((index = 0; index < $1; index++)); do xdo key Down; done
  xdo key Return
  session_wait_for 10 window_unmapped "$menu" || echo "the tray menu did not close" >&2
}

# Centres of the controls, in window pixels, from the designed layout (twips / 15).
PUSHBUTTON1=(472 142)
OPTION1=(34 118)
CHECK6=(34 245)
CHECK5=(34 268)
CHECK8=(34 291)
LIST_SECOND_ENTRY=(60 359)
PUSHBUTTON4=(136 460)
PUSHBUTTON2=(400 460)
PUSHBUTTON5=(400 495)

echo "# First start on an empty settings store"
start_program
check "the main window appears" session_wait_for 30 main_window
WINDOW=$(main_window)
check "the window is shown" session_wait_for 10 window_mapped "$WINDOW"
check "the tray icon is there" session_wait_for 10 tray_icon_present
sleep 1  # for the screenshot only, a painted window: nothing is checked on it
session_screenshot "$ARTEFACTS/01-first-start.png"
check "the options are stored as restored" setting_is "Backup Option" 1
check "the folder defaults to the home folder" setting_is Path "$HOME_DIR/"
check "the same folder is the default place" setting_is WhereOption 2
check "the date stamp is on" setting_is "Include Date" On
check "nothing else is stored at start" \
  bash -c "! grep -qE '^(OftenIndex|Windows%20Startup|Minimized|StartStopState)=' '$CONF'"

echo "# A second copy"
timeout 30 "$PROGRAM" >>"$SESSION_ROOT/second-copy.log" 2>&1
check "the second copy ends by itself with success" test $? -eq 0
check "the first copy still runs, with one main window" \
  test "$(xdotool search --name '^Tallyguard$' | while read -r w; do xdotool getwindowgeometry "$w"; done | grep -c 536x550)" -eq 1

echo "# Backup Now (Test)"
click "$WINDOW" "${PUSHBUTTON2[@]}"
check "two history lines are written" session_wait_for 60 at_least 2 log_lines
check "two dated copies are stored beside the spreadsheets" session_wait_for 10 at_least 2 copies
check "the history names both spreadsheets (a blank stays escaped, as the naming rules say)" \
  bash -c "grep -q '^Budget.ods was backup saved as $DOCS/Budget Date ' '$LOG' && grep -q '^Stock%20List.ods was backup saved as ' '$LOG'"
session_screenshot "$ARTEFACTS/02-after-backup.png"
# The user types into both: a workbook with no edit since its copy gets no new one.
edit_both() {
  for sheet in Budget.ods "Stock List.ods"; do
    timeout 60 "$OFFICE_SCENE" "$SESSION_PIPE" set "$DOCS/$sheet" B2 "$1" || return 1
  done
}
edit_both "typed before the menu's backup"
LINES_BEFORE=$(log_lines)
BALLOONS_BEFORE=$(session_notification_count)
HANDED=0
"$PROGRAM" --backup-now --notify >>"$SESSION_ROOT/menu-backup.log" 2>&1 || HANDED=$?
check "the menu's Backup Now hands the backup to the running window (status 4)" test "$HANDED" -eq 4
check "which writes two more history lines" session_wait_for 60 at_least $((LINES_BEFORE + 2)) log_lines
check "and tells the result in one notification" \
  session_wait_for 10 session_balloons_above "$BALLOONS_BEFORE"

echo "# A stopped office never freezes the window"
OFFICE_BIN=$(pgrep -f "soffice.bin.*$SESSION_ROOT/office-profile" | head -1)
echo "office process: $OFFICE_BIN"
report_box() { session_windows "$PROGRAM_PID" '^Application Error$' | head -1 | grep .; }
LINES_BEFORE=$(log_lines)
COPIES_BEFORE=$(copies)
# Only this program's helpers: other programs on the machine may be backing up too.
helper_running() { pgrep -f -- "^$PROGRAM --backup-pass" >/dev/null; }
kill -STOP "$OFFICE_BIN"
click "$WINDOW" "${PUSHBUTTON2[@]}"
check "the pass starts in its helper" session_wait_for 10 helper_running
session_screenshot "$ARTEFACTS/02a-pass-running.png"
click "$WINDOW" "${CHECK6[@]}"
check "during the pass a click is stored at once" session_wait_for 5 setting_is "Include Date" Off
click "$WINDOW" "${CHECK6[@]}"
check "and the next one too" session_wait_for 5 setting_is "Include Date" On
check "one report says the office is not responding" session_wait_for 30 report_box
session_screenshot "$ARTEFACTS/02b-office-not-responding.png"
check "the report can be answered" activate "$(report_box)"
xdo key --clearmodifiers Return
kill -CONT "$OFFICE_BIN"
no_report() { ! report_box >/dev/null; }
check "the report closes" session_wait_for 10 no_report
check "the given-up pass left no copy under a copy's name" test "$(copies)" -eq "$COPIES_BEFORE"
edit_both "typed once the office went again"
click "$WINDOW" "${PUSHBUTTON2[@]}"
more_lines() { [ "$(log_lines)" -ge $((LINES_BEFORE + 2)) ]; }
check "with the office going again, the next pass copies" session_wait_for 60 more_lines
cp "$SESSION_ROOT/program.log" "$ARTEFACTS/program.log" 2>/dev/null || true

echo "# Folder picker"
picker_window() {
  session_windows "$PROGRAM_PID" '^Please select folder:$' | head -n 1 | grep .
}
picker_gone() { ! picker_window >/dev/null; }
CHOSEN="$SESSION_ROOT/Backups"
mkdir -p "$CHOSEN"
click "$WINDOW" "${PUSHBUTTON1[@]}"
check "the folder picker opens with its prompt" session_wait_for 10 picker_window
PICKER=$(picker_window || true)
sleep 0.5  # for the screenshot only, a painted picker: nothing is checked on it
session_screenshot "$ARTEFACTS/03-folder-picker.png"
check "the picker takes the keyboard" activate "$PICKER"
xdo key --clearmodifiers ctrl+a
xdo type --delay 2 "$CHOSEN"
xdo key --clearmodifiers Return
check "the picker closes on the chosen folder" session_wait_for 10 picker_gone
check "the chosen folder is stored" session_wait_for 10 setting_is Path "$CHOSEN"
click "$WINDOW" "${PUSHBUTTON1[@]}"
check "the picker opens again" session_wait_for 10 picker_window
check "the picker takes the keyboard again" activate "$(picker_window || true)"
xdo key --clearmodifiers Escape
check "cancelling closes it" session_wait_for 10 picker_gone
check "cancelling keeps the folder" setting_is Path "$CHOSEN"

echo "# Options and interval changed by clicking"
click "$WINDOW" "${OPTION1[@]}"
check "the chosen place is stored" session_wait_for 5 setting_is WhereOption 1
click "$WINDOW" "${CHECK6[@]}"
check "the date stamp is stored off" session_wait_for 5 setting_is "Include Date" Off
click "$WINDOW" "${CHECK5[@]}"
check "start at logon is stored" session_wait_for 5 setting_is "Windows Startup" On
check "the autostart entry starts this program" \
  grep -qx "Exec=\"$(readlink -f "$PROGRAM")\"" "$HOME_DIR/.config/autostart/$(basename "$PROGRAM").desktop"
click "$WINDOW" "${CHECK8[@]}"
check "start in the tray is stored" session_wait_for 5 setting_is Minimized On
click "$WINDOW" "${LIST_SECOND_ENTRY[@]}"
check "the interval 'every minute' is stored" session_wait_for 5 setting_is OftenIndex 2
click "$WINDOW" "${PUSHBUTTON4[@]}"
check "the schedule is stored off" session_wait_for 5 setting_is StartStopState Off
session_screenshot "$ARTEFACTS/04-options-changed.png"

echo "# Minimise into the tray and back"
# A balloon still up (the last backup's) would be replaced by the next one, not added to: the
# program takes it down after its seconds.
no_balloon_up() { [ "$(dunstctl count displayed 2>/dev/null)" = 0 ]; }
check "no balloon is up before minimising" session_wait_for 20 no_balloon_up
BALLOONS_BEFORE=$(session_notification_count)
xdo windowminimize "$WINDOW"
check "minimising hides the window" session_wait_for 10 window_unmapped "$WINDOW"
check "the balloon is shown" \
  session_wait_for 10 session_balloons_above "$BALLOONS_BEFORE"
session_screenshot "$ARTEFACTS/05-minimised-with-balloon.png"
check "the tray icon stays" tray_icon_present
# The balloon's own five seconds pass, so that what follows is not the balloon's doing: the time
# passing is part of the case, not a wait for something to happen.
sleep 6
session_click_tray_icon
check "a click on the tray icon brings the window back" session_wait_for 10 window_mapped "$WINDOW"
BALLOONS_AFTER_FIRST=$(session_notification_count)
xdo windowminimize "$WINDOW"
check "minimising again hides the window again" session_wait_for 10 window_unmapped "$WINDOW"
sleep 2  # time for a second balloon that must not come: the test is that nothing happens
check "the balloon is not shown a second time" test "$(session_notification_count)" -eq "$BALLOONS_AFTER_FIRST"
timeout 30 "$PROGRAM" >>"$SESSION_ROOT/second-copy.log" 2>&1
check "a second start ends with success" test $? -eq 0
check "a second start brings the hidden window back" session_wait_for 10 window_mapped "$WINDOW"
check "the first copy still runs" program_running
xdo windowminimize "$WINDOW"
check "minimising once more hides the window" session_wait_for 10 window_unmapped "$WINDOW"
session_click_tray_icon
check "the window comes back again" session_wait_for 10 window_mapped "$WINDOW"

echo "# The tray menu"
xdo windowminimize "$WINDOW"
check "hidden for the menu" session_wait_for 10 window_unmapped "$WINDOW"
LINES_BEFORE=$(log_lines)
BALLOONS_BEFORE=$(session_notification_count)
tray_menu_choose 3  # Backup Now
check "Backup Now from the menu writes two more history lines" \
  session_wait_for 60 at_least $((LINES_BEFORE + 2)) log_lines
check "and tells the result in one notification" \
  session_wait_for 10 session_balloons_above "$BALLOONS_BEFORE"
check "the menu's right click leaves the window in the tray" window_unmapped "$WINDOW"
tray_menu_choose 1  # Show Tallyguard
check "Show Tallyguard brings the window back" session_wait_for 10 window_mapped "$WINDOW"

echo "# Close, with the history on the clipboard and a clipboard manager running"
SAVED_CLIPBOARD="$SESSION_ROOT/saved-clipboard.txt"
"$CLIPBOARD_MANAGER" "$SAVED_CLIPBOARD" >"$SESSION_ROOT/clipboard-manager.log" 2>&1 &
MANAGER_PID=$!
SESSION_PIDS+=("$MANAGER_PID")
manager_ready() { grep -q ready "$SESSION_ROOT/clipboard-manager.log"; }
session_wait_for 10 manager_ready
clipboard_owned() { "$CLIPBOARD_MANAGER" --owned; }
click "$WINDOW" "${PUSHBUTTON5[@]}"
check "the history is copied to the clipboard" session_wait_for 10 clipboard_owned
close_window "$WINDOW"
check "closing ends the program" session_wait_for 15 program_ended
reap_program
check "the copied history outlives the program" \
  session_wait_for 5 cmp -s "$SAVED_CLIPBOARD" "$LOG"
check "the tray icon is gone" session_wait_for 10 tray_icon_gone

echo "# Backup Now from the desktop menu, with no window running"
LINES_BEFORE=$(log_lines)
BALLOONS_BEFORE=$(session_notification_count)
"$PROGRAM" --backup-now --notify >>"$SESSION_ROOT/menu-backup.log" 2>&1
check "the menu's Backup Now backs up by itself" test $? -eq 0
check "two more history lines" at_least $((LINES_BEFORE + 2)) log_lines
check "one notification tells the result" session_wait_for 10 session_balloons_above "$BALLOONS_BEFORE"

echo "# Start in the tray"
BALLOONS_BEFORE=$(session_notification_count)
start_program
check "the tray icon appears" session_wait_for 30 tray_icon_present
check "the balloon is shown" \
  session_wait_for 15 session_balloons_above "$BALLOONS_BEFORE"
WINDOW=$(main_window)
check "the window is never shown" bash -c "[ -z '$WINDOW' ] || ! xwininfo -id '$WINDOW' | grep -q IsViewable"
session_screenshot "$ARTEFACTS/06-started-in-tray.png"
sleep 6  # the balloon's own five seconds pass, as above
session_click_tray_icon
check "a click on the tray icon shows the window" session_wait_for 10 main_window
WINDOW=$(main_window)
check "the window is shown" session_wait_for 10 window_mapped "$WINDOW"
sleep 1  # for the screenshot only, a painted window: nothing is checked on it
session_screenshot "$ARTEFACTS/07-restored-options.png"
# Closed in the middle of a pass that waits on a stopped office: the program and its helper end.
kill -STOP "$OFFICE_BIN"
click "$WINDOW" "${PUSHBUTTON2[@]}"
check "the pass waits in its helper" session_wait_for 5 helper_running
close_window "$WINDOW"
check "closing during the pass ends the program within 2 s" session_wait_for 2 program_ended
helper_gone() { ! helper_running; }
check "and its helper with it" session_wait_for 2 helper_gone
ps -eo pid,ppid,stat,args | grep -- "--backup-pass" >"$ARTEFACTS/helpers.txt" || true
kill -CONT "$OFFICE_BIN"
reap_program
check "and takes the tray icon away" session_wait_for 10 tray_icon_gone

echo "# The office suite is missing"
TALLYGUARD_OFFICE_LAUNCHER="/nonexistent/libreoffice/program/soffice" start_program
check "the message comes up" session_wait_for 30 message_box
BOX=$(message_box)
session_screenshot "$ARTEFACTS/08-suite-missing.png"
no_main_window_shown() { ! session_main_window "$PROGRAM_PID" >/dev/null; }
check "no main window is shown" no_main_window_shown
check "the message takes the keyboard" activate "$BOX"
xdo key --clearmodifiers Escape
check "answering No ends the program" session_wait_for 15 program_ended
reap_program
check "the tray icon is gone" session_wait_for 10 tray_icon_gone

echo "# Quit from the tray menu, as closing does"
start_program
check "the tray icon appears again" session_wait_for 30 tray_icon_present
tray_menu_choose 4  # Quit
check "Quit in the tray menu ends the program" session_wait_for 15 program_ended
reap_program
check "and takes the tray icon away" session_wait_for 10 tray_icon_gone

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
