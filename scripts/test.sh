#!/usr/bin/env bash
# Builds the station with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
bash scripts/traced.sh test-configure cmake -G Ninja -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DZAN_SANITIZE=ON
bash scripts/traced.sh test-build cmake --build build-test
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j2
