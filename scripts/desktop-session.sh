# A desktop of its own for Tallyguard's demo, tests and benchmark, sourced by those scripts (also
# under `set -e`): Xvfb with a window manager, a tray host, a private D-Bus session with a
# notification server, and a headless LibreOffice with a throwaway profile. Everything started here is remembered by
# process id and stopped by session_stop (call it from an EXIT trap).

SESSION_PIDS=()   # process ids (or -group ids) to stop, in start order
SESSION_ROOT=""   # scratch folder of this session
SESSION_TRAY=""   # X window id of the tray host
SESSION_PIPE=""   # the office's pipe name
SESSION_PROFILE=""  # the office's profile (a file URL): the program is told it is the user's

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

# A display of its own on a free number that Xvfb picks itself, with openbox as window manager
# when installed (minimising needs one).
session_start_display() {
  local number_file="$SESSION_ROOT/display.number"
  session_spawn "$SESSION_ROOT/xvfb.log" sh -c \
    "exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>'$number_file'"
  session_wait_for 30 test -s "$number_file" || return 1
  export DISPLAY=":$(head -n 1 "$number_file")"
  session_wait_for 20 xdpyinfo || return 1
  command -v openbox >/dev/null 2>&1 || return 0
  # Now and then openbox cannot open a display that has only just come up: it is tried again.
  local attempt
  for attempt in 1 2 3; do
    session_spawn "$SESSION_ROOT/openbox.log" openbox --sm-disable
    session_wait_for 5 session_window_manager_runs && return 0
  done
  return 1
}

session_window_manager_runs() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# A session bus of its own that starts nothing on demand, so that nothing reaches or launches the
# user's bus and the only notification server is the one started here.
session_start_bus() {
  local address_file="$SESSION_ROOT/bus.address" config="$SESSION_ROOT/bus.conf"
  cat >"$config" <<'CONFIG'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONFIG
  session_spawn "$SESSION_ROOT/dbus.log" sh -c \
    "exec dbus-daemon --config-file='$config' --nofork --print-address=1 > '$address_file'"
  session_wait_for 10 test -s "$address_file" || return 1
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$address_file")
  export DBUS_SESSION_BUS_ADDRESS
}

session_bus_name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

session_start_tray() {
  session_spawn "$SESSION_ROOT/trayer.log" trayer --edge top --align right --widthtype request \
    --height 24 --SetDockType true --transparent false --tint 0x303030
  session_wait_for 10 sh -c "xdotool search --name '^panel$'" || return 1
  SESSION_TRAY=$(xdotool search --name '^panel$' | head -n 1)
}

session_start_notifications() {
  session_spawn "$SESSION_ROOT/dunst.log" dunst
  session_wait_for 20 session_bus_name_owned org.freedesktop.Notifications
}

# A headless office with a throwaway profile, listening on a pipe of this session.
session_start_office() {
  SESSION_PIPE="tallyguard_session_$$"
  SESSION_PROFILE="file://$SESSION_ROOT/office-profile"
  # "with-windows": an office as on a user's desktop, which shows the documents it opens.
  local headless=(--headless --invisible)
  [ "${1:-}" = with-windows ] && headless=()
  session_spawn "$SESSION_ROOT/office.log" soffice \
    "-env:UserInstallation=$SESSION_PROFILE" "${headless[@]}" \
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

# True once more balloons were shown than the count given; a check to wait for, since the count
# must be read afresh on every try.
session_balloons_above() {
  test "$(session_notification_count)" -gt "$1"
}

# True when the tray host holds an icon of the given X class.
session_tray_has_icon() {
  xwininfo -tree -id "$SESSION_TRAY" 2>/dev/null | grep -q "(\"$1\""
}

# The visible windows of a process whose title matches a pattern; `xdotool search` would otherwise
# take any one of the conditions as enough.
session_windows() {  # session_windows PID TITLE_PATTERN
  xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null
}

# Tallyguard's main window (536 x 550 pixels) when it is shown; the tray icon has the same title.
session_main_window() {  # session_main_window PID
  local window
  for window in $(session_windows "$1" '^Tallyguard$'); do
    if xdotool getwindowgeometry "$window" | grep -q 'Geometry: 536x550'; then
      echo "$window"
      return 0
    fi
  done
  return 1
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

# True when no process of the id (a negative id: of the group) is left but zombies.
session_gone() {
  local id=$1 states
  if [ "${id#-}" != "$id" ]; then
    states=$(ps -o stat= -g "${id#-}" 2>/dev/null)
  else
    states=$(ps -o stat= -p "$id" 2>/dev/null)
  fi
  ! printf '%s\n' "$states" | grep -q '^[^Z]'
}

# Stops everything this session started, newest first, and removes its scratch folder unless
# asked to keep it.
session_stop() {
  local index id
  for ((index = ${#SESSION_PIDS[@]} - 1; index >= 0; index--)); do
    id=${SESSION_PIDS[index]}
    kill -TERM -- "$id" 2>/dev/null || continue
    # Given time to leave cleanly (Xvfb removes its lock), then made to.
    session_wait_for 5 session_gone "$id"
    kill -KILL -- "$id" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  SESSION_PIDS=()
  [ -z "$SESSION_PIPE" ] || session_remove_office_sockets "$SESSION_PIPE" "$SESSION_PROFILE"
  if [ -n "$SESSION_ROOT" ] && [ -z "${SESSION_KEEP:-}" ]; then rm -rf "$SESSION_ROOT"; fi
  return 0
}

# An office leaves the files of its sockets behind in /tmp when it is stopped or killed: one for
# the pipe it accepts on, one for its profile's single instance, named after the MD5 of the
# profile's URL as UTF-16LE, each byte in hex without a leading zero. Call it once that office is
# gone: PIPE PROFILE-URL.
session_remove_office_sockets() {
  local folder=/tmp uid profile digest socket
  [ -w /tmp ] || folder=/var/tmp
  uid=$(id -u)
  profile="file://$(realpath -m "${2#file://}")"
  digest=$(printf '%s' "$profile" | iconv -f UTF-8 -t UTF-16LE | md5sum | cut -c1-32 |
    sed 's/../&\n/g' | sed 's/^0//' | tr -d '\n')
  for socket in "$folder/OSL_PIPE_${uid}_$1" "$folder/OSL_PIPE_${uid}_SingleOfficeIPC_$digest"; do
    if [ -S "$socket" ]; then rm -f "$socket"; fi
  done
}

# For the desktop tests: one line "ok" or "FAIL" a check, counted in CHECKS and FAILURES.
FAILURES=0
CHECKS=0
check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  CHECKS=$((CHECKS + 1))
  if "$@"; then
    echo "ok   - $description"
  else
    echo "FAIL - $description"
    FAILURES=$((FAILURES + 1))
  fi
}

# A user of the session's own: home, TEMP and runtime folder in the session's folder, the
# program on X11.
session_make_user() {
  HOME_DIR="$SESSION_ROOT/home"
  mkdir -p "$HOME_DIR" "$SESSION_ROOT/temp"
  export HOME="$HOME_DIR" TEMP="$SESSION_ROOT/temp" XDG_RUNTIME_DIR="$SESSION_ROOT/run"
  unset XDG_CONFIG_HOME XDG_STATE_HOME XDG_CURRENT_DESKTOP
  export QT_QPA_PLATFORM=xcb
}
