# A desktop of its own for Tallyguard's demo, tests and benchmark, sourced by those scripts:
# Xvfb with a window manager, a tray host, a private D-Bus session with a notification server,
# and a headless LibreOffice with a throwaway profile. Everything started here is remembered by
# process id and stopped by session_stop (call it from an EXIT trap).

SESSION_PIDS=()   # process ids (or -group ids) to stop, in start order
SESSION_ROOT=""   # scratch folder of this session
SESSION_TRAY=""   # X window id of the tray host
SESSION_PIPE=""   # the office's pipe name

session_log() { printf '[session] %s\n' "$*" >&2; }

# Runs a command in the background in a process group of its own and remembers the group.
session_spawn() {
  local log=$1
  shift
  setsid "$@" >"$log" 2>&1 &
  SESSION_PIDS+=("-$!")
}

# Waits until `check` succeeds, trying every 0.2 s for at most `seconds`.
session_wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 5))
  while ((tries-- > 0)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.2
  done
  return 1
}

session_missing_tools() {
  local missing=()
  for tool in "$@"; do command -v "$tool" >/dev/null 2>&1 || missing+=("$tool"); done
  printf '%s\n' "${missing[@]}"
}

session_begin() {
  SESSION_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/tallyguard-session.XXXXXX")
  mkdir -p -m 700 "$SESSION_ROOT/run"
}

# A display of its own: Xvfb on the first free number from 90, with openbox when installed.
session_start_display() {
  local number=90
  while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
  done
  session_spawn "$SESSION_ROOT/xvfb.log" Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp
  export DISPLAY=":$number"
  session_wait_for 20 xdpyinfo || session_wait_for 20 xwininfo -root || return 1
  if command -v openbox >/dev/null 2>&1; then
    session_spawn "$SESSION_ROOT/openbox.log" openbox --sm-disable
    session_wait_for 10 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window"
  fi
}

# A session bus of its own, so that nothing reaches or launches the user's bus.
session_start_bus() {
  local address_file="$SESSION_ROOT/bus.address"
  session_spawn "$SESSION_ROOT/dbus.log" sh -c \
    "exec dbus-daemon --session --nofork --print-address=1 > '$address_file'"
  session_wait_for 10 test -s "$address_file" || return 1
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$address_file")
  export DBUS_SESSION_BUS_ADDRESS
}

session_start_tray() {
  session_spawn "$SESSION_ROOT/trayer.log" trayer --edge top --align right --widthtype request \
    --height 24 --SetDockType true --transparent false --tint 0x303030
  session_wait_for 10 sh -c "xdotool search --name '^panel$'" || return 1
  SESSION_TRAY=$(xdotool search --name '^panel$' | head -n 1)
}

session_start_notifications() {
  session_spawn "$SESSION_ROOT/dunst.log" dunst
  session_wait_for 10 dunstctl count displayed
}

# A headless office with a throwaway profile, listening on a pipe of this session.
session_start_office() {
  SESSION_PIPE="tallyguard_session_$$"
  session_spawn "$SESSION_ROOT/office.log" soffice \
    "-env:UserInstallation=file://$SESSION_ROOT/office-profile" --headless --invisible \
    --norestore --nologo --nodefault \
    "--accept=pipe,name=$SESSION_PIPE;urp;StarOffice.ComponentContext"
}

# Every notification the server was given (shown, closed or waiting).
session_notification_count() {
  local total=0 count
  for state in displayed history waiting; do
    count=$(dunstctl count "$state" 2>/dev/null || echo 0)
    total=$((total + count))
  done
  echo "$total"
}

# True when the tray host holds an icon of the given X class.
session_tray_has_icon() {
  xwininfo -tree -id "$SESSION_TRAY" 2>/dev/null | grep -q "(\"$1\""
}

session_click_tray_icon() {
  local geometry x y w h
  geometry=$(xwininfo -id "$SESSION_TRAY" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
  read -r x y w h <<<"$geometry"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

session_screenshot() {
  /usr/bin/import -window root "$1" 2>/dev/null || session_log "screenshot failed: $1"
}

# Stops everything this session started, newest first, and removes its scratch folder unless
# asked to keep it.
session_stop() {
  local index
  for ((index = ${#SESSION_PIDS[@]} - 1; index >= 0; index--)); do
    kill -TERM -- "${SESSION_PIDS[index]}" 2>/dev/null
  done
  sleep 0.5
  for ((index = ${#SESSION_PIDS[@]} - 1; index >= 0; index--)); do
    kill -KILL -- "${SESSION_PIDS[index]}" 2>/dev/null
  done
  wait 2>/dev/null
  SESSION_PIDS=()
  if [ -n "$SESSION_ROOT" ] && [ -z "${SESSION_KEEP:-}" ]; then rm -rf "$SESSION_ROOT"; fi
}
