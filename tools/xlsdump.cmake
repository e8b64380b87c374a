# xlsdump: prints a workbook's first sheet as JSON lines for our differential checks.
add_executable(xlsdump ${CMAKE_CURRENT_SOURCE_DIR}/xlsdump/xlsdump.cpp)
target_link_libraries(xlsdump PRIVATE zolt_spreadsheet zolt_commandline zolt_warnings zolt_strict zolt_options)
