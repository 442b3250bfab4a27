#!/usr/bin/env bash
# Installs from Debian's packages what Tallyguard needs. One list serves both uses, so a package
# the build comes to need can't be missing from either:
#   scripts/install-deps.sh          everything to build, run and test (the default)
#   scripts/install-deps.sh --run    only what building and running the program needs
#   scripts/install-deps.sh --demo   --run, plus the private desktop the headless demonstration uses
# Run as root, or as a user with sudo. Packages already installed are not asked for again.
set -euo pipefail

# Building the program (its tests' helpers are built with it, so the test framework too).
build_packages=(
  build-essential pkg-config cmake googletest libgtest-dev libgmock-dev
  # MD5, to find the office of the user's own profile by its socket; zlib, to read the
  # descriptions inside a copy's package
  libssl-dev zlib1g-dev
  # the office suite's C++ SDK, and the desktop program
  libreoffice-dev libreoffice-dev-common
  qt6-base-dev libxkbcommon-dev libxcb1-dev xdg-utils
  # the PNG icons drawn from the scalable one, and the checks of the desktop entry and metadata
  librsvg2-bin desktop-file-utils appstream
)
# The office suite as on a desktop (it runs headless too): asked for only where no office is
# installed, so a user's own build of it (LibreOffice's packages in /opt, say) is what runs.
office_packages=(libreoffice-calc)
# A desktop of its own for the demonstration and the desktop tests: display, tray host,
# notifications, clicks, screenshots.
desktop_packages=(xvfb xauth openbox trayer dunst dbus dbus-x11 xdotool imagemagick x11-utils
  fonts-liberation2 procps)
# Everything else the tests and benchmarks use.
test_packages=(
  clang libclang-rt-14-dev clang-format
  # zlib for the Windows program
  libz-mingw-w64-dev
  # Writer, for a text document among the open ones
  libreoffice-writer
  # the office's own Python bridge: the user's side of the soak benchmark
  python3-uno python3-dbus python3-gi
  # a Wayland session for the desktop tests: a compositor with XWayland, and Qt's Wayland plugin;
  # a tiling one (sway), and xhost to let the tests' user into its XWayland
  weston xwayland qt6-wayland sway x11-xserver-utils
  # Debian's judge of the .deb
  lintian
  # XFCE's own panel, whose notification area hosts the icon as a user of XFCE sees it
  xfce4-panel xfconf
  # chattr, to make a folder unwritable even for root
  e2fsprogs
  # the Windows program: cross compiler (POSIX threads), Wine to run its tests, NSIS and zip to pack it, unzip to try the zip
  g++-mingw-w64-x86-64-posix wine wine64 nsis zip unzip
  # locale sources, to test the regional settings with a locale that has no AM/PM designators,
  # and a clock of the program's own for the copies made at 01:00 and 13:00
  locales faketime
)

case "${1:-}" in
  --run) wanted=("${build_packages[@]}") ;;
  --demo) wanted=("${build_packages[@]}" "${desktop_packages[@]}") ;;
  "") wanted=("${build_packages[@]}" "${office_packages[@]}" "${desktop_packages[@]}"
    "${test_packages[@]}") ;;
  *) echo "usage: $0 [--run | --demo]" >&2; exit 2 ;;
esac
# Running needs an office; the user's own counts, whichever build of it is installed.
if [ -n "${1:-}" ] && ! command -v soffice >/dev/null 2>&1; then
  wanted+=("${office_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: all packages present"
