@echo off
rem Installs Tintbox.ocx for the current user, with no administrator: copies the library
rem of each bitness this Windows runs to %LOCALAPPDATA%\Programs\Tintbox and registers it
rem with "regsvr32 /n /i:user" (the library's DllInstall), the 64-bit library in the
rem 64-bit registry and the 32-bit one in the 32-bit registry. uninstall.cmd undoes it.
setlocal
set "source=%~dp0"
set "target=%LOCALAPPDATA%\Programs\Tintbox"

rem The 64-bit regsvr32 is System32's; a 32-bit prompt on 64-bit Windows reaches it as
rem Sysnative. The 32-bit one is SysWOW64's on 64-bit Windows, System32's on 32-bit Windows.
set "windows64="
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "windows64=1"
if /i "%PROCESSOR_ARCHITEW6432%"=="AMD64" set "windows64=1"
set "regsvr32_64=%SystemRoot%\System32\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "regsvr32_64=%SystemRoot%\Sysnative\regsvr32.exe"
set "regsvr32_32=%SystemRoot%\System32\regsvr32.exe"
if defined windows64 set "regsvr32_32=%SystemRoot%\SysWOW64\regsvr32.exe"

if defined windows64 (
  call :install x64 "%regsvr32_64%"
  if errorlevel 1 exit /b 1
)
if exist "%regsvr32_32%" (
  call :install x86 "%regsvr32_32%"
  if errorlevel 1 exit /b 1
) else (
  echo This Windows runs no 32-bit programs: the 32-bit Tintbox.ocx is left out.
)
echo Tintbox is installed for %USERNAME% in %target%.
exit /b 0

rem :install BITNESS REGSVR32 copies BITNESS\Tintbox.ocx and registers it for the user.
:install
rem (Each step is checked with "if errorlevel": some cmd.exe lookalikes run the right of
rem "||" after a built-in command that succeeded.)
if not exist "%target%\%1" (
  mkdir "%target%\%1"
  if errorlevel 1 exit /b 1
)
copy /y "%source%%1\Tintbox.ocx" "%target%\%1\Tintbox.ocx" >nul
if errorlevel 1 exit /b 1
copy /y "%source%%1\TintboxControl.tlb" "%target%\%1\TintboxControl.tlb" >nul
if errorlevel 1 exit /b 1
"%~2" /s /n /i:user "%target%\%1\Tintbox.ocx"
if not errorlevel 1 exit /b 0
echo Registering %target%\%1\Tintbox.ocx failed.
exit /b 1
