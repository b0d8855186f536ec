#!/usr/bin/env bash
# Builds the station and starts it in the folder run/, which gets sound first-run files.
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
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the station runs on Qt's offscreen platform (nothing is shown)."
  export QT_QPA_PLATFORM=offscreen
fi
exec ../build-run/zan_pc "$@"
