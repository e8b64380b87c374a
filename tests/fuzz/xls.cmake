# fuzz_xls: the workbook reader over arbitrary bytes (compound file or plain BIFF).
zolt_add_fuzzer(fuzz_xls SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_xls.cpp LIBS zolt_spreadsheet)
