#!/usr/bin/env bash
# Times the workbook reader and the disc search beside their floors and their
# peers, in one run, and prints the ratios:
#   - whole process (hyperfine): xlsdump --summary against floor_xls on the three
#     benchmark workbooks, with xlrd as a peer; zolt-search against floor_walk,
#     rg and grep on the benchmark disc;
#   - peak resident memory (/usr/bin/time -v) of xlsdump and floor_xls on big.xls;
#   - in process (Google Benchmark): the search for a present, an absent and an
#     accented word against reading every description;
#   - the start-up from the disc image (BUILD_DIR/zolt-cd.iso, if built) served
#     at a CD and a DVD drive's pace (bench/disc/startup_drive.py; as root).
# Usage: bench/compare.sh [BUILD_DIR]   (default build; RUNS=n sets hyperfine's runs,
#        DRIVE_RUNS=n the drive's cold runs, 0 for none)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-40}
shared=$(cd .. && pwd)/shared/bench
disc=${ZOLT_BENCH_DISC:-/tmp/zolt-bench-disc}
bin=$build/bin
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cmake --build "$build" --target xlsdump floor_xls zolt-search floor_walk bench_search >/dev/null
[[ -d "$disc/Home" ]] || python3 "$shared/make_disc.py" "$disc" >/dev/null

median() {  # JSON file -> "median_ms<TAB>cpu_ms<TAB>command" lines; cpu = mean user + system
  python3 - "$1" <<'PY'
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    print(f'{r["median"] * 1000:.1f}\t{(r["user"] + r["system"]) * 1000:.1f}\t{r["command"]}')
PY
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "== Workbooks, whole process (median ms, $runs runs, 5 warm-ups)"
hyperfine -N -w 5 -r "$runs" --export-json "$out/xls.json" \
  "$bin/floor_xls $shared/big.xls" "$bin/xlsdump --summary $shared/big.xls" \
  "$bin/floor_xls $shared/big95.xls" "$bin/xlsdump --summary $shared/big95.xls" \
  "$bin/floor_xls $shared/wide-text.xls" "$bin/xlsdump --summary $shared/wide-text.xls" >/dev/null
median "$out/xls.json" | python3 -c '
import sys
rows = [l.rstrip("\n").split("\t") for l in sys.stdin]
for (floor, fcpu, fc), (ours, ocpu, oc) in zip(rows[0::2], rows[1::2]):
    name = oc.split()[-1].rsplit(chr(47), 1)[-1]
    print(f"{name:14} floor {floor:>7} ms  ours {ours:>7} ms  ratio {float(ours)/float(floor):.2f}"
          f"   cpu: floor {fcpu:>6} ms  ours {ocpu:>6} ms  ratio {float(ocpu)/float(fcpu):.2f}")'
if /usr/bin/python3 -c "import xlrd" 2>/dev/null; then  # Debian's python3-xlrd
  echo "-- peer: xlrd, every cell of the first sheet (median ms, 3 runs)"
  hyperfine -N -w 1 -r 3 --export-json "$out/xlrd.json" \
    "/usr/bin/python3 -c \"import xlrd,sys; s=xlrd.open_workbook(sys.argv[1]).sheet_by_index(0); [s.row_values(r) for r in range(s.nrows)]\" $shared/big.xls" \
    >/dev/null
  median "$out/xlrd.json" | cut -f1 | sed 's/^/xlrd big.xls   /; s/$/ ms/'
fi
echo
echo "== Peak resident memory on big.xls (KB)"
floorKb=$(/usr/bin/time -v "$bin/floor_xls" "$shared/big.xls" 2>&1 >/dev/null | awk '/Maximum resident/ {print $6}')
oursKb=$(/usr/bin/time -v "$bin/xlsdump" --summary "$shared/big.xls" 2>&1 >/dev/null | awk '/Maximum resident/ {print $6}')
python3 -c "print(f'floor {$floorKb}  ours {$oursKb}  ratio {$oursKb/$floorKb:.2f}')"
echo
echo "== Disc search, in process (median ms of CPU time, 7 repetitions)"
"$bin/bench_search" --benchmark_filter='Search(Present|Absent|Accented)Word|ReadDescriptionsOnly' \
  --benchmark_repetitions=7 --benchmark_report_aggregates_only=true --benchmark_format=json 2>/dev/null |
  python3 -c '
import json, sys
d = {b["run_name"].split("/")[0]: b["cpu_time"] for b in json.load(sys.stdin)["benchmarks"] if b.get("aggregate_name") == "median"}
floor = d["BM_ReadDescriptionsOnly"]
print(f"read-only walk      {floor:8.1f} ms")
for name in ("BM_SearchPresentWord", "BM_SearchAbsentWord", "BM_SearchAccentedWord"):
    print(f"{name[9:]:19} {d[name]:8.1f} ms  ratio {d[name]/floor:.2f}")'
echo
echo "== Disc search, whole process (median ms, $runs runs, 5 warm-ups)"
hyperfine -N -i -w 5 -r "$runs" --export-json "$out/search.json" \
  "$bin/floor_walk $disc" \
  "$bin/zolt-search $disc ornitorinco" "$bin/zolt-search $disc xilofono" "$bin/zolt-search $disc perchè" \
  "rg -li -g testo.txt --max-depth 4 ornitorinco $disc" \
  "grep -rli --include=testo.txt ornitorinco $disc" >/dev/null 2>&1
median "$out/search.json" | python3 -c '
import sys
rows = [l.rstrip("\n").split("\t") for l in sys.stdin]
floor, floorCpu = float(rows[0][0]), float(rows[0][1])
for ms, cpu, cmd in rows:
    print(f"{float(ms):7.1f} ms  ratio {float(ms)/floor:.2f}   cpu {float(cpu):6.1f} ms  ratio {float(cpu)/floorCpu:.2f}   {cmd}")'
drive_runs=${DRIVE_RUNS:-1}
if [[ -f "$build/zolt-cd.iso" && $drive_runs -gt 0 ]]; then
  echo
  echo "== Start-up from the disc image at a drive's pace ($drive_runs cold runs each)"
  for drive in cd52 dvd16; do
    status=0
    bench/disc/startup_drive.py --build "$build" --drive "$drive" --runs "$drive_runs" || status=$?
    ((status == 77)) && echo "(skipped: FUSE cannot be used here)"
    ((status == 0 || status == 77)) || echo "(startup_drive.py failed: status $status)"
  done
fi
echo
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
