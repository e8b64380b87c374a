#!/usr/bin/env bash
# The Qt-free workbook reader's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOLT_GUI=OFF -DZOLT_BENCH=OFF \
  -DZOLT_SANITIZE=ON >/dev/null
cmake --build build-san -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-san --output-on-failure -j "$jobs"

if [[ -x scripts/fuzz-smoke.sh ]]; then
  scripts/fuzz-smoke.sh
fi
