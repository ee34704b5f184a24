@echo off
rem Takes away what install.cmd installed for the current user: unregisters each
rem Tintbox.ocx under %LOCALAPPDATA%\Programs\Tintbox with "regsvr32 /u /n /i:user" and
rem deletes the folder. A library whose unregistration fails is left in place.
setlocal
set "target=%LOCALAPPDATA%\Programs\Tintbox"
set "regsvr32_64=%SystemRoot%\System32\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "regsvr32_64=%SystemRoot%\Sysnative\regsvr32.exe"
set "regsvr32_32=%SystemRoot%\System32\regsvr32.exe"
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "regsvr32_32=%SystemRoot%\SysWOW64\regsvr32.exe"

set "status=0"
if exist "%target%\x64\Tintbox.ocx" (
  call :uninstall x64 "%regsvr32_64%"
  if errorlevel 1 set "status=1"
)
if exist "%target%\x86\Tintbox.ocx" (
  call :uninstall x86 "%regsvr32_32%"
  if errorlevel 1 set "status=1"
)
if "%status%"=="0" if exist "%target%" rmdir "%target%" 2>nul
if "%status%"=="0" echo Tintbox is uninstalled for %USERNAME%.
exit /b %status%

rem :uninstall BITNESS REGSVR32 unregisters BITNESS\Tintbox.ocx and deletes its folder.
:uninstall
"%~2" /s /u /n /i:user "%target%\%1\Tintbox.ocx"
if not errorlevel 1 goto :delete
echo Unregistering %target%\%1\Tintbox.ocx failed; it stays where it is.
exit /b 1
:delete
rmdir /s /q "%target%\%1"
exit /b 0
