# Assembles a disc root that runs on a reader's machine with nothing installed:
#
#   DISC/              the catalogue's folders and files, as the publisher made them
#   DISC/zolt          the launcher (cmake/disc/launcher.c): starts the program
#                      on the reader's loader or on the disc's own
#   DISC/autorun.sh    what a desktop offers to run when the disc is inserted
#   DISC/.xdg-volume-info  the volume's name and icon in a file manager
#   DISC/.zolt/        the runtime: everything the program loads that must not be
#                      the reader's (cmake/disc/base-libraries.txt lists what must)
#     bin/             the program and the web engine's helper process
#     lib/             shared libraries, with the ones opened by name
#     lib/glibc/       the C library and its loader, where the reader's is older
#     lib/gcc/         libstdc++ and libgcc_s, where the reader's are older
#     plugins/<kind>/  the Qt plugins the program uses
#     zolt-home.so     the Home page's web view, loaded after the window is painted
#     libexec/         the launcher again, as the web engine's helper process
#     resources/       the web engine's resource packs
#     translations/    the toolkit's Italian texts, the web engine's locales
#     fonts/           the faces the layout substitutes, with their fontconfig file
#     xkb/             keyboard descriptions, for a system without its own
#
# The image (scripts/make-disc-image.py) lays these files out in the order the
# start-up opens them and compresses each with zisofs only where that pays on
# a drive; the rule is stated there.
#
# Every ELF file but the C library's and the C++ runtime's gets a run path
# relative to $ORIGIN, so nothing is looked up outside the disc but the base
# libraries.
#
# Run as:  cmake -DCONFIG=<config.cmake> -P DiscAssemble.cmake
# CONFIG sets PROGRAM, LAUNCHER, OPENGL_FRONT, GLIBC_FILES, GCC_FILES, LOGO, DISC_DIR, STATE_DIR, CATALOGUE, RUNTIME_FOLDER, PATCHELF,
# STRIP, OBJDUMP, BASE_LIST, AUTORUN, FONTS_CONF, HELPER_PROCESS, QT_PLUGINS, OPENED_BY_NAME,
# WEBENGINE_RESOURCES, WEBENGINE_LOCALES, TRANSLATIONS, FONTS, XKB_ROOT, XKB_DATA.
cmake_minimum_required(VERSION 3.25)
include(${CONFIG})

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "disc: ${text}")
endfunction()

# The regular expressions of the base list, each matching a whole file name.
function(read_base_list out)
  file(STRINGS ${BASE_LIST} lines REGEX "^[^#]")
  set(patterns "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^[^ \t]+" pattern "${line}")
    if(pattern)
      list(APPEND patterns "(^|/)${pattern}$")
    endif()
  endforeach()
  set(${out} ${patterns} PARENT_SCOPE)
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    string(JOIN " " cmd ${ARGN})
    fail("${cmd} failed: ${err}")
  endif()
endfunction()

# Copies `source` (a symbolic link is followed) to `folder` under `name`.
function(ship source folder name)
  file(REAL_PATH "${source}" real)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${real}" "${folder}/${name}" ONLY_IF_DIFFERENT)
endfunction()

# --- the catalogue ----------------------------------------------------------
if(NOT IS_DIRECTORY "${CATALOGUE}")
  fail("the catalogue folder ${CATALOGUE} does not exist")
endif()
# The launcher, autorun.sh, the volume's description and the runtime folder
# take these names at the root; a catalogue that has them would lose its own
# (names compare without case, as a reader of the disc on Windows sees them).
string(TOLOWER "zolt;autorun.sh;.xdg-volume-info;${RUNTIME_FOLDER}" reserved)
file(GLOB catalogue_top RELATIVE "${CATALOGUE}" "${CATALOGUE}/*" "${CATALOGUE}/.*")
foreach(name IN LISTS catalogue_top)
  string(TOLOWER "${name}" lower)
  if(lower IN_LIST reserved)
    fail("the catalogue ${CATALOGUE} has \"${name}\" at its root, a name the disc's program, "
         "autorun.sh, .xdg-volume-info or runtime folder ${RUNTIME_FOLDER} takes: rename it")
  endif()
endforeach()

# The disc holds exactly the catalogue: whatever an earlier catalogue left goes.
# The runtime folder stays, being slow to make and checked below.
file(MAKE_DIRECTORY "${DISC_DIR}")
file(GLOB disc_top RELATIVE "${DISC_DIR}" "${DISC_DIR}/*" "${DISC_DIR}/.*")
foreach(name IN LISTS disc_top)
  if(NOT name STREQUAL RUNTIME_FOLDER)
    file(REMOVE_RECURSE "${DISC_DIR}/${name}")
  endif()
endforeach()
file(COPY "${CATALOGUE}/" DESTINATION "${DISC_DIR}")

