# The main window (TZolt), the application object with its error sink, the
# start-up sequence and the program itself.
add_library(zolt_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/zolt.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoltnav.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoltpage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/homepage.h
  ${CMAKE_CURRENT_LIST_DIR}/homepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoltapplication.h
  ${CMAKE_CURRENT_LIST_DIR}/zoltapplication.cpp)
target_include_directories(zolt_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_window
  PUBLIC Qt6::Widgets zolt_disc zolt_look zolt_rtf zolt_jpeg zolt_shell zolt_actions zolt_textcodec
  PRIVATE Qt6::WebEngineWidgets zolt_warnings zolt_options zolt_qt_strict)

# Start-up needs the search window, which itself builds on the main window.
add_library(zolt_startup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/startup.h
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_include_directories(zolt_startup PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_startup PUBLIC zolt_window zolt_search PRIVATE zolt_warnings zolt_options zolt_qt_strict)

add_executable(zolt ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zolt PRIVATE zolt_startup zolt_window zolt_search zolt_warnings zolt_options zolt_qt_strict)
