#!/usr/bin/env bash
# The real program's --settings with an administrator's files along XDG_CONFIG_DIRS and a user's
# own file in a test home: defaults taken, the user's choice kept over a default, a locked value
# over the user's choice, and each reported with its source. No display is needed.
#   administrator_settings_test.sh PROGRAM EXAMPLE
set -uo pipefail
PROGRAM=$1
EXAMPLE=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config/Morvane" "$work/site/Morvane" "$work/vendor/Morvane" \
  "$work/home/Desktop"
failures=0

# The user's own file, as the program writes it.
cat >"$work/home/.config/Morvane/Tallyguard.conf" <<'CONF'
[Tallyguard]
Path=/home/ann/Mine
OftenIndex=4
Thin%20Copies=0
Include%20Date=On
CONF
# The more important folder first: a lock on one key, defaults, and a line that reads as nothing.
cat >"$work/site/Morvane/Tallyguard.conf" <<'CONF'
# Set by the site's administrators
[Tallyguard]
Path[$i]=/srv/backups
Keep Copies=5
OftenIndex=6
Backup Option=2
this line means nothing
CONF
# A whole group locked, and defaults the first folder's override.
cat >"$work/vendor/Morvane/Tallyguard.conf" <<'CONF'
[Tallyguard][$i]
Thin Copies=1
[Defaults]
Minimized=On
[Tallyguard]
Keep Copies=9
Backup Option=1
WhereOption=1
CONF

settings() {  # settings XDG_CONFIG_DIRS
  env -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_DIRS="$1" \
    XDG_DESKTOP_DIR="$work/home/Desktop" timeout 30 "$PROGRAM" --settings
}
expect_line() {  # expect_line WHAT OUTPUT KEY VALUE SOURCE
  local what=$1 output=$2 wanted
  wanted=$(printf '%s\t%s\t%s' "$3" "$4" "$5")
  if grep -qxF -- "$wanted" <<<"$output"; then
    echo "ok   - $what"
  else
    echo "FAIL - $what: wanted \"$wanted\" in:"
    printf '%s\n' "$output"
    failures=$((failures + 1))
  fi
}

output=$(settings "$work/site:$work/vendor")
status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL - --settings exited with $status"
  failures=$((failures + 1))
fi
expect_line "a locked key is in force over the user's value" "$output" Path /srv/backups policy
expect_line "a whole locked group is in force" "$output" "Thin Copies" 1 policy
expect_line "the user's choice is kept over a default" "$output" OftenIndex 4 user
expect_line "a default reaches a user without a value" "$output" "Keep Copies" 5 "system default"
expect_line "the first folder's default wins" "$output" "Backup Option" 2 "system default"
expect_line "a later folder's default fills in" "$output" WhereOption 1 "system default"
expect_line "another group's key is not the program's" "$output" Minimized Off built-in
expect_line "a value nobody set is the program's own" "$output" StartStopState On built-in
expect_line "the user's own value" "$output" "Include Date" On user
if [ "$(wc -l <<<"$output")" -ne 12 ] || [ "$(cut -f1 <<<"$output" | sort -u | wc -l)" -ne 12 ]; then
  echo "FAIL - every setting once, twelve in all:"
  printf '%s\n' "$output"
  failures=$((failures + 1))
fi

# The packaged example, every line taken in: each key reads as the example says it would.
mkdir -p "$work/example/Morvane"
sed 's/^#\([A-Z][^=]*=\)/\1/' "$EXAMPLE" >"$work/example/Morvane/Tallyguard.conf"
output=$(settings "$work/example")
expect_line "the example's locked folder" "$output" Path /srv/backups/ policy
expect_line "the example's locked schedule" "$output" StartStopState On policy
expect_line "the example's interval, a default the user overrides" "$output" OftenIndex 4 user
expect_line "the example's default" "$output" "Keep Copies" 10 "system default"
expect_line "the example's naming" "$output" "Backup Option" 1 "system default"

# The machine-wide logon entry's start: where "Start at logon" is not locked on (the user's own
# "On" counts for nothing here) it ends at once, silently, writing nothing and needing no display;
# locked on, it goes on to the window, which a session without a display refuses.
administered_start() {  # administered_start XDG_CONFIG_DIRS
  env -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" \
    XDG_CONFIG_DIRS="$1" timeout 10 "$PROGRAM" --administered-start 2>&1
}
printf 'Windows%%20Startup=On\n' >>"$work/home/.config/Morvane/Tallyguard.conf"
mkdir -p "$work/locked-on/Morvane" "$work/locked-off/Morvane"
home_state() { find "$work/home" -printf '%p %s %T@\n' | sort; }
printf '[Tallyguard]\nWindows Startup[$i]=On\n' >"$work/locked-on/Morvane/Tallyguard.conf"
printf '[Tallyguard]\nWindows Startup[$i]=Off\n' >"$work/locked-off/Morvane/Tallyguard.conf"
mkdir -p "$work/default-on/Morvane"
printf '[Tallyguard]\nWindows Startup=On\n' >"$work/default-on/Morvane/Tallyguard.conf"
for dirs in "$work/site:$work/vendor" "$work/locked-off" "$work/default-on"; do
  before=$(home_state)
  started=$(date +%s)
  output=$(administered_start "$dirs")
  status=$?
  after=$(home_state)
  if [ "$status" -eq 0 ] && [ -z "$output" ] && [ "$before" = "$after" ] &&
    [ $(($(date +%s) - started)) -le 3 ]; then
    echo "ok   - --administered-start without the lock on ends at once ($dirs)"
  else
    echo "FAIL - --administered-start without the lock on ($dirs): status $status: $output"
    failures=$((failures + 1))
  fi
done
output=$(administered_start "$work/locked-on")
status=$?
if [ "$status" -eq 1 ] && [[ $output == "Tallyguard cannot show its window: "* ]]; then
  echo "ok   - --administered-start with the lock on goes on to the window"
else
  echo "FAIL - --administered-start with the lock on (status $status): $output"
  failures=$((failures + 1))
fi

exit "$failures"
