#!/usr/bin/env bash
# The .deb as Debian's tools judge it: built by CPack from the build folder, then lintian, which
# must find no error and no warning; and what a user finds installed: the copyright and changelog
# in /usr/share/doc/tallyguard, the manual page compressed, the office module without a run path.
#   deb_test.sh BUILD_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
if ! command -v lintian >/dev/null; then
  echo "skipped: lintian is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/tallyguard_*.deb)
failures=0
check() {  # check WHAT COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
check "copyright installed" grep -qx './usr/share/doc/tallyguard/copyright' <<<"$contents"
check "changelog compressed" grep -qx './usr/share/doc/tallyguard/changelog.gz' <<<"$contents"
check "manual page compressed" grep -qx './usr/share/man/man1/tallyguard.1.gz' <<<"$contents"
check "machine-wide autostart entry installed" \
  grep -qx './etc/xdg/autostart/tallyguard-administered.desktop' <<<"$contents"
check "machine-wide autostart entry is a conffile" \
  bash -c 'dpkg-deb -I "$1" conffiles | grep -qx /etc/xdg/autostart/tallyguard-administered.desktop' _ "$deb"
check "machine-wide autostart entry runs the administered start" \
  bash -c 'dpkg-deb --fsys-tarfile "$1" | tar -xO ./etc/xdg/autostart/tallyguard-administered.desktop | grep -qx "Exec=tallyguard --administered-start"' _ "$deb"
check "office module in the multiarch folder" \
  grep -qx './usr/lib/x86_64-linux-gnu/tallyguard/libtallyguard_office.so' <<<"$contents"
# The office is the user's own, whichever packages it came from: recommended, never required, and
# none of Debian's office runtime pulled in by the office module's libraries.
depends=$(dpkg-deb -f "$deb" Depends)
check "depends on no office package ($depends)" \
  bash -c '! grep -Eq "libreoffice|libuno|uno-libs|\bure\b" <<<"$1"' _ "$depends"
check "depends on the program's own libraries" grep -q 'libqt6widgets6' <<<"$depends"
check "recommends the office" grep -q 'libreoffice-calc' <<<"$(dpkg-deb -f "$deb" Recommends)"
check "copyright says MIT (Expat)" \
  bash -c 'dpkg-deb --fsys-tarfile "$1" | tar -xO ./usr/share/doc/tallyguard/copyright | grep -q "^License: Expat"' _ "$deb"
tags=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep -E '^[EW]: ')
if [ -z "$tags" ]; then
  echo "ok   - lintian finds no error and no warning"
else
  echo "FAIL - lintian:"
  echo "$tags"
  failures=$((failures + 1))
fi
exit "$failures"
