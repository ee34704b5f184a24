#!/usr/bin/env bash
# Runs the Windows tests of one build under Wine:
#   run_windows_tests.sh BUILD_DIR TRIPLET WINE_LOADER
# needs an X display (run it under xvfb-run). Checks the library's exports and imports,
# registers Tintbox.ocx with regsvr32 and reads the keys back, runs the VBScript client,
# the C++ host and the form host (screenshots in BUILD_DIR/screenshots; the form host
# again at 144 DPI), unregisters and
# checks that nothing is left, registers per user with /n /i:user, runs a program that
# uses the library without registration, and runs the scenario scripts through
# tintbox-script.exe. A Wine that cannot start is a failure.
set -euo pipefail

build=$(cd "$1" && pwd)
triplet=$2
export TINTBOX_WINE=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)
ocx=$build/Tintbox.ocx

export WINEDEBUG=-all
# Wine names Unix files in the locale's character set: without UTF-8 a Windows name
# beyond ASCII has no Unix name.
export LC_ALL=C.UTF-8
# A 32-bit library is tested in a 32-bit Windows, where every program is 32-bit too.
if [ "$triplet" = i686-w64-mingw32 ]; then
  export WINEARCH=win32
fi
WINEPREFIX=$(mktemp -d /tmp/tintbox-wine.XXXXXX)
export WINEPREFIX
# The first program creates the prefix; one wineserver serves the whole run.
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
wine() { "$TINTBOX_WINE" "$@"; }
wineserver() { "$(dirname "$TINTBOX_WINE")/wineserver" "$@"; }
# Standard output of a Windows program, with LF line ends.
wine_out() { "$TINTBOX_WINE" "$@" | tr -d '\r'; }

if ! wine cmd /c exit 0 >/dev/null 2>&1; then
  echo "FAIL Wine ($TINTBOX_WINE) cannot start a program" >&2
  exit 1
fi
wineserver -p 2>/dev/null || true

