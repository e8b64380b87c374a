# The disc check, timed as a whole process with hyperfine (bench/check/run.sh)
# on the benchmark disc, the demo disc and a disc of 300 real pictures, and
# tried on a hostile disc. This program builds the last two.
add_executable(make_check_discs ${CMAKE_CURRENT_LIST_DIR}/check/make_check_discs.cpp)
target_link_libraries(make_check_discs PRIVATE Qt6::Gui zolt_warnings zolt_options zolt_qt_strict)
