#!/usr/bin/env bash
# Installs the Windows release made by scripts/package-windows.sh under Wine, as a person
# without an administrator would, for one bitness:
#   run_package_tests.sh DIST x64|x86 WINE_LOADER
# needs an X display (run it under xvfb-run). Installs Tintbox-VERSION-BITNESS.msi with
# msiexec /qn, checks that it wrote the classes for the user only, runs the VBScript
# client and uninstalls it; then does the same with the zip's install.cmd and
# uninstall.cmd. After each uninstallation no key of the class, its program ids, its type
# library or its interfaces is left under HKCU or HKLM, and no file. The class and program
# ids the package writes must be exactly those that the library's own per-user
# registration writes, and its type library keys those that registering the type library
# writes. A Wine that cannot start is a failure.
set -euo pipefail

dist=$(cd "$1" && pwd)
bitness=$2
export TINTBOX_WINE=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)

export WINEDEBUG=-all LC_ALL=C.UTF-8
if [ "$bitness" = x86 ]; then
  export WINEARCH=win32
  typelib_platform=win32
else
  typelib_platform=win64
fi
WINEPREFIX=$(mktemp -d /tmp/tintbox-wine-package.XXXXXX)
export WINEPREFIX
unpacked=$(mktemp -d /tmp/tintbox-unpacked.XXXXXX)
cleanup() {
  "$(dirname "$TINTBOX_WINE")/wineserver" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$unpacked"
}
trap cleanup EXIT

failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
wine() { "$TINTBOX_WINE" "$@"; }
wine_out() { "$TINTBOX_WINE" "$@" | tr -d '\r'; }

if ! wine cmd /c exit 0 >/dev/null 2>&1; then
  echo "FAIL Wine ($TINTBOX_WINE) cannot start a program" >&2
  exit 1
fi

msi=$(find "$dist" -maxdepth 1 -name "Tintbox-*-$bitness.msi" | head -n 1)
zip=$(find "$dist" -maxdepth 1 -name 'Tintbox-*-windows.zip' | head -n 1)
if [ -z "$msi" ] || [ -z "$zip" ]; then
  echo "FAIL $dist holds no Tintbox-*-$bitness.msi or no Tintbox-*-windows.zip" >&2
  exit 1
fi

clsid='{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}'
libid='{0834C306-968F-4E38-BF37-B47BD5F4336D}'
class_keys=("CLSID\\$clsid" "TintboxControl.Tintbox" "TintboxControl.Tintbox.1")
typelib_keys=("TypeLib\\$libid" "Interface\\{D2209109-F4EB-4DB5-B1B8-6B042F4EF562}"
  "Interface\\{083D3C31-CB2D-4CC8-99FB-AB40B3882990}")
install_folder=$(wine_out cmd /c 'echo %LOCALAPPDATA%\Programs\Tintbox')
install_folder_unix=$(wine_out winepath -u "$install_folder")

# The keys and values below ROOT\Software\Classes\KEY, one "key|value" line each, sorted,
# with the root left out: two registrations compare line for line. A missing key lists
# nothing.
registry_listing() {
  { wine_out reg query "$1\\Software\\Classes\\$2" /s 2>/dev/null || true; } |
    awk '/^HKEY_/ {key = $0; sub(/^HKEY_[A-Z_]*\\Software\\Classes\\/, "", key); print key "|"; next}
         /^    / {print key "|" substr($0, 5)}' | LC_ALL=C sort
}
# The type library's keys, leaving out FLAGS and HELPDIR, where Wine's own registration
# writes its private flag and a folder without its final backslash.
typelib_listing() {
  local key
  for key in "${typelib_keys[@]}"; do registry_listing "$1" "$key"; done |
    { grep -v -e '\\FLAGS|' -e '\\HELPDIR|' || true; }
}
class_listing() {
  local key
  for key in "${class_keys[@]}"; do registry_listing HKCU "$key"; done
}
key_in() { wine reg query "$1\\Software\\Classes\\$2" >/dev/null 2>&1; }

