#!/usr/bin/env bash
# Builds the station's layers below the Qt engine as Windows programs (MinGW-w64) and runs their
# tests under Wine. The serial layer's Windows side gets a real COM port: the crank emulator,
# built for Linux, plays the crank on a pseudo-terminal, and the Wine prefix maps that terminal
# as COM9 (dosdevices/com9), so the tests reach it through CreateFile, ReadFile and
# ClearCommError as on Windows.
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

# A Wine prefix of the build's own, without a screen, without Mono and Gecko.
export WINEPREFIX="$PWD/build-win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
com=9
crank="$PWD/build-win-host/zan_crank"
work="$PWD/build-win/com"
rm -rf "$work"
mkdir -p "$work"
crank_pid=""
watch_pid=""
finish() {
  if [ -n "$watch_pid" ]; then kill "$watch_pid" 2>/dev/null || true; fi
  if [ -n "$crank_pid" ]; then kill "$crank_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
}
trap finish EXIT
# The server runs for the whole test with its output in a log: it opens the COM port's terminal,
# which becomes its controlling terminal, and the emulator's end sends it a hang-up, on which it
# writes out its objects.
mkdir -p "$WINEPREFIX"
# A server left over from a run that was cut short would keep the old log.
wineserver -k 2>/dev/null || true
wineserver -p 2>"$work/wineserver.log" >&2
if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i 2>"$work/wineboot.log"; fi

# The crank on a pseudo-terminal, linked as ports/COM9 in its folder; the test asks for its end
# by creating the hang-up file.
(cd "$work" && exec "$crank" --port "$com" --serial 417 --version 3 --quiet) \
  >"$work/crank.log" 2>&1 &
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
