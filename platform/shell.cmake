add_library(zolt_shell STATIC ${CMAKE_CURRENT_LIST_DIR}/shell.cpp ${CMAKE_CURRENT_LIST_DIR}/shell.h)
target_include_directories(zolt_shell PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_shell PUBLIC Qt6::Widgets PRIVATE zolt_warnings zolt_options zolt_qt_strict)
