# JPEG pictures decoded with libjpeg directly (Qt's own JPEG plugin is not used).
add_library(zolt_jpeg STATIC
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/jpegdecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg/jpegdecoder.h)
target_include_directories(zolt_jpeg PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zolt_jpeg PUBLIC Qt6::Gui PRIVATE PkgConfig::JPEG zolt_disc zolt_warnings zolt_options zolt_qt_strict)
