# The RTF reader: the 150 sample documents read into documents, next to
# unrtf --text (and our rtf2text) over the same files, and a 100 KB
# description read, laid out and painted. Run by hand:
#   build/bin/bench_rtf
add_executable(bench_rtf ${CMAKE_CURRENT_LIST_DIR}/rtf/bench_rtf.cpp)
target_link_libraries(bench_rtf PRIVATE zolt_rtf benchmark::benchmark zolt_warnings zolt_options zolt_qt_strict)
target_compile_definitions(bench_rtf PRIVATE ZOLT_SHARED_DIR="${ZOLT_SHARED_DIR}"
  RTF2TEXT="$<TARGET_FILE:rtf2text>")
add_dependencies(bench_rtf rtf2text)
