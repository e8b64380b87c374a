# rtf2text FILE: prints the plain text of an RTF description as UTF-8.
add_executable(rtf2text ${CMAKE_CURRENT_LIST_DIR}/rtf2text/main.cpp)
target_link_libraries(rtf2text PRIVATE zolt_rtf zolt_commandline zolt_warnings zolt_options zolt_qt_strict)
