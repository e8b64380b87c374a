# The main window (TZolt), the application object with its error sink, the
# start-up sequence and the program itself.
add_library(zolt_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/zolt.h
  ${CMAKE_CURRENT_LIST_DIR}/zolt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoltnav.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoltpage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/homeview.h
  ${CMAKE_CURRENT_LIST_DIR}/homemodule.cpp
  ${CMAKE_CURRENT_LIST_DIR}/labelbutton.h
  ${CMAKE_CURRENT_LIST_DIR}/labelbutton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zoltapplication.h
  ${CMAKE_CURRENT_LIST_DIR}/zoltapplication.cpp)
target_include_directories(zolt_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_window
  PUBLIC Qt6::Widgets zolt_disc zolt_tabmetrics zolt_rtf zolt_jpeg zolt_artwork zolt_shell zolt_actions zolt_textcodec
  PRIVATE Qt6::OpenGLWidgets ${CMAKE_DL_LIBS} zolt_warnings zolt_options zolt_qt_strict)

# The Home page's web view and its rules: a module loaded once the main window
# has been painted, so that the program itself links nothing of the web engine.
# What it needs of the disc rules and the shell it takes from the program that
# loads it (the program exports its symbols), so both share one disc root and
# one shell.
add_library(zolt-home SHARED
  ${CMAKE_CURRENT_LIST_DIR}/homepage.h
  ${CMAKE_CURRENT_LIST_DIR}/homepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/homeweb.cpp)
set_target_properties(zolt-home PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
target_include_directories(zolt-home PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt-home PUBLIC Qt6::WebEngineWidgets PRIVATE Qt6::Quick zolt_warnings zolt_options zolt_qt_strict)

# Start-up needs the search window, which itself builds on the main window.
add_library(zolt_startup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/startup.h
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_include_directories(zolt_startup PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_startup PUBLIC zolt_window zolt_search PRIVATE zolt_warnings zolt_options zolt_qt_strict)

add_executable(zolt ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zolt PRIVATE zolt_startup zolt_window zolt_search zolt_warnings zolt_options zolt_qt_strict)
set_target_properties(zolt PROPERTIES ENABLE_EXPORTS ON)
add_dependencies(zolt zolt-home)
