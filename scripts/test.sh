#!/usr/bin/env bash
# Builds the station with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
# Garmin's FIT decoder for the FIT export's test, installed again whenever its lock file changes.
fit_check=tests/export/fit_check
if [ "$fit_check/package-lock.json" -nt "$fit_check/node_modules" ]; then
  bash scripts/traced.sh test-npm npm ci --prefix "$fit_check" --no-audit --no-fund
fi
# Garmin's TCX schema, which the TCX files' tests validate with, into the build folder.
bash scripts/tcx-schema.sh build-test
bash scripts/traced.sh test-configure cmake -G Ninja -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DZAN_SANITIZE=ON
bash scripts/traced.sh test-build cmake --build build-test
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j2
