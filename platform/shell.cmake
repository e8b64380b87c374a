# The desktop shell: open, choose a folder, copy a folder with its progress
# dialog, message boxes. shellcopy holds the file copying itself.
add_library(zolt_shell STATIC
  ${CMAKE_CURRENT_LIST_DIR}/shell.cpp ${CMAKE_CURRENT_LIST_DIR}/shell.h
  ${CMAKE_CURRENT_LIST_DIR}/shellcopy.cpp ${CMAKE_CURRENT_LIST_DIR}/shellcopy.h)
target_include_directories(zolt_shell PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_shell PUBLIC Qt6::Widgets PRIVATE zolt_textcodec zolt_warnings zolt_options zolt_qt_strict)
