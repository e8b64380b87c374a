# Whole-item copy through the desktop shell (progress dialog showing) against
# cp -r on the same files. Run by hand:
#   QT_QPA_PLATFORM=offscreen build/bin/bench_actions
add_executable(bench_actions ${CMAKE_CURRENT_LIST_DIR}/actions/copy_bench.cpp)
target_link_libraries(bench_actions PRIVATE zolt_shell benchmark::benchmark zolt_warnings zolt_options)