set(runtime "${DISC_DIR}/${RUNTIME_FOLDER}")
set(executable PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

# The versions of the C library an ELF file asks for, as a list of "2.NN".
function(glibc_versions elf out)
  execute_process(COMMAND ${OBJDUMP} -T "${elf}" OUTPUT_VARIABLE symbols ERROR_QUIET)
  string(REGEX MATCHALL "GLIBC_2\\.[0-9]+" versions "${symbols}")
  list(TRANSFORM versions REPLACE "GLIBC_" "")
  list(REMOVE_DUPLICATES versions)
  set(${out} ${versions} PARENT_SCOPE)
endfunction()

# The file a reader starts at the root must start on the oldest system the
# disc is for: it asks the C library for nothing newer than this.
set(glibc_floor "2.28")
glibc_versions("${LAUNCHER}" launcher_versions)
foreach(version IN LISTS launcher_versions)
  if(version VERSION_GREATER glibc_floor)
    fail("the launcher ${LAUNCHER} asks for GLIBC_${version}; it must start on ${glibc_floor}")
  endif()
endforeach()

# --- the runtime folder ------------------------------------------------------
# What goes in it follows from the program: the libraries it and its helper
# process link, the plugins it loads and their libraries, the libraries opened by name.
# The scan is slow; it is skipped while the program links the same libraries
# and nothing else of the assembly changed.
execute_process(COMMAND ${OBJDUMP} -p "${PROGRAM}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  fail("cannot read ${PROGRAM}")
endif()
string(REGEX MATCHALL "NEEDED +[^\n]+" needed "${headers}")
execute_process(COMMAND ${OBJDUMP} -p "${HOME_MODULE}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  fail("cannot read ${HOME_MODULE}")
endif()
string(REGEX MATCHALL "NEEDED +[^\n]+" module_needed "${headers}")
string(APPEND needed "${module_needed}")
file(READ "${CONFIG}" config_text)
file(READ "${BASE_LIST}" base_text)
string(SHA256 scan_key "${needed}${config_text}${base_text}")
set(scan_file "${STATE_DIR}/runtime-scan.cmake")
set(wanted "")
if(EXISTS "${scan_file}")
  include("${scan_file}")  # sets scanned_key and scanned_wanted
  if(scanned_key STREQUAL scan_key)
    set(wanted "${scanned_wanted}")
  endif()
endif()

if(NOT wanted)
  read_base_list(base_patterns)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM "linux+elf")
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL "objdump")
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")
  set(modules "")
  foreach(plugin IN LISTS QT_PLUGINS)
    list(APPEND modules "${plugin}")
  endforeach()
  list(APPEND modules ${OPENED_BY_NAME} "${HOME_MODULE}")
  file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${PROGRAM}" "${HELPER_PROCESS}"
    MODULES ${modules}
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved
    POST_EXCLUDE_REGEXES ${base_patterns})
  if(unresolved)
    fail("libraries the program needs are not on this machine: ${unresolved}")
  endif()

  # The list of what is in the runtime folder, kept beside the disc: when it is
  # unchanged and every file is there, the folder is left as it is.
  set(wanted "")
  foreach(lib IN LISTS resolved OPENED_BY_NAME)
    get_filename_component(name "${lib}" NAME)
    if(name STREQUAL "libOpenGL.so.0")
      set(lib "${OPENGL_FRONT}")  # the disc's own front to the reader's libGL.so.1
    endif()
    list(APPEND wanted "lib/${name}=${lib}")
  endforeach()
  foreach(plugin IN LISTS QT_PLUGINS)
    get_filename_component(name "${plugin}" NAME)
    get_filename_component(kind_dir "${plugin}" DIRECTORY)
    get_filename_component(kind "${kind_dir}" NAME)
    list(APPEND wanted "plugins/${kind}/${name}=${plugin}")
  endforeach()
  foreach(module IN LISTS OPENED_BY_NAME)
    # NSS checks its modules against these signature files where they exist.
    string(REGEX REPLACE "\\.so$" ".chk" chk "${module}")
    if(EXISTS "${chk}")
      get_filename_component(name "${chk}" NAME)
      list(APPEND wanted "lib/${name}=${chk}")
    endif()
  endforeach()
  get_filename_component(name "${HELPER_PROCESS}" NAME)
  list(APPEND wanted "bin/${name}=${HELPER_PROCESS}")
  foreach(file IN LISTS GLIBC_FILES)
    get_filename_component(name "${file}" NAME)
    list(APPEND wanted "lib/glibc/${name}=${file}")
  endforeach()
  foreach(file IN LISTS GCC_FILES)
    get_filename_component(name "${file}" NAME)
    list(APPEND wanted "lib/gcc/${name}=${file}")
  endforeach()
  list(APPEND wanted "logo.png=${LOGO}")
  foreach(file IN LISTS WEBENGINE_RESOURCES)
    get_filename_component(name "${file}" NAME)
    list(APPEND wanted "resources/${name}=${file}")
  endforeach()
  foreach(file IN LISTS WEBENGINE_LOCALES)
    get_filename_component(name "${file}" NAME)
    list(APPEND wanted "translations/qtwebengine_locales/${name}=${file}")
  endforeach()
  foreach(file IN LISTS TRANSLATIONS)
    get_filename_component(name "${file}" NAME)
    list(APPEND wanted "translations/${name}=${file}")
  endforeach()
  foreach(file IN LISTS FONTS FONTS_CONF)
    get_filename_component(name "${file}" NAME)
    list(APPEND wanted "fonts/${name}=${file}")
  endforeach()
  foreach(rel IN LISTS XKB_DATA)
    list(APPEND wanted "xkb/${rel}=${XKB_ROOT}/${rel}")
  endforeach()
  list(SORT wanted)


  # The newest C library version any shipped ELF file asks for: the disc's
  # own C library must have it (a reader's older one is replaced by it).
  set(glibc_needed "2.0")
  foreach(elf IN LISTS resolved OPENED_BY_NAME QT_PLUGINS ITEMS "${PROGRAM}" "${HOME_MODULE}" "${HELPER_PROCESS}")
    glibc_versions("${elf}" versions)
    foreach(version IN LISTS versions)
      if(version VERSION_GREATER glibc_needed)
        set(glibc_needed "${version}")
      endif()
    endforeach()
  endforeach()
  set(glibc_shipped "0")
  foreach(file IN LISTS GLIBC_FILES)
    if(file MATCHES "/libc\\.so\\.6$")
      glibc_versions("${file}" glibc_shipped)
      list(SORT glibc_shipped COMPARE NATURAL ORDER DESCENDING)
      list(GET glibc_shipped 0 glibc_shipped)
    endif()
  endforeach()
  if(glibc_needed VERSION_GREATER glibc_shipped)
    fail("the shipped files ask for the C library ${glibc_needed}, the disc's own is ${glibc_shipped}")
  endif()
  file(WRITE "${scan_file}" "set(scanned_key \"${scan_key}\")\nset(scanned_wanted \"${wanted}\")\n"
       "set(scanned_glibc \"${glibc_shipped}\")\n")
