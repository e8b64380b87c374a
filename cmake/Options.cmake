# Build flags shared by every target of ours, kept in INTERFACE targets that
# each target links PRIVATE.

add_library(zolt_warnings INTERFACE)
target_compile_options(zolt_warnings INTERFACE
  -Wall -Wextra          # the usual set
  -Wpedantic             # stay within standard C++
  -Wnon-virtual-dtor     # a polymorphic class without a virtual destructor
  -Wold-style-cast       # casts say what they do
  -Woverloaded-virtual   # a hidden overload is nearly always a mistake
)
if(ZOLT_WERROR)
  target_compile_options(zolt_warnings INTERFACE -Werror)
endif()

# Extra strictness for code that does integer arithmetic on file data.
add_library(zolt_strict INTERFACE)
target_compile_options(zolt_strict INTERFACE -Wshadow -Wconversion -Wsign-conversion)

add_library(zolt_options INTERFACE)
if(ZOLT_SANITIZE)
  # Halt on the first UB report so a test fails instead of printing and going on.
  target_compile_options(zolt_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zolt_options INTERFACE -fsanitize=address,undefined)
endif()
if(ZOLT_FUZZ)
  # Every library is instrumented for coverage; only the fuzz programs link libFuzzer's main.
  target_compile_options(zolt_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zolt_options INTERFACE -fsanitize=address,undefined)
endif()

# zolt_add_fuzzer(NAME SOURCES... LIBS ...): a libFuzzer program (ZOLT_FUZZ builds only).
function(zolt_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zolt_options)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# Texts from the disc must pass through our decoding helper, never an implicit cast.
add_library(zolt_qt_strict INTERFACE)
target_compile_definitions(zolt_qt_strict INTERFACE
  QT_NO_CAST_TO_ASCII QT_RESTRICTED_CAST_FROM_ASCII QT_NO_URL_CAST_FROM_STRING)

# zolt_add_gtest(NAME SOURCES... LIBS ... [LABELS ...])
function(zolt_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main zolt_warnings zolt_options)
  target_compile_definitions(${name} PRIVATE ZOLT_SHARED_DIR="${ZOLT_SHARED_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# zolt_add_qtest(NAME SOURCES... LIBS ... [LABELS ...] [XVFB]): a Qt Test run headless.
function(zolt_add_qtest name)
  cmake_parse_arguments(ARG "XVFB" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test zolt_warnings zolt_options zolt_qt_strict)
  target_compile_definitions(${name} PRIVATE ZOLT_SHARED_DIR="${ZOLT_SHARED_DIR}")
  # As the program does, so that the Home page's module loads in a window test.
  set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
  if(ARG_XVFB)
    add_test(NAME ${name} COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox;LIBGL_ALWAYS_SOFTWARE=1")
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
endfunction()
