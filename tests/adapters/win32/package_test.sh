#!/usr/bin/env bash
# The Windows packages as a user gets them: the zip holds Tallyguard.exe and its console twin
# Tallyguard.com, which need no DLL beyond Windows' own, and the installer installs both into
# Program Files, where a prompt's "Tallyguard --version" answers through the twin, and its
# uninstaller removes them. Runs in the Wine prefix scripts/test-windows.sh set up. The installer
# is made by NSIS (makensis, which scripts/install-deps.sh installs): without it the test fails,
# never passing on the zip alone.
# Usage: package_test.sh <build-dir>
set -euo pipefail
build=$1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=Tallyguard-$version-windows-x64
fail() { echo "package test: $*" >&2; exit 1; }

command -v makensis >/dev/null ||
  fail "makensis is not installed (scripts/install-deps.sh installs it), so no installer was made"
(cd "$build" && cpack >/dev/null)
[ -f "$build/$name.exe" ] || fail "cpack made no installer $name.exe"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$build/$name.zip" -d "$unpacked"
program=$unpacked/$name/Tallyguard.exe
for file in Tallyguard.exe Tallyguard.com; do
  [ -f "$unpacked/$name/$file" ] || fail "the zip holds no $file"
  # Windows' own libraries only: anything else would have to lie beside the program.
  others=$(x86_64-w64-mingw32-objdump -p "$unpacked/$name/$file" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32)\.dll$' ||
    true)
  [ -z "$others" ] || fail "$file needs DLLs Windows does not have: $others"
done
wine "$program" --version | grep -q "^Tallyguard $version" || fail "the zipped program does not run"
# The Group Policy templates lie beside the program, for administrators to copy.
for file in policies/Tallyguard.admx policies/en-US/Tallyguard.adml; do
  [ -f "$unpacked/$name/$file" ] || fail "the zip holds no $file"
done

installed="$(wine cmd /c 'echo %ProgramW6432%' | tr -d '\r')\\Tallyguard"
# A silent installer that stops at a question would wait for ever: it gets two minutes.
timeout 120 wine "$build/$name.exe" /S || fail "the installer did not finish"
unix=$(winepath -u "$installed")
[ -f "$unix/Tallyguard.exe" ] || fail "the installer put no Tallyguard.exe in $installed"
# Typed at a prompt in the program's folder, the name finds the console twin first.
answer=$(cd "$unix" && wine cmd /c Tallyguard --version) || fail "the installed program failed"
[ "$answer" = "Tallyguard $version"$'\r' ] || fail "the installed program answered: $answer"
# The Start menu entry starts the installed program, as a user's click would.
menu="$(wine cmd /c 'echo %ProgramData%' | tr -d '\r')\Microsoft\Windows\Start Menu\Programs\Tallyguard\Tallyguard.lnk"
[ -f "$(winepath -u "$menu")" ] || fail "the installer made no Start menu entry"
wine start "$menu" >/dev/null 2>&1
running() { pgrep -f 'Tallyguard\\Tallyguard.exe' >/dev/null; }
for _ in $(seq 60); do running && break; sleep 0.5; done
running || fail "the Start menu entry started nothing"
# Started at logon for this user, as its check box would have it.
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
wine reg add "$run_key" /v Tallyguard.exe /d "\"$installed\\Tallyguard.exe\"" /f >/dev/null

# Uninstalled while it runs. The uninstaller copies itself away and goes on from there after
# this call returns.
wine "$unix/Uninstall.exe" /S
for _ in $(seq 60); do
  [ -f "$unix/Tallyguard.exe" ] || [ -f "$unix/Tallyguard.com" ] || break
  sleep 0.5
done
[ ! -f "$unix/Tallyguard.exe" ] || fail "the uninstaller left Tallyguard.exe behind"
[ ! -f "$unix/Tallyguard.com" ] || fail "the uninstaller left Tallyguard.com behind"
! running || fail "the program still runs after the uninstall"
! wine reg query "$run_key" /v Tallyguard.exe >/dev/null 2>&1 ||
  fail "the start at logon still names the removed program"

# On a Windows older than the program needs, the installer refuses and installs nothing.
wine winecfg /v win7 >/dev/null 2>&1
timeout 120 wine "$build/$name.exe" /S && refused=no || refused=yes
wine winecfg /v win10 >/dev/null 2>&1
[ "$refused" = yes ] || fail "the installer went on under Windows 7"
[ ! -f "$unix/Tallyguard.exe" ] || fail "the installer put Tallyguard.exe on Windows 7"

# An administrator's silent install with defaults for every user of the machine; a value out of
# range (/THIN=7) is left out.
timeout 120 wine "$build/$name.exe" /S '/FOLDER=\\server\share\Backups' /INTERVAL=10 /KEEP=20 \
  /THIN=7 || fail "the installer with defaults did not finish"
[ -f "$unix/policies/Tallyguard.admx" ] || fail "the installer put no policies\Tallyguard.admx"
[ -f "$unix/policies/en-US/Tallyguard.adml" ] ||
  fail "the installer put no policies\en-US\Tallyguard.adml"
machine_value() {
  wine reg query 'HKLM\Software\Morvane\Tallyguard' /v "$1" /reg:64 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_SZ *//p"
}
[ "$(machine_value Path)" = '\\server\share\Backups' ] ||
  fail "the installer wrote the folder as '$(machine_value Path)'"
[ "$(machine_value WhereOption)" = 1 ] || fail "the installer did not send copies to the folder"
[ "$(machine_value OftenIndex)" = 4 ] ||
  fail "10 minutes became the interval position '$(machine_value OftenIndex)'"
[ "$(machine_value 'Keep Copies')" = 20 ] || fail "the installer wrote Keep Copies wrong"
[ -z "$(machine_value 'Thin Copies')" ] || fail "the installer wrote /THIN=7"
# The installed program takes them as the machine's defaults.
settings=$(cd "$unix" && wine cmd /c Tallyguard --settings | tr -d '\r') ||
  fail "the installed program's --settings failed"
grep -qxF "$(printf 'OftenIndex\t4\tsystem default')" <<<"$settings" ||
  fail "the program does not take the installer's interval: $settings"
grep -qxF "$(printf 'Thin Copies\t0\tbuilt-in')" <<<"$settings" ||
  fail "the program does not report Thin Copies as built-in: $settings"
wine "$unix/Uninstall.exe" /S
echo "package test: the zip and the installer of Tallyguard $version passed"
