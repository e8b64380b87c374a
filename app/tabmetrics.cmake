# The layout's fonts and the section tabs' measures: Qt Gui only, shared by
# the main window and the disc author's check.
add_library(zolt_tabmetrics STATIC
  ${CMAKE_CURRENT_LIST_DIR}/layoutfont.h
  ${CMAKE_CURRENT_LIST_DIR}/layoutfont.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tabmetrics.h
  ${CMAKE_CURRENT_LIST_DIR}/tabmetrics.cpp)
target_include_directories(zolt_tabmetrics PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_tabmetrics PUBLIC Qt6::Gui zolt_disc PRIVATE zolt_warnings zolt_options zolt_qt_strict)
