# Our RTF reader and the rich-text viewer built on it.
add_library(zolt_rtf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/rtf/rtfreader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rtf/rtfreader.h
  ${CMAKE_CURRENT_LIST_DIR}/rtf/codepages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rtf/codepages.h
  ${CMAKE_CURRENT_LIST_DIR}/rtf/rtfwords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rtf/rtfwords.h
  ${CMAKE_CURRENT_LIST_DIR}/rtf/linkify.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rtf/linkify.h
  ${CMAKE_CURRENT_LIST_DIR}/rtf/richtextviewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rtf/richtextviewer.h)
target_include_directories(zolt_rtf PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_rtf
  PUBLIC Qt6::Gui Qt6::Widgets zolt_textcodec
  PRIVATE zolt_jpeg
  PRIVATE zolt_warnings zolt_options zolt_qt_strict)
