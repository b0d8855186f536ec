#!/usr/bin/env bash
# Builds the station's layers below the Qt engine as Windows programs (MinGW-w64) and runs their
# tests under Wine. The serial layer's Windows side gets a real COM port: the crank emulator,
# built for Linux, plays the crank on a pseudo-terminal, and the Wine prefix maps that terminal
# as COM9 (dosdevices/com9), so the tests reach it through CreateFile, ReadFile and
# ClearCommError as on Windows. Then the whole station: the zip of scripts/package-windows.sh
# (which builds the Windows Qt into its cache when it is missing), unzipped into a fresh prefix,
# its window on a virtual screen with the emulator on COM9; and its installer, installed silently
# in that prefix, its station started as the Start-menu entry starts it, and uninstalled.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh --windows

# The emulator, on Linux.
bash scripts/traced.sh test-windows-host-configure cmake -G Ninja -S . -B build-win-host \
  -DCMAKE_BUILD_TYPE=Release -DZAN_QT=OFF -DZAN_TESTS=OFF -DZAN_BENCH=OFF
bash scripts/traced.sh test-windows-host-build cmake --build build-win-host --target zan_crank

# The station's core and its tests, for Windows.
bash scripts/traced.sh test-windows-configure cmake -G Ninja -S . -B build-win \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Debug \
  -DZAN_QT=OFF -DZAN_BENCH=OFF -DZAN_GTEST_SOURCE_DIR=/usr/src/googletest
bash scripts/traced.sh test-windows-build cmake --build build-win