else()
  set(glibc_shipped "${scanned_glibc}")
endif()
file(READ "${AUTORUN}" autorun_text)
string(REPLACE "@GLIBC_FLOOR@" "${glibc_floor}" autorun_text "${autorun_text}")
file(WRITE "${DISC_DIR}/autorun.sh" "${autorun_text}")
file(CHMOD "${DISC_DIR}/autorun.sh" ${executable})
# GIO reads this file on an inserted disc: the volume's name and its icon.
file(WRITE "${DISC_DIR}/.xdg-volume-info"
     "[Volume Info]\nName=Zolt CD\nIconFile=${RUNTIME_FOLDER}/logo.png\n")

# The manifest: each file the runtime folder takes, with its source's time, so
# that a changed source (a package upgraded, the fontconfig file edited) is
# shipped again.
set(manifest "${STATE_DIR}/runtime-manifest.txt")
set(stamped "")
foreach(entry IN LISTS wanted)
  string(REGEX REPLACE "^[^=]*=" "" source "${entry}")
  file(TIMESTAMP "${source}" stamp "%s" UTC)
  list(APPEND stamped "${entry}@${stamp}")
endforeach()
set(up_to_date FALSE)
if(EXISTS "${manifest}")
  file(STRINGS "${manifest}" previous)
  if(previous STREQUAL stamped)
    set(up_to_date TRUE)
    foreach(entry IN LISTS wanted)
      string(REGEX REPLACE "=.*" "" rel "${entry}")
      if(NOT EXISTS "${runtime}/${rel}")
        set(up_to_date FALSE)
      endif()
    endforeach()
  endif()
endif()

