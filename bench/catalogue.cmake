# The disc catalogue: listing a folder of 1,000 catalogue folders and the
# "*.exe" search over 10,000 folders and 50,000 files, next to find(1) and a
# std::filesystem walk on the same tree. Run by hand:
#   build/bin/bench_catalogue
add_executable(bench_catalogue ${CMAKE_CURRENT_LIST_DIR}/catalogue/catalogue_bench.cpp)
target_link_libraries(bench_catalogue PRIVATE zolt_disc benchmark::benchmark zolt_warnings zolt_options)
