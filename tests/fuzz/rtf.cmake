# The RTF reader under libFuzzer: any bytes must end in a document, never a crash.
zolt_add_fuzzer(fuzz_rtf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_rtf.cpp LIBS zolt_rtf Qt6::Gui)
