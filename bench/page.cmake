# The item page: the refresh of a heavy item and a tab click on a large
# section. Start-up time is measured from outside by bench/page/startup.py.
add_executable(bench_page
  ${CMAKE_CURRENT_LIST_DIR}/page/bench_page.cpp
  ${PROJECT_SOURCE_DIR}/tests/window/windowtest.cpp)
target_include_directories(bench_page PRIVATE ${PROJECT_SOURCE_DIR}/tests/window)
target_link_libraries(bench_page PRIVATE
  zolt_window zolt-home Qt6::Test Qt6::WebEngineWidgets benchmark::benchmark
  zolt_warnings zolt_options zolt_qt_strict)
target_compile_definitions(bench_page PRIVATE ZOLT_HOME_MODULE_PATH="$<TARGET_FILE:zolt-home>")
set_target_properties(bench_page PROPERTIES ENABLE_EXPORTS ON)
