#!/usr/bin/env bash
# Installs what Tallyguard needs, builds it and runs its main job: on a desktop, the program itself
# against the user's office suite; without a display, a demonstration on a private virtual desktop.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TALLYGUARD_BUILD_DIR:-$here/build}

"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$build"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  exec "$build/src/adapters/qt/tallyguard"
fi
exec "$here/scripts/run-demo.sh" "$build"
