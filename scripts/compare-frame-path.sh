#!/usr/bin/env bash
# Compares the frame path of this checkout with that of other commits on the same machine in the
# same run: each built in Release, then BM_FramePath of each in turn, several rounds, so a busy
# spell of a shared machine falls on all of them. Prints each round's rates and each build's
# median, in millions of frames a second.
# Usage: bash scripts/compare-frame-path.sh COMMIT...   (ZAN_ROUNDS rounds, 5 unless told)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
[ "$#" -gt 0 ] || { echo "usage: compare-frame-path.sh COMMIT..." >&2; exit 2; }
rounds=${ZAN_ROUNDS:-5}

bash scripts/setup-debian.sh --compare

build() {
  cmake -G Ninja -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DZAN_TESTS=OFF -DZAN_BENCH=ON \
    > /dev/null
  cmake --build "$2" --target frame_path_bench > /dev/null
}

# Each commit's sources, taken out of git afresh whenever its folder holds another commit's.
names=()
builds=()
for commit in "$@"; do
  hash=$(git rev-parse --verify "$commit^{commit}")
  source=build-compare/${hash:0:12}-source
  if [ "$(cat "$source/.commit" 2>/dev/null)" != "$hash" ]; then
    rm -rf "$source" "build-compare/${hash:0:12}"
    mkdir -p "$source"
    git archive "$hash" | tar -x -C "$source"
    echo "$hash" > "$source/.commit"
  fi
  build "$source" "build-compare/${hash:0:12}"
  names+=("${hash:0:12}")
  builds+=("$root/build-compare/${hash:0:12}")
done
build . build-compare/this
names+=("this checkout")
builds+=("$root/build-compare/this")

# Frames a second of one run, in millions.
rate() {
  "$1/bench/frame_path_bench" --benchmark_filter='BM_FramePath$' --benchmark_format=csv \
    2> /dev/null | awk -F, '/^"BM_FramePath"/ {printf "%.2f", $7 / 1e6}'
}

median() {
  sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

declare -A rates
for round in $(seq "$rounds"); do
  line="round $round:"
  for i in "${!builds[@]}"; do
    value=$(rate "${builds[$i]}")
    rates[$i]="${rates[$i]:-} $value"
    line="$line ${names[$i]} $value,"
  done
  echo "${line%,}"
done
line="median:"
for i in "${!builds[@]}"; do
  line="$line ${names[$i]} $(printf '%s\n' ${rates[$i]} | median),"
done
echo "${line%,} (M frames/s)"