# Windows shows a program the user's classes (HKCU\Software\Classes) merged over the
# machine's; Wine 8 reads only the machine's. So the client runs with a copy of the user's
# class keys under HKLM, deleted again as soon as it ends. Wine's cscript ends a script
# whose CreateObject fails silently and with status 0: only the client's closing line
# tells that it ran.
vbscript_client() {
  local key output
  for key in "${class_keys[@]}"; do
    wine reg copy "HKCU\\Software\\Classes\\$key" "HKLM\\Software\\Classes\\$key" /s /f >/dev/null 2>&1 || true
  done
  output=$(wine_out cscript //nologo "$(wine_out winepath -w "$root/hosts/com/tests/tintbox_test.vbs")") || true
  for key in "${class_keys[@]}"; do
    wine reg delete "HKLM\\Software\\Classes\\$key" /f >/dev/null 2>&1 || true
  done
  if grep -Eqx 'passed ([0-9]+) of \1 checks' <<<"$output"; then
    pass "$1: the VBScript client creates and drives the control"
  else
    fail "$1: the VBScript client"
    printf '%s\n' "$output" | sed 's/^/    /'
  fi
}

nothing_left() {
  local root key left=""
  for root in HKCU HKLM; do
    for key in "${class_keys[@]}" "${typelib_keys[@]}"; do
      if key_in "$root" "$key"; then left+=" $root\\Software\\Classes\\$key"; fi
    done
  done
  if [ -n "$left" ]; then fail "$1 left$left"; else pass "$1 leaves no key under HKCU or HKLM"; fi
  if [ -e "$install_folder_unix" ]; then
    fail "$1 left $(find "$install_folder_unix" | tr '\n' ' ')"
  else
    pass "$1 leaves no file"
  fi
}

# ---- The installer package
if wine msiexec /i "$(wine_out winepath -w "$msi")" /qn; then
  pass "msiexec /i $(basename "$msi") /qn"
else
  fail "msiexec /i $(basename "$msi") exit status $?"
fi
ocx="$install_folder\\$bitness\\Tintbox.ocx"
if [ "$(wine_out reg query "HKCU\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /ve 2>/dev/null |
  awk '/REG_SZ/ {sub(/^.*REG_SZ    /, ""); print}')" = "$ocx" ] &&
  [ -f "$install_folder_unix/$bitness/Tintbox.ocx" ] && ! key_in HKLM "CLSID\\$clsid"; then
  pass "the package installs $ocx and its class for the user only"
else
  fail "the package did not install $ocx with its class under HKCU alone"
fi
if [ "$(registry_listing HKCU "TypeLib\\$libid" | grep -c "\\\\409\\\\$typelib_platform|")" = 2 ]; then
  pass "the package registers the $typelib_platform type library for the user"
else
  fail "the package wrote no HKCU\\Software\\Classes\\TypeLib\\$libid\\1.0\\409\\$typelib_platform"
fi
package_classes=$(class_listing)
package_typelib=$(typelib_listing HKCU)
vbscript_client "the package"
if wine msiexec /x "$(wine_out winepath -w "$msi")" /qn; then
  pass "msiexec /x $(basename "$msi") /qn"
else
  fail "msiexec /x $(basename "$msi") exit status $?"
fi
nothing_left "msiexec /x"

# ---- The zip's per-user scripts
unzip -q "$zip" -d "$unpacked"
scripts=$(wine_out winepath -w "$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d)")
if wine_out cmd /c "$scripts\\install.cmd" | sed 's/^/    /'; then
  pass "install.cmd"
else
  fail "install.cmd exit status $?"
fi
# Wine's per-user type library registration writes machine-wide.
if diff <(echo "$package_classes") <(class_listing) >/dev/null; then
  pass "the package writes the class and program ids as the library's registration does"
else
  fail "the package and the library's registration write different classes:"
  diff <(echo "$package_classes") <(class_listing) | sed 's/^/    /' || true
fi
if diff <(echo "$package_typelib") <(typelib_listing HKLM) >/dev/null; then
  pass "the package writes the type library as registering it does"
else
  fail "the package and the type library's registration write different keys:"
  diff <(echo "$package_typelib") <(typelib_listing HKLM) | sed 's/^/    /' || true
fi
vbscript_client "install.cmd"
if wine_out cmd /c "$scripts\\uninstall.cmd" | sed 's/^/    /'; then
  pass "uninstall.cmd"
else
  fail "uninstall.cmd exit status $?"
fi
nothing_left "uninstall.cmd"

echo "$failures failed"
[ "$failures" -eq 0 ]