if(NOT up_to_date)
  file(REMOVE_RECURSE "${runtime}")
  file(REMOVE "${manifest}")
  foreach(entry IN LISTS wanted)
    string(REGEX REPLACE "=.*" "" rel "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" source "${entry}")
    get_filename_component(folder "${runtime}/${rel}" DIRECTORY)
    get_filename_component(name "${rel}" NAME)
    ship("${source}" "${folder}" "${name}")
  endforeach()

  # Run paths: each shipped ELF finds its libraries in lib/, relative to itself.
  file(GLOB_RECURSE shipped LIST_DIRECTORIES false "${runtime}/*")
  foreach(file IN LISTS shipped)
    file(READ "${file}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")
      continue()
    endif()
    file(RELATIVE_PATH rel "${runtime}" "${file}")
    if(rel MATCHES "^lib/(glibc|gcc)/")
      continue()  # the C library and the C++ runtime stay as built
    endif()
    string(REGEX MATCHALL "/" slashes "${rel}")
    list(LENGTH slashes depth)
    set(rpath "$ORIGIN")
    if(depth EQUAL 2)
      set(rpath "$ORIGIN/../../lib")
    elseif(NOT rel MATCHES "^lib/")
      set(rpath "$ORIGIN/../lib")
    endif()
    file(CHMOD "${file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    run(${PATCHELF} --set-rpath "${rpath}" "${file}")
    if(rel MATCHES "^bin/")
      file(CHMOD "${file}" ${executable})
    endif()
  endforeach()
  foreach(file IN LISTS GLIBC_FILES)
    if(file MATCHES "/ld-linux[^/]*$")
      get_filename_component(name "${file}" NAME)
      file(CHMOD "${runtime}/lib/glibc/${name}" ${executable})
    endif()
  endforeach()
  string(JOIN "\n" text ${stamped})
  file(WRITE "${manifest}" "${text}\n")
endif()

# The shipped faces' fontconfig cache, made at every assembly so that no
# start-up reads a piece of every face to list them (from a CD, a seek for
# each). fontconfig knows the faces' folder by a fixed name (the remap-dir of
# fonts.conf), wherever the disc is mounted, and checks the folder's time
# against the cache's: the folder gets a fixed time, which the image keeps.
# The program finds the cache by the folder's absolute path, which only it
# knows (fontconfig has no cache folder relative to its file).
set(font_cache "${runtime}/fontcache")
file(REMOVE_RECURSE "${font_cache}")
file(MAKE_DIRECTORY "${font_cache}")
set(xml_runtime "${runtime}")
string(REPLACE "&" "&amp;" xml_runtime "${xml_runtime}")
string(REPLACE "<" "&lt;" xml_runtime "${xml_runtime}")
file(WRITE "${STATE_DIR}/fontcache.conf" "<?xml version=\"1.0\"?>
<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">
<fontconfig>
  <dir>${xml_runtime}/fonts</dir>
  <remap-dir as-path=\"/zolt-cd/fonts\">${xml_runtime}/fonts</remap-dir>
  <cachedir>${xml_runtime}/fontcache</cachedir>
</fontconfig>
")
run(${TOUCH} -d @946684800 "${runtime}/fonts")
run(${CMAKE_COMMAND} -E env "FONTCONFIG_FILE=${STATE_DIR}/fontcache.conf" ${FC_CACHE} --force "${runtime}/fonts")
file(GLOB made "${font_cache}/*.cache-*")
if(NOT made)
  fail("fc-cache made no cache of the shipped faces in ${font_cache}")
endif()

# --- the program and the launcher -----------------------------------------------
# Refreshed at every assembly: the program changes far more often than the rest.
file(MAKE_DIRECTORY "${runtime}/bin" "${runtime}/libexec")
file(COPY_FILE "${PROGRAM}" "${runtime}/bin/zolt")
run(${STRIP} --strip-unneeded "${runtime}/bin/zolt")
run(${PATCHELF} --set-rpath "$ORIGIN/../lib" "${runtime}/bin/zolt")
file(CHMOD "${runtime}/bin/zolt" ${executable})
foreach(front IN ITEMS "${DISC_DIR}/zolt" "${runtime}/libexec/QtWebEngineProcess")
  file(COPY_FILE "${LAUNCHER}" "${front}")
  run(${STRIP} --strip-all "${front}")
  file(CHMOD "${front}" ${executable})
endforeach()

# The Home page's module is the program's own: copied at every assembly, like the program.
file(COPY_FILE "${HOME_MODULE}" "${runtime}/zolt-home.so")
run(${STRIP} --strip-unneeded "${runtime}/zolt-home.so")
run(${PATCHELF} --set-rpath "$ORIGIN/lib" "${runtime}/zolt-home.so")
file(CHMOD "${runtime}/zolt-home.so" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Whatever happened above, every ELF file of the disc must look beside itself.
file(GLOB_RECURSE shipped LIST_DIRECTORIES false "${runtime}/*")
foreach(file IN LISTS shipped)
  file(RELATIVE_PATH rel "${runtime}" "${file}")
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46" AND NOT rel MATCHES "^(lib/glibc/|lib/gcc/|libexec/)")
    execute_process(COMMAND ${PATCHELF} --print-rpath "${file}" OUTPUT_VARIABLE rpath
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rpath MATCHES "^\\$ORIGIN")
      fail("${file} has the run path \"${rpath}\", not one relative to itself")
    endif()
  endif()
endforeach()
list(LENGTH wanted count)
message(STATUS "disc: ${DISC_DIR} from ${CATALOGUE}, ${count} runtime files in ${RUNTIME_FOLDER}/, "
               "for systems with the C library ${glibc_floor} or newer (the disc's own: ${glibc_shipped})")
