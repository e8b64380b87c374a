# zolt-search [--archive] [--] DISC WORD: the search window's search on the
# command line. Neither Qt nor the workbook reader is linked, so that it
# starts as fast as a plain C program; --archive loads the reader from the
# module zolt-search-archive.so beside it.
add_executable(zolt-search ${CMAKE_CURRENT_LIST_DIR}/zolt-search/main.cpp)
target_link_libraries(zolt-search PRIVATE zolt_textsearch_core zolt_commandline ${CMAKE_DL_LIBS}
  zolt_warnings zolt_strict zolt_options)
add_library(zolt-search-archive MODULE ${CMAKE_CURRENT_LIST_DIR}/zolt-search/archive_module.cpp)
target_link_libraries(zolt-search-archive PRIVATE zolt_archive_core zolt_warnings zolt_options)
target_include_directories(zolt-search-archive PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(zolt-search-archive PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
  CXX_VISIBILITY_PRESET hidden POSITION_INDEPENDENT_CODE ON)
set_target_properties(zolt-search zolt-search-archive PROPERTIES AUTOMOC OFF)  # no Qt here
add_dependencies(zolt-search zolt-search-archive)
# The libraries the module takes in must be position-independent.
set_property(TARGET zolt_archive_core zolt_textsearch_core zolt_spreadsheet zolt_disc
  PROPERTY POSITION_INDEPENDENT_CODE ON)
