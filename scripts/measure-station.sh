#!/usr/bin/env bash
# Measures the whole station on the crank emulator: the Release build of zan_pc on the offscreen
# platform, 50 frames a second from zan_crank, a session recording, for a given time (60 s unless
# told) in each plot mode (0 forces, 1 power, 2 time plot). The CPU time and peak memory of the
# station process come from /usr/bin/time -v. The rider's presses are played by ZAN_AUTOMATE
# (docs/measuring.md). Usage: bash scripts/measure-station.sh [seconds] [plot modes...]
# ZAN_STATION names another zan_pc to measure on the same run, another build to compare with.
# The time plot's histories start full, as after a four-hour ride (ZAN_HISTORIES windows, 8000
# unless told; 0 starts them empty, as a new ride does).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
modes=("$@")
[ "${#modes[@]}" -gt 0 ] || modes=(0 1 2)

bash scripts/setup-debian.sh
cmake -G Ninja -S . -B build-measure -DCMAKE_BUILD_TYPE=Release -DZAN_TESTS=OFF -DZAN_BENCH=OFF \
  > /dev/null
cmake --build build-measure > /dev/null
station=${ZAN_STATION:-$root/build-measure/zan_pc}
histories=${ZAN_HISTORIES:-8000}
fill=""
if [ "$histories" -gt 0 ]; then fill="1:histories=$histories;"; fi

work=$(mktemp -d)
crank_pid=""
cleanup() {
  if [ -n "$crank_pid" ]; then kill "$crank_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The station's share of one core once it has started: its threads' run time (the scheduler's
# own count, in nanoseconds) from the settling time to two seconds before the quit, over that
# wall-clock time. Start-up (loading Qt and the panel, filling the histories) is left out; the
# total from /usr/bin/time includes it. Runs shorter than 20 s give "-".
settle=10
steady_share() {
  local station_pid="" start end t0 t1
  if [ "$seconds" -lt 20 ]; then echo "-"; return; fi
  sleep "$settle"
  read -r station_pid _ < /proc/"$1"/task/"$1"/children
  run_time() { cat /proc/"$station_pid"/task/*/schedstat | awk '{sum += $1} END {print sum}'; }
  start=$(run_time); t0=$(date +%s%N)
  sleep $((seconds - settle - 2))
  end=$(run_time); t1=$(date +%s%N)
  awk -v ns=$((end - start)) -v wall=$((t1 - t0)) 'BEGIN {printf "%.2f", 100 * ns / wall}'
}

# The value after "label: " in the report of /usr/bin/time -v.
field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }

for mode in "${modes[@]}"; do
  run="$work/plot$mode"
  mkdir -p "$run/ports"
  cp examples/zan_01.set examples/zan_com.set "$run/"
  cd "$run"
  "$root/build-measure/zan_crank" --port 5 --quiet --totals crank-totals.txt &
  crank_pid=$!
  for _ in $(seq 50); do [ -e ports/COM5 ] && break; sleep 0.1; done
  QT_QPA_PLATFORM=offscreen ZAN_AUTOMATE="1:session;1:plot=$mode;$fill$seconds:quit" \
    /usr/bin/time -v -o time.txt "$station" > station.log 2>&1 &
  time_pid=$!
  steady=$(steady_share "$time_pid")
  wait "$time_pid"
  kill "$crank_pid"
  wait "$crank_pid" || true
  crank_pid=""
  cd "$root"

  user=$(field "User time (seconds)" "$run/time.txt")
  system=$(field "System time (seconds)" "$run/time.txt")
  wall=$(field "Elapsed (wall clock) time (h:mm:ss or m:ss)" "$run/time.txt")
  peak=$(field "Maximum resident set size (kbytes)" "$run/time.txt")
  rows=$(($(wc -l < "$(ls "$run"/dati/S_*.csv | head -1)") - 10))
  sent=$(sed -n 's/^frames_sent //p' "$run/crank-totals.txt")
  awk -v mode="$mode" -v user="$user" -v sys="$system" -v wall="$wall" -v peak="$peak" \
    -v rows="$rows" -v sent="$sent" -v steady="$steady" 'BEGIN {
      n = split(wall, part, ":"); elapsed = 0
      for (i = 1; i <= n; i++) elapsed = elapsed * 60 + part[i]
      cpu = user + sys
      printf "plot mode %s: %.2f s of CPU (user %.2f, system %.2f) in %.1f s, %.2f %% of one core; " \
             "%s %% once started; peak memory %.1f MB; %d session rows; %d frames sent by the crank\n",
             mode, cpu, user, sys, elapsed, 100 * cpu / elapsed, steady, peak / 1024, rows, sent
    }'
done
