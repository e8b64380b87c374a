#!/usr/bin/env bash
# Builds the fuzz programs with clang and runs each for a short while over its
# seeds. FUZZ_SECONDS sets the time per program (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZOLT_FUZZ=ON -DZOLT_BENCH=OFF -DZOLT_GUI="${ZOLT_FUZZ_GUI:-ON}" >/dev/null
targets=$(cmake --build build-fuzz --target help | sed -n 's/^\(fuzz_[a-z0-9_]*\):.*/\1/p' | grep -v '_autogen')
[[ -n "$targets" ]] || { echo "no fuzz programs"; exit 0; }
cmake --build build-fuzz -j "$(nproc)" --target $targets
for t in $targets; do
  seeds="tests/fuzz/seeds-$t.txt"
  corpus=$(mktemp -d)
  dirs=()
  if [[ -f "$seeds" ]]; then
    while read -r d; do
      d=${d//@SHARED@/$(cd .. && pwd)/shared}
      [[ -d "$d" ]] && dirs+=("$d")
    done < <(grep -v '^#' "$seeds")
  fi
  echo "== $t: ${seconds}s over ${#dirs[@]} seed folders"
  LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0 \
    build-fuzz/bin/$t -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$corpus/" "$corpus" "${dirs[@]}" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
