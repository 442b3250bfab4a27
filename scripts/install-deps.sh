#!/usr/bin/env bash
# Installs from Debian's packages everything Tallyguard needs to build, run and test.
# Usage: scripts/install-deps.sh   (as root, or with sudo available)
set -euo pipefail

packages=(
  # toolchain and test framework
  build-essential pkg-config cmake clang libclang-rt-14-dev clang-format googletest libgtest-dev libgmock-dev
  # MD5, to find the office of the user's own profile by its socket; zlib, to read the
  # descriptions inside a copy's package (also for the Windows program)
  libssl-dev zlib1g-dev libz-mingw-w64-dev
  # the office suite as on a desktop (it runs headless too, and with windows shows the copies the
  # Versions window opens), and its C++ SDK
  libreoffice-calc libreoffice-writer libreoffice-dev libreoffice-dev-common
  # the office's own Python bridge: the user's side of the soak benchmark
  python3-uno python3-dbus python3-gi
  # the desktop program
  qt6-base-dev libxkbcommon-dev libxcb1-dev xdg-utils
  # a Wayland session for the desktop tests: a compositor with XWayland, and Qt's Wayland plugin;
  # a tiling one (sway), and xhost to let the tests' user into its XWayland
  weston xwayland qt6-wayland sway x11-xserver-utils
  # the PNG icons drawn from the scalable one, and the checks of the desktop entry and metadata
  librsvg2-bin desktop-file-utils appstream
  # Debian's judge of the .deb
  lintian
  # a real desktop for the user-level tests: display, tray host, notifications, clicks, screenshots
  xvfb xauth openbox trayer dunst dbus dbus-x11 xdotool imagemagick x11-utils fonts-liberation2
  # XFCE's own panel, whose notification area hosts the icon as a user of XFCE sees it
  xfce4-panel xfconf
  # chattr, to make a folder unwritable even for root
  e2fsprogs procps
  # the Windows program: cross compiler (POSIX threads), Wine to run its tests, NSIS and zip to pack it, unzip to try the zip
  g++-mingw-w64-x86-64-posix wine wine64 nsis zip unzip
  # locale sources, to test the regional settings with a locale that has no AM/PM designators,
  # and a clock of the program's own for the copies made at 01:00 and 13:00
  locales faketime
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
echo "install-deps: all packages present"