# A Wine prefix of the build's own, without a screen, without Mono and Gecko, and without the menu
# builder, which would copy the installer's Start-menu entry into the desktop's menu.
export WINEPREFIX="$PWD/build-win/wine" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY
com=9
crank="$PWD/build-win-host/zan_crank"
work="$PWD/build-win/com"
rm -rf "$work"
mkdir -p "$work"
crank_pid=""
watch_pid=""
xvfb_pid=""
finish() {
  if [ -n "$watch_pid" ]; then kill "$watch_pid" 2>/dev/null || true; fi
  if [ -n "$crank_pid" ]; then kill "$crank_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap finish EXIT

# Starts the prefix's server for the whole test with its output in a log, and sets the prefix up
# when it is new: the server opens the COM port's terminal, which becomes its controlling
# terminal, and the emulator's end sends it a hang-up, on which it writes out its objects.
start_wine() {
  mkdir -p "$WINEPREFIX"
  # A server left over from a run that was cut short would keep the old log.
  wineserver -k 2>/dev/null || true
  wineserver -p 2>"$work/wineserver.log" >&2
  if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i 2>"$work/wineboot.log"; fi
}

# The crank (the emulator's options as arguments) on a pseudo-terminal, linked as ports/COM9 in the
# work folder and as the prefix's COM9, which the prefix's server, started again, lists.
start_crank() {
  (cd "$work" && exec "$crank" --port "$com" "$@") >"$work/crank.log" 2>&1 &
  crank_pid=$!
  for _ in $(seq 100); do
    if [ -L "$work/ports/COM$com" ]; then break; fi
    sleep 0.05
  done
  if ! terminal=$(readlink "$work/ports/COM$com"); then
    echo "The crank emulator did not link ports/COM$com:" >&2
    cat "$work/crank.log" >&2
    exit 1
  fi
  ln -sfn "$terminal" "$WINEPREFIX/dosdevices/com$com"
  # Named the Wine way too, the mount manager lists the port at the server's next start as Windows
  # lists a COM port (QueryDosDevice, HARDWARE\DEVICEMAP\SERIALCOMM): the station's device
  # search tries only the ports listed.
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$com" /t REG_SZ /d "$terminal" /f >/dev/null 2>&1
  start_wine
}

start_wine
# The test asks for the crank's end by creating the hang-up file.
start_crank --serial 417 --version 3 --quiet
(
  while [ ! -e "$work/hangup" ]; do sleep 0.05; done
  kill "$crank_pid"
) &
watch_pid=$!

export ZAN_COM_PORT="COM$com"
ZAN_COM_HANGUP=$(winepath -w "$work/hangup")
export ZAN_COM_HANGUP
# The tests' runs are traced like the build: what Wine reads for them must come from the packages
# the setup installs, Recommends left out. (Wine's start is not: the services it leaves running
# would hold the tracer to the end.)
bash scripts/traced.sh test-windows-run ctest --test-dir build-win --output-on-failure -j2
# The COM port test asks for the crank's end last: without the file it never reached the port.
if [ ! -e "$work/hangup" ]; then
  echo "The COM port test did not run on COM$com." >&2
  exit 1
fi
wait "$crank_pid" 2>/dev/null || true
crank_pid=""
wineserver -k 2>/dev/null || true
unset ZAN_COM_PORT ZAN_COM_HANGUP

# The whole station for Windows: the Windows Qt (built into the cache when it is missing),
# zan_pc.exe and its zip.
made=$(bash scripts/package-windows.sh | tail -n 2)
zip=$(head -n 1 <<<"$made")
installer=$(tail -n 1 <<<"$made")

# The zip's window under Wine, in a fresh prefix on a virtual screen, with the crank on COM9: it
# connects, records a session through ZAN_AUTOMATE and quits as the quit button does.
export WINEPREFIX="$PWD/build-win-qt/wine"
work="$PWD/build-win-qt/com"
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work"
# Xvfb keeps its screen in a file of the work folder, for the picture. The prefix starts on it:
# Wine's desktop, which every window of the prefix opens on, is made at the prefix's start.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -fbdir "$work" -nolisten tcp 3>"$work/display" \
  2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  if [ -s "$work/display" ]; then break; fi
  sleep 0.05
done
export DISPLAY=":$(cat "$work/display")"
start_wine
# Wine links the prefix's Documents to the home folder: the installer's rider folder, Documents\ZAN,
# stays in the prefix.
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
if [ -L "$user_dir/Documents" ]; then
  rm "$user_dir/Documents"
  mkdir "$user_dir/Documents"
fi
# Qt asks Windows for its dialog font, "MS Shell Dlg", which Wine gives as Tahoma; finding no
# Tahoma here, Qt took the first font it found, on this machine a math font whose metrics put a
# line edit's text above its box, and every numeric field looked empty. DejaVu Sans, which every
# Debian system with fontconfig has, stands in for it.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg" /d "DejaVu Sans" /f \
  >/dev/null 2>&1
station="$work/zan-station"
unzip -q "$zip" -d "$work"
# The first-run port file names COM9 instead of COM5. The setup's first gain is written as a
# rider might, "1000" for "1000.000": the quit writes it back in the station's own form, so it saves
# a changed file and keeps the rider's as the backup.
sed -i '1s/.*/9/' "$station/zan_com.set"
sed -i '1s/.*/1000/' "$station/zan_01.set"
start_crank --cadence 90 --right-force 300 --left-force 200
(cd "$station" && ZAN_AUTOMATE="5:session;15:readouts;20:readouts;25:session;28:quit" wine zan_pc.exe) \
  >"$work/station.log" 2>&1 &
station_pid=$!
# The title names the crank once its identity frames agree (before that it may show SN_000).
connected="Connected to ZAN -> SW_04  SN_123 )"
# The station window's title once it shows the crank connected, or the last one after a minute.
await_connection() {
  local shown=""
  for _ in $(seq 120); do
    shown=$(xwininfo -root -tree 2>/dev/null | grep -o '"Orvelta[^"]*"' | head -n 1 || true)
    if [[ "$shown" == *"$connected"* ]]; then break; fi
    sleep 0.5
  done
  echo "$shown"
}
title=$(await_connection)
# The picture of the window, once a few rows are on the panel.
sleep 10
window=$(xwininfo -root -tree | grep '"Orvelta' | grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n 1)
if [ -n "$window" ]; then
  IFS='x+' read -r width height left top <<<"$window"
  xwdtopnm "$work/Xvfb_screen0" 2>/dev/null |
    pamcut -left "$left" -top "$top" -width "$width" -height "$height" |
    pnmtopng >"$PWD/build-win-qt/zan-station-wine.png"
fi
status=0
wait "$station_pid" || status=$?
kill "$crank_pid" 2>/dev/null || true
wait "$crank_pid" 2>/dev/null || true
crank_pid=""

fail() {
  echo "The Windows station under Wine: $*" >&2
  cat "$work/station.log" >&2
  exit 1
}
[ "$status" -eq 0 ] || fail "zan_pc.exe ended with code $status."
[[ "$title" == *"$connected"* ]] || fail "its title never showed \"$connected\" (last: $title)."
for kind in csv fit tcx; do
  compgen -G "$station/dati/S_*.$kind" >/dev/null || fail "the session left no $kind file in dati."
done
# The session file: the Linux station's format to the byte (no carriage returns, the same
# columns), and rows that read the crank: the emulator's 90 rpm and its power, (300 + 200) N peaks
# whose mean over a turn is (1 - 0.1 upstroke share) / pi of the peak, on the 172.5 mm crank of
# the first-run setup, at 90 rpm: 232.9 W. Both within 1 %.
csv=$(compgen -G "$station/dati/S_*.csv" | head -n 1)
columns="INDEX,ELAT,LON E+ W-,LAT N+ S-,ALTI,HR,CAD,SPEED,KCAL,POWT,POWL,POWR,OFL,OFR,UDL,UDR,BATzan"
columns+=",BATphone,KmTOT,TorqT,TorqL,TorqR,Ratio% L"
if grep -q $'\r' "$csv" || ! grep -qxF "$columns" "$csv"; then
  fail "$csv is not the session file the Linux station writes."
fi
awk -F, '/^ *[0-9]+,/ { rows++; cadence += $7; power += $10 }
  END {
    if (rows < 10) exit 1
    cadence /= rows; power /= rows
    expected = 500 * 0.9 * 0.1725 * 90 / 30
    printf "%d rows: %.1f rpm, %.1f W\n", rows, cadence, power
    if (cadence < 90 * 0.99 || cadence > 90 * 1.01) exit 1
    if (power < expected * 0.99 || power > expected * 1.01) exit 1
  }' "$csv" || fail "$csv does not read the crank's 90 rpm and 232.9 W within 1 %."
# The panel's read-outs, as the rider reads them, within 1 % of the crank's too.
awk '{ power += $2; cadence += $4; shown++ }
  END {
    if (shown < 2) exit 1
    power /= shown; cadence /= shown
    expected = 500 * 0.9 * 0.1725 * 90 / 30
    printf "the panel shows %.1f W, %.1f rpm\n", power, cadence
    if (cadence < 90 * 0.99 || cadence > 90 * 1.01) exit 1
    if (power < expected * 0.99 || power > expected * 1.01) exit 1
  }' "$station/readouts.txt" ||
  fail "the panel's read-outs do not show the crank's 90 rpm and 232.9 W within 1 %."
# Garmin's decoder reads the FIT file back whole.
fit_check=tests/export/fit_check
if [ "$fit_check/package-lock.json" -nt "$fit_check/node_modules" ]; then
  npm ci --prefix "$fit_check" --no-audit --no-fund
fi
fit=$(compgen -G "$station/dati/S_*.fit" | head -n 1)
node "$fit_check/check.mjs" "$fit" >"$work/fit.txt"
grep -qx "isFIT true" "$work/fit.txt" && grep -qx "integrity true" "$work/fit.txt" &&
  ! grep -q "^error" "$work/fit.txt" || fail "Garmin's decoder does not read $fit back."
grep -q "quit '4' (3 of 3)" "$work/crank.log" || fail "the crank did not receive the three quit bytes."
# The quit saved zan_01.set in the station's form and kept the rider's file as its backup.
[ "$(head -n 1 "$station/zan_01.set" | tr -d '\r')" = "1000.000" ] &&
  [ "$(head -n 1 "$station/zan_01.set.bak" 2>/dev/null | tr -d '\r')" = "1000" ] ||
  fail "quitting did not save zan_01.set or keep the one it replaced."
echo "The Windows station under Wine: $title, a session in dati, quit bytes sent, zan_01.set saved."

# The installer, silently, in the same prefix, as a rider without administrator rights installs
# it. The rider's folder already holds their port file (COM9, where the first-run file names COM5):
# the installer adds the missing calibration and leaves the port as the rider wrote it.
installer_start=$SECONDS
fail() {
  echo "The Windows installer under Wine: $*" >&2
  if [ -s "$work/installed.log" ]; then cat "$work/installed.log" >&2; fi
  exit 1
}
rider="$user_dir/Documents/ZAN"
program="$user_dir/AppData/Local/Programs/ZAN Station"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ZAN Station.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZAN Station'
rider_win="C:\\users\\$(id -un)\\Documents\\ZAN"
program_win="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\ZAN Station"
version=$(sed -n 's/.*programVersion = "\([0-9.]*\) .*/\1/p' setup/window_title.h)
mkdir -p "$rider"
printf '9\r\n' >"$rider/zan_com.set"
wine "$installer" /S >"$work/installer.log" 2>&1 || fail "the installer ended with code $?."
for file in zan_pc.exe uninstall.exe platforms/qwindows.dll pausa.ico start.ico; do
  [ -f "$program/$file" ] || fail "the program folder has no $file."
done
[ ! -e "$program/zan_01.set" ] || fail "the program folder holds the rider's zan_01.set."
cmp -s examples/zan_01.set "$rider/zan_01.set" ||
  fail "Documents\ZAN did not get the first-run zan_01.set."
[ "$(tr -d '\r' <"$rider/zan_com.set")" = 9 ] ||
  fail "the installer wrote over the rider's zan_com.set."
# The Start-menu entry runs the installed program in the rider's folder.
[ -f "$shortcut" ] || fail "there is no Start-menu entry ZAN Station."
links=$(strings -a "$shortcut"; strings -a -el "$shortcut")
grep -qxF "$program_win\zan_pc.exe" <<<"$links" && grep -qxF "$rider_win" <<<"$links" ||
  fail "the Start-menu entry does not start $program_win\zan_pc.exe in $rider_win."
# Windows' list of programs: the entry and how to remove the program, with and without a window.
wine reg query "$key" >"$work/uninstall-key.txt" 2>&1 ||
  fail "Windows' list of programs has no $key."
for value in "DisplayName REG_SZ ZAN Station" "DisplayVersion REG_SZ $version" \
  "InstallLocation REG_SZ $program_win" "UninstallString REG_SZ \"$program_win\uninstall.exe\"" \
  "QuietUninstallString REG_SZ \"$program_win\uninstall.exe\" /S" "Publisher REG_SZ" \
  "NoModify REG_DWORD 0x1" "NoRepair REG_DWORD 0x1" "EstimatedSize REG_DWORD"; do
  tr -d '\r' <"$work/uninstall-key.txt" | sed 's/^ *//; s/    / /g' | grep -qF "$value" ||
    fail "$key lacks \"$value\"."
done

# The installed station, started as its Start-menu entry starts it (the program in the rider's
# folder; Wine's start returns before a shortcut's program ends, without its code), records a
# session into that folder with the crank on COM9.
start_crank --cadence 90 --right-force 300 --left-force 200
(cd "$rider" && ZAN_AUTOMATE="4:session;12:session;14:quit" wine "$program/zan_pc.exe") \
  >"$work/installed.log" 2>&1 &
station_pid=$!
title=$(await_connection)
# Neither the installer nor the uninstaller changes anything while the station runs: Windows
# writes over and deletes no running program. The uninstaller, run in place (_?=), returns when it
# is done; its folder, which has a blank, takes a batch file.
reinstall_status=0
wine "$installer" /S >"$work/reinstall-running.log" 2>&1 || reinstall_status=$?
printf '@"%s\\uninstall.exe" /S _?=%s\r\n' "$program_win" "$program_win" >"$work/uninstall.bat"
uninstall_status=0
wine cmd /c "$(winepath -w "$work/uninstall.bat")" >"$work/uninstall-running.log" 2>&1 ||
  uninstall_status=$?
status=0
wait "$station_pid" || status=$?
kill "$crank_pid" 2>/dev/null || true
wait "$crank_pid" 2>/dev/null || true
crank_pid=""
[ "$status" -eq 0 ] || fail "the installed zan_pc.exe ended with code $status."
[[ "$title" == *"$connected"* ]] || fail "its title never showed \"$connected\" (last: $title)."
for kind in csv fit tcx; do
  compgen -G "$rider/dati/S_*.$kind" >/dev/null ||
    fail "the session left no $kind file in Documents\ZAN\dati."
done
[ "$reinstall_status" -ne 0 ] && [ "$uninstall_status" -ne 0 ] && [ -f "$program/zan_pc.exe" ] &&
  [ -f "$program/Qt6Core.dll" ] ||
  fail "the installer (code $reinstall_status) or the uninstaller (code $uninstall_status)" \
    "went on while the station ran."

# The uninstaller as Windows' list of programs runs it: it copies itself out of the program folder
# and returns at once, so the test waits for the folder to go.
wine "$program/uninstall.exe" /S >"$work/uninstall.log" 2>&1 ||
  fail "the uninstaller ended with code $?."
for _ in $(seq 300); do
  if [ ! -e "$program" ]; then break; fi
  sleep 0.1
done
[ ! -e "$program" ] || fail "the uninstaller left the program folder: $(ls "$program")."
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry."
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left $key."
[ -f "$rider/zan_01.set" ] && [ "$(tr -d '\r' <"$rider/zan_com.set")" = 9 ] &&
  compgen -G "$rider/dati/S_*.csv" >/dev/null ||
  fail "the uninstaller touched the rider's Documents\ZAN."
echo "The Windows installer under Wine: installed per user, $title in Documents\ZAN," \
  "a session in Documents\ZAN\dati, uninstalled with the rider's folder kept, in" \
  "$((SECONDS - installer_start)) s."
