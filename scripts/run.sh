#!/usr/bin/env bash
# Builds the station and the crank emulator, and starts both in the folder run/: the emulator
# plays a crank on COM5 (run/ports/COM5), the station opens it as its port file says.
# With --real-crank the emulator is not started: a crank bound with rfcomm bind k is COMk, and a
# link run/ports/COMk wins over it (docs/connecting.md).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -G Ninja -S . -B build-run -DCMAKE_BUILD_TYPE=Release -DZAN_TESTS=OFF -DZAN_BENCH=OFF
cmake --build build-run

mkdir -p run
for file in zan_01.set zan_com.set; do
  [ -f "run/$file" ] || cp "examples/$file" "run/$file"
done
cp ui/pausa.ico ui/start.ico run/
cd run

crank_pid=""
if [ "${1:-}" = "--real-crank" ]; then
  shift
else
  ../build-run/zan_crank --port 5 --quiet &
  crank_pid=$!
  trap '[ -n "$crank_pid" ] && kill "$crank_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e ports/COM5 ] && break; sleep 0.1; done
  echo "Crank emulator running on COM5 (run/ports/COM5)."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the station runs on Qt's offscreen platform (nothing is shown)."
  export QT_QPA_PLATFORM=offscreen
fi
../build-run/zan_pc "$@"
