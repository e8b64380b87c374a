# The disc catalogue conventions: disc root, folder listing, file search and
# case-insensitive lookup of per-item files. No Qt, so it can be tested and
# benchmarked on its own.
add_library(zolt_catalogue STATIC
  ${CMAKE_CURRENT_LIST_DIR}/catalogue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalogue.h)
target_include_directories(zolt_catalogue PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_catalogue PRIVATE zolt_warnings zolt_strict zolt_options)
