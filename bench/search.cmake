# The search window's work: the full-text search on the benchmark disc next to
# rg -li and grep -rli, reading the descriptions alone, the archive lookup on a
# 2,000-row workbook and the hit list filled with 2,000 hits. The disc and
# the workbook are built under /tmp on first use (the workbook needs Debian's
# python3-xlwt). Run by hand, medians of ten runs:
#   build/bin/bench_search --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
add_executable(bench_search ${CMAKE_CURRENT_LIST_DIR}/search/search_bench.cpp)
target_link_libraries(bench_search PRIVATE zolt_search zolt_textsearch benchmark::benchmark
  zolt_warnings zolt_options)
target_compile_definitions(bench_search PRIVATE
  ZOLT_SHARED_DIR="${ZOLT_SHARED_DIR}"
  ZOLT_BENCH_SCRIPTS="${CMAKE_CURRENT_LIST_DIR}/search")

# floor_walk DISC: the floor of a disc search as a whole process (walk three
# levels, read each "testo.txt"), timed beside zolt-search by bench/compare.sh.
add_executable(floor_walk ${CMAKE_CURRENT_LIST_DIR}/search/floor_walk.c)
