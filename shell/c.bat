@echo off
rem Dirhop for cmd: "c" runs dirhop.exe (the one beside this file, else the one on PATH), then
rem calls the batch file it wrote, which changes this cmd's drive and directory. There is no
rem setlocal here: it would undo that change when this file ends, so no variable is set either.
rem The hand-off file is %TEMP%\dirhop2.bat, or the file named by DIRHOP_HANDOFF when that is set.

rem A result left by an earlier run must not be taken for this one if dirhop cannot start.
if not defined DIRHOP_HANDOFF if exist "%TEMP%\dirhop2.bat" del "%TEMP%\dirhop2.bat"
if defined DIRHOP_HANDOFF if exist "%DIRHOP_HANDOFF%" del "%DIRHOP_HANDOFF%"

if exist "%~dp0dirhop.exe" goto beside
dirhop.exe %*
goto handoff
:beside
"%~dp0dirhop.exe" %*
:handoff
rem ERRORLEVEL in the lines below is expanded when each line is read, before its call runs, so
rem dirhop's exit code is returned whatever the hand-off batch file leaves behind.
if not defined DIRHOP_HANDOFF if exist "%TEMP%\dirhop2.bat" call "%TEMP%\dirhop2.bat" & exit /b %ERRORLEVEL%
if defined DIRHOP_HANDOFF if exist "%DIRHOP_HANDOFF%" call "%DIRHOP_HANDOFF%" & exit /b %ERRORLEVEL%
exit /b %ERRORLEVEL%
