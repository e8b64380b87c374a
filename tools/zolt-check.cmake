# zolt-check [--json] DISC: the disc author's check, through the program's own
# readers and rules. No window and no display: an offscreen application.
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
add_library(zolt_check STATIC
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/archiverules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/authorrules.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/checker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/checker.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/descriptionrules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/homepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/homepage.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/problems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/installerrules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/problems.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/report.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt-check/rootrules.cpp)
target_include_directories(zolt_check PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_check
  PUBLIC Qt6::Gui zolt_disc
  PRIVATE zolt_rtf zolt_jpeg zolt_tabmetrics zolt_textsearch zolt_spreadsheet zolt_textcodec
          PkgConfig::LIBXML2 zolt_warnings zolt_options zolt_qt_strict)
set_target_properties(zolt_check PROPERTIES AUTOMOC OFF)

add_executable(zolt-check ${CMAKE_CURRENT_LIST_DIR}/zolt-check/main.cpp)
target_link_libraries(zolt-check PRIVATE zolt_check zolt_commandline Qt6::Gui zolt_warnings zolt_options)
set_target_properties(zolt-check PROPERTIES AUTOMOC OFF)
