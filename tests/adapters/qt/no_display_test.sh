#!/usr/bin/env bash
# The program started where there is no display to show its window on: one plain sentence on
# standard error and exit status 1, never the toolkit's own page of text or an abort.
#   no_display_test.sh PROGRAM
set -uo pipefail
PROGRAM=$1
failures=0
expect_plain_refusal() {  # expect_plain_refusal WHAT ENVIRONMENT...
  local what=$1 errors status
  shift
  errors=$(env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DISPLAY HOME="$(mktemp -d)" "$@" \
    timeout 30 "$PROGRAM" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -eq 1 ] && [ "$(printf '%s\n' "$errors" | wc -l)" -eq 1 ] &&
    [[ $errors == "Tallyguard cannot show its window: "*"run: tallyguard --backup-now" ]]; then
    echo "ok   - $what"
  else
    echo "FAIL - $what (status $status): $errors"
    failures=$((failures + 1))
  fi
}
expect_plain_refusal "no display at all"
expect_plain_refusal "a display that does not answer" DISPLAY=:4711
# Qt's platform plugins but the Wayland one, as where qt6-wayland is not installed.
plugins=$(mktemp -d)
mkdir -p "$plugins/platforms"
for plugin in /usr/lib/*/qt6/plugins/platforms/*.so; do
  case $plugin in *wayland*) ;; *) ln -s "$plugin" "$plugins/platforms/" ;; esac
done
expect_plain_refusal "Wayland without X and without the plugin" WAYLAND_DISPLAY=wayland-4711 \
  XDG_RUNTIME_DIR="$(mktemp -d)" QT_QPA_PLATFORM_PLUGIN_PATH="$plugins/platforms"
expect_plain_refusal "a Wayland display that does not answer" WAYLAND_DISPLAY=wayland-4711 \
  XDG_RUNTIME_DIR="$(mktemp -d)"
rm -rf "$plugins"
exit "$failures"
