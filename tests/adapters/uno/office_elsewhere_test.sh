#!/usr/bin/env bash
# LibreOffice installed where users of other distributions have it, with none at
# /usr/lib/libreoffice (hidden in a mount namespace of the test's own): the real program backs up
# a workbook open in an office laid out as libreoffice.org's packages install it
# (/opt/libreoffice7.4), and in one reached only through the soffice on the user's PATH. The
# office trees are Debian's own office, laid out as those installs are.
#   office_elsewhere_test.sh PROGRAM
# Exits 77 (skipped) without root or where no private mount namespace can be made (a chroot,
# whose root is no mount point of its own, refuses one).
set -uo pipefail
PROGRAM=$(readlink -f "$1")
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null; then
  echo "skipped: a mount namespace of the test's own needs root"
  exit 77
fi
if ! refusal=$(unshare -m --propagation private true 2>&1); then
  echo "skipped: no private mount namespace can be made here: ${refusal%%$'\n'*}"
  exit 77
fi
work=$(mktemp -d /var/tmp/tallyguard-elsewhere-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Links resolved, as an office of its own ships; hard links where the disk allows (the tree is
# about 300 MB), and the brand folder relative to the tree, as the office's own packages set it.
# (The SDK's documentation link points at a package that is not installed.)
cp -aLl /usr/lib/libreoffice "$work/tree" 2>/dev/null || [ -f "$work/tree/program/soffice.bin" ] ||
  cp -aL /usr/lib/libreoffice "$work/tree" 2>/dev/null
rc="$work/tree/program/fundamentalrc"
sed 's|^BRAND_BASE_DIR=.*|BRAND_BASE_DIR=${ORIGIN}/..|' "$rc" >"$rc.new" && rm "$rc" && mv "$rc.new" "$rc"
mkdir -p "$work/docs"
printf 'Item,Amount\nRent,900\n' >"$work/docs/Budget.csv"

# One case in a namespace of its own: the office started from LAUNCHER, the workbook opened in it
# through the office's own Python bridge, then Debian's office hidden and the program's backup.
cat >"$work/case.sh" <<'CASE'
set -uo pipefail
work=$1 launcher=$2 path=$3 program=$4 name=$5
office=
stop_office() {
  [ -n "$office" ] || return 0
  pkill -TERM -P "$office" 2>/dev/null
  kill "$office" 2>/dev/null
  wait "$office" 2>/dev/null
}
fail() {
  echo "FAIL - $name: $*"
  stop_office
  exit 1
}
mount -t tmpfs none /opt && mkdir /opt/libreoffice7.4 &&
  mount --bind "$work/tree" /opt/libreoffice7.4 || fail "the office tree was not put in /opt"
rm -rf "$work/profile" "$work/home" "$work/log" "$work/docs/Budget "*
mkdir -p "$work/home" "$work/log"
pipe="tallyguard_elsewhere_$$"
"$launcher" "-env:UserInstallation=file://$work/profile" --headless --invisible --norestore \
  --nologo --nodefault --nolockcheck "--accept=pipe,name=$pipe;urp;StarOffice.ComponentContext" \
  >/dev/null 2>&1 &
office=$!
timeout 60 /usr/bin/python3 - "$pipe" "$work/docs/Budget.csv" <<'OPEN'
import sys, time, uno
from com.sun.star.beans import PropertyValue
local = uno.getComponentContext()
resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
for _ in range(100):
    try:
        office = resolver.resolve(f"uno:pipe,name={sys.argv[1]};urp;StarOffice.ComponentContext")
        break
    except Exception:
        time.sleep(0.5)
desktop = office.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", office)
hidden = PropertyValue()
hidden.Name, hidden.Value = "Hidden", True
desktop.loadComponentFromURL(uno.systemPathToFileUrl(sys.argv[2]), "_blank", 0, (hidden,))
OPEN
# Debian's office out of sight: the test means nothing while the program could still find it.
mount -t tmpfs none /usr/lib/libreoffice || fail "Debian's office could not be hidden"
[ ! -e /usr/lib/libreoffice/program/soffice ] || fail "Debian's office is still in sight"
env -i HOME="$work/home" PATH="$path" TEMP="$work/log" XDG_RUNTIME_DIR="$work/home" \
  TALLYGUARD_OFFICE_PROFILE="file://$work/profile" TALLYGUARD_OFFICE_PIPE="$pipe" \
  timeout 120 "$program" --backup-now >"$work/out" 2>&1
status=$?
stop_office
copies=("$work/docs/Budget Date "*.csv)
if [ "$status" -eq 0 ] && grep -q "Rent,900" "${copies[0]}" 2>/dev/null; then
  echo "ok   - $name"
else
  echo "FAIL - $name (status $status): $(cat "$work/out")"
  exit 1
fi
CASE

failures=0
unshare -m --propagation private bash "$work/case.sh" "$work" \
  /opt/libreoffice7.4/program/soffice /usr/bin:/bin "$PROGRAM" \
  "an office in /opt/libreoffice7.4" || failures=$((failures + 1))
mkdir -p "$work/bin"
ln -s "$work/tree/program/soffice" "$work/bin/soffice"
unshare -m --propagation private bash "$work/case.sh" "$work" "$work/bin/soffice" \
  "$work/bin:/usr/bin:/bin" "$PROGRAM" \
  "an office in a folder of its own, its soffice on the PATH" || failures=$((failures + 1))
exit "$failures"
