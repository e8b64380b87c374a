# bench_spreadsheet: the workbook reader on the shared benchmark workbooks,
# RK decoding and the shared-string table reader.
add_executable(bench_spreadsheet ${CMAKE_CURRENT_SOURCE_DIR}/spreadsheet/bench_spreadsheet.cpp)
target_link_libraries(bench_spreadsheet PRIVATE zolt_spreadsheet PkgConfig::GSF benchmark::benchmark zolt_warnings zolt_options)
target_compile_definitions(bench_spreadsheet PRIVATE ZOLT_SHARED_DIR="${ZOLT_SHARED_DIR}")

# floor_xls FILE: the floor of a workbook load (libgsf reads the workbook
# stream, the record headers are walked), timed beside xlsdump by bench/compare.sh.
add_executable(floor_xls ${CMAKE_CURRENT_SOURCE_DIR}/spreadsheet/floor_xls.c)
target_link_libraries(floor_xls PRIVATE PkgConfig::GSF)
