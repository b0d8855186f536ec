#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# (build-fuzz/) and runs each for ZAN_FUZZ_SECONDS seconds (60 by default) on a copy of its corpus
# (build-fuzz/corpus/<target>/, where the inputs it adds stay). A finding fails the run; the input
# that found it is kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup-debian.sh
# The archiver and linker are GNU binutils, which g++ brings: CMake would take LLVM's own wherever a
# machine happens to have them, and build differently there than on a fresh one.
bash scripts/traced.sh fuzz-configure cmake -G Ninja -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_AR=/usr/bin/ar -DCMAKE_RANLIB=/usr/bin/ranlib -DCMAKE_LINKER=/usr/bin/ld \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAN_FUZZ=ON -DZAN_TESTS=OFF -DZAN_BENCH=OFF
bash scripts/traced.sh fuzz-build cmake --build build-fuzz --target zan_fuzzers

seconds=${ZAN_FUZZ_SECONDS:-60}
findings="$root/build-fuzz/findings"
mkdir -p "$findings"
failed=0
# The frame reader's inputs hold whole rides; the assembler's 1 KB, 56 frames cut and mended in
# every way, keep it above 100,000 inputs a second; the decoder's is one frame; a setup or port file
# is a few short lines; a raw stream's header and a few hundred blocks. The file readers alone start from the corpus of the station that reads the
# same files.
for target in frame_assembler:1024:frame_assembler frame_decoder:64:frame_decoder \
  frame_screen:1024:frame_screen \
  setup_reader:1024:setup_file port_reader:1024:port_file frame_reader:8192:frame_reader \
  setup_file:4096:setup_file port_file:4096:port_file raw_stream:8192:raw_stream \
  direct_connect:2048:direct_connect; do
  name=${target%%:*}
  seeds=${target##*:}
  limit=${target#*:}
  limit=${limit%%:*}
  corpus="$root/build-fuzz/corpus/$name"
  log="$root/build-fuzz/$name.log"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  cp "fuzz/corpus/$seeds/"* "$corpus/"
  # Paths are absolute: the targets work in a folder of their own.
  if build-fuzz/fuzz/"$name"_fuzz -max_total_time="$seconds" -max_len="$limit" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/$name-" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$name: $runs executions in $seconds s without a finding"
  else
    echo "$name: FINDING (log $log, input in $findings/):"
    grep -E "expected|ERROR|runtime error|SUMMARY" "$log" | head -20
    failed=1
  fi
done
exit "$failed"
