# The program's own artwork (drawn by tools/artwork/make_artwork.py), compiled
# in as resources under :/artwork/, each picture also at twice its size
# ("name@2x.ext") for screens of two device pixels to the pixel. Link
# zolt_artwork to use them.
add_library(zolt_artwork STATIC ${CMAKE_CURRENT_LIST_DIR}/artwork/artwork.h)
target_include_directories(zolt_artwork PUBLIC ${PROJECT_SOURCE_DIR})
set_target_properties(zolt_artwork PROPERTIES LINKER_LANGUAGE CXX)
target_link_libraries(zolt_artwork PUBLIC Qt6::Gui)
qt_add_resources(zolt_artwork "artwork"
  PREFIX "/artwork"
  BASE ${CMAKE_CURRENT_LIST_DIR}/artwork
  FILES
    ${CMAKE_CURRENT_LIST_DIR}/artwork/logo.gif
    ${CMAKE_CURRENT_LIST_DIR}/artwork/logo-picture.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/strip.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/banner-left.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/banner-right.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/corner.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/search-strip.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/logo@2x.gif
    ${CMAKE_CURRENT_LIST_DIR}/artwork/logo-picture@2x.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/strip@2x.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/banner-left@2x.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/banner-right@2x.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/corner@2x.png
    ${CMAKE_CURRENT_LIST_DIR}/artwork/search-strip@2x.png)
