# zolt-search [--archive] [--] DISC WORD: the search window's search on the
# command line. Qt-free, so that it starts as fast as a plain C program.
add_executable(zolt-search ${CMAKE_CURRENT_LIST_DIR}/zolt-search/main.cpp)
target_link_libraries(zolt-search PRIVATE zolt_textsearch_core zolt_warnings zolt_strict zolt_options)