# ---- The library's exports and imports
exports=$("$triplet-objdump" -p "$ocx" |
  awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^[ \t]*\[/ {print $NF} /^$/ {on = 0}' |
  sort | tr '\n' ' ')
if [ "$exports" = "DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer " ]; then
  pass "Tintbox.ocx exports exactly the four entry points and DllInstall"
else
  fail "Tintbox.ocx exports: $exports"
fi
system_dlls='^(ADVAPI32|GDI32|KERNEL32|msvcrt|ole32|OLEACC|OLEAUT32|USER32|VERSION)\.dll$'
for program in "$ocx" "$build/tests/tintbox_com_host_test.exe" "$build/tests/tintbox_form_host_test.exe" \
  "$build/tests/tintbox_contract_test.exe" "$build/tests/tintbox_registration_free_test.exe" \
  "$build/core/tintbox-script.exe"; do
  if ! imports=$("$triplet-objdump" -p "$program" | awk '/DLL Name:/ {print $3}'); then
    fail "$(basename "$program") cannot be read"
    continue
  fi
  strays=$(grep -Eiv "$system_dlls" <<<"$imports" || true)
  if [ -z "$strays" ]; then
    pass "$(basename "$program") needs no DLL beyond Windows' own"
  else
    fail "$(basename "$program") needs $strays"
  fi
done

# ---- One set of GUIDs: the Linux server's header, the IDL, the C++ identifiers and the
# registration-free manifest
guids=$(grep -oE '\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}' \
  "$root/hosts/c/include/tintbox/tintbox_shell.h" | grep -v 060EA370 | tr -d '{}')
for guid in $guids; do
  if grep -q "$guid" "$root/hosts/com/src/tintbox.idl" &&
    grep -q "{$guid}" "$root/hosts/com/src/identifiers.hpp" &&
    grep -q "{$guid}" "$build/Tintbox.manifest"; then
    pass "GUID $guid is the same everywhere"
  else
    fail "GUID $guid of tintbox_shell.h differs in tintbox.idl, identifiers.hpp or Tintbox.manifest"
  fi
done

# ---- Registration
windows_path=$(wine_out winepath -w "$ocx")
clsid='{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}'
libid='{0834C306-968F-4E38-BF37-B47BD5F4336D}'
# "KEY|VALUE NAME|DATA": every value registration must leave; (Default) is the key's own.
expected_values=(
  "CLSID\\$clsid\\InprocServer32|(Default)|$windows_path"
  "CLSID\\$clsid\\InprocServer32|ThreadingModel|Apartment"
  "CLSID\\$clsid\\ProgID|(Default)|TintboxControl.Tintbox.1"
  "CLSID\\$clsid\\VersionIndependentProgID|(Default)|TintboxControl.Tintbox"
  "CLSID\\$clsid\\TypeLib|(Default)|$libid"
  "CLSID\\$clsid\\Version|(Default)|1.0"
  "CLSID\\$clsid\\ToolboxBitmap32|(Default)|$windows_path, 30000"
  "CLSID\\$clsid\\MiscStatus|(Default)|0"
  "CLSID\\$clsid\\MiscStatus\\1|(Default)|131473"
  "TintboxControl.Tintbox\\CLSID|(Default)|$clsid"
  "TintboxControl.Tintbox\\CurVer|(Default)|TintboxControl.Tintbox.1"
  "TintboxControl.Tintbox.1\\CLSID|(Default)|$clsid"
)
expected_keys=(
  "CLSID\\$clsid\\Control"
  "CLSID\\$clsid\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}"
  "TypeLib\\$libid\\1.0\\409"
)
removed_keys=("CLSID\\$clsid" "TintboxControl.Tintbox" "TintboxControl.Tintbox.1" "TypeLib\\$libid")

value_of() {  # KEY NAME: the data of one value under HKEY_CLASSES_ROOT
  local query
  if [ "$2" = "(Default)" ]; then query=(/ve); else query=(/v "$2"); fi
  wine_out reg query "HKCR\\$1" "${query[@]}" 2>/dev/null |
    awk -v name="$2" 'index($0, name) && /REG_SZ/ {sub(/^.*REG_SZ    /, ""); print}'
}
key_exists() { wine reg query "HKCR\\$1" >/dev/null 2>&1; }

if wine regsvr32 /s "$ocx"; then pass "regsvr32 registers Tintbox.ocx"; else fail "regsvr32 exit status $?"; fi
for entry in "${expected_values[@]}"; do
  IFS='|' read -r key name data <<<"$entry"
  actual=$(value_of "$key" "$name")
  if [ "$actual" = "$data" ]; then pass "HKCR\\$key $name"; else fail "HKCR\\$key $name is '$actual', expected '$data'"; fi
done
for key in "${expected_keys[@]}"; do
  if key_exists "$key"; then pass "HKCR\\$key exists"; else fail "HKCR\\$key is missing"; fi
done

# ---- Clients
# Wine's cscript ends a script whose CreateObject fails silently and with status 0: only
# the client's closing line tells that it ran.
vbscript_output=$(wine_out cscript //nologo "$(wine_out winepath -w "$root/hosts/com/tests/tintbox_test.vbs")") || true
printf '%s\n' "$vbscript_output" | sed 's/^/    /'
if grep -Eqx 'passed ([0-9]+) of \1 checks' <<<"$vbscript_output"; then
  pass "VBScript client"
else
  fail "VBScript client"
fi
wine_out "$build/tests/tintbox_com_host_test.exe" | sed 's/^/    /' &&
  pass "C++ host" || fail "C++ host"
# The control on a form: the screenshots stay in the build folder for a person to look at.
mkdir -p "$build/screenshots"
TINTBOX_SCREENSHOTS=$(wine_out winepath -w "$build/screenshots") \
  wine_out "$build/tests/tintbox_form_host_test.exe" | sed 's/^/    /' &&
  pass "form host: the control in place on a form, driven through the window system" ||
  fail "form host"
# Again at 150 % (Wine reads LogPixels when its server starts): fonts, places and
# cursors at 144 DPI.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
mkdir -p "$build/screenshots-144dpi"
screenshots_144=$(wine_out winepath -w "$build/screenshots-144dpi")
set_dpi 144
TINTBOX_SCREENSHOTS=$screenshots_144 \
  wine_out "$build/tests/tintbox_form_host_test.exe" | sed 's/^/    /' &&
  pass "form host at 144 DPI" || fail "form host at 144 DPI"
set_dpi 96
# The person-level contract suite (tests/contract) on the same form.
wine_out "$build/tests/tintbox_contract_test.exe" | sed 's/^/    /' &&
  pass "contract suite on the Win32 front end" || fail "contract suite on the Win32 front end"

# ---- Unregistration removes what registration wrote
if wine regsvr32 /u /s "$ocx"; then pass "regsvr32 /u unregisters Tintbox.ocx"; else fail "regsvr32 /u exit status $?"; fi
for key in "${removed_keys[@]}"; do
  if key_exists "$key"; then fail "HKCR\\$key is left after unregistration"; else pass "HKCR\\$key is gone"; fi
done
# ---- Per user from any prompt: Wine runs programs elevated, where plain regsvr32 writes
# machine-wide; /n /i:user writes the classes under HKCU only. (Wine's
# RegisterTypeLibForUser registers the type library machine-wide.)
classes_key() { wine reg query "$1\\Software\\Classes\\$2" >/dev/null 2>&1; }
if wine regsvr32 /s /n /i:user "$ocx" && classes_key HKCU "CLSID\\$clsid\\InprocServer32" &&
  classes_key HKCU "TintboxControl.Tintbox\\CLSID" && ! classes_key HKLM "CLSID\\$clsid"; then
  pass "regsvr32 /n /i:user registers the class for the user only"
else
  fail "regsvr32 /n /i:user did not register the class under HKCU alone"
fi
if wine regsvr32 /s /u /n /i:user "$ocx" && ! classes_key HKCU "CLSID\\$clsid" &&
  ! classes_key HKCU "TintboxControl.Tintbox"; then
  pass "regsvr32 /u /n /i:user removes the user's registration"
else
  fail "regsvr32 /u /n /i:user left the user's registration"
fi
if wine regsvr32 /s /n /i:nobody "$ocx" 2>/dev/null; then
  fail "regsvr32 /n /i:nobody reports success"
else
  pass "regsvr32 /n /i: with an unknown scope fails"
fi
if wine regsvr32 /s "$build/no-such-library.ocx" 2>/dev/null; then
  fail "regsvr32 reports success for a missing library"
else
  pass "regsvr32 fails for a missing library"
fi

# ---- Registration-free: a program with Tintbox.ocx and its manifest beside it, nothing in
# the registry
if key_exists "CLSID\\$clsid" || key_exists "TintboxControl.Tintbox" || key_exists "TypeLib\\$libid"; then
  fail "registry entries of Tintbox are left before the registration-free run"
fi
rm -rf "$build/registration-free"
mkdir -p "$build/registration-free"
cp "$ocx" "$build/Tintbox.manifest" "$build/tests/tintbox_registration_free_test.exe" \
  "$build/tests/tintbox_registration_free_test.exe.manifest" "$build/registration-free/"
wine_out "$build/registration-free/tintbox_registration_free_test.exe" | sed 's/^/    /' &&
  pass "registration-free: the control is created through the manifests alone" ||
  fail "registration-free"

# ---- The scenario scripts give the same output as on Linux
export TINTBOX_SCRIPT_EXE=$build/core/tintbox-script.exe
# (hosts/com/tests/scripts holds the scripts about Windows' files; they print the same on Linux.)
for script in "$root"/tests/scripts/*.tbs "$root"/hosts/com/tests/scripts/*.tbs; do
  name=$(basename "$script" .tbs)
  if cmake -DSCRIPT_DRIVER="$root/hosts/com/tests/wine_script_driver.sh" -DSCRIPT="$script" \
    -DWORK_DIR="$build/scenario-work/$name" \
    -P "$root/tests/run_scenario.cmake" >"$build/scenario-$name.log" 2>&1; then
    pass "scenario $name"
  else
    fail "scenario $name"
    sed 's/^/    /' "$build/scenario-$name.log"
  fi
done

# The bag saved under a name beyond the ANSI code page has that very name.
if [ -f "$build/scenario-work/bag_files/"$'r\xc3\xa9glages-\xe8\xa8\xad\xe5\xae\x9a.tbag' ]; then
  pass "a bag file keeps its Unicode name"
else
  fail "a bag file lost its Unicode name: $(ls "$build/scenario-work/bag_files")"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
