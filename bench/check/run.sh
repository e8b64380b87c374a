#!/bin/sh
# Times the disc check as whole processes and tries it on the hostile disc.
#   bench/check/run.sh [BUILD]      (BUILD defaults to build)
# The discs are made under /tmp on first use: the benchmark disc by
# ../shared/bench/make_disc.py, the others by make_check_discs.
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=${1:-$source_dir/build}
check=$build/bin/zolt-check
bench_disc=${ZOLT_BENCH_DISC:-/tmp/zolt-bench-disc}
photo_disc=/tmp/zolt-check-photos
hostile_disc=/tmp/zolt-check-hostile

[ -d "$bench_disc/Home" ] || python3 "$source_dir/../shared/bench/make_disc.py" "$bench_disc"
[ -d "$photo_disc" ] || "$build/bin/make_check_discs" photos "$photo_disc"
[ -d "$hostile_disc" ] || "$build/bin/make_check_discs" hostile "$hostile_disc"

# Exit status 1 (errors found) is the expected outcome on the benchmark discs.
hyperfine --warmup 2 --runs 10 -i -N \
  -n demo "$check --json $source_dir/examples/demo-disc" \
  -n benchmark "$check --json $bench_disc" \
  -n photos "$check --json $photo_disc"

echo "hostile disc (time, peak memory):"
/usr/bin/time -f "%e s, %M KB" timeout 60 "$check" --json "$hostile_disc" >/tmp/zolt-check-hostile.json || true
python3 -c "import json,collections; d=json.load(open('/tmp/zolt-check-hostile.json')); print(collections.Counter(p['code'] for p in d['problems']))"
