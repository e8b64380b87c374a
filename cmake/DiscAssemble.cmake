# Assembles a disc root that runs on a reader's machine with nothing installed:
#
#   DISC/              the catalogue's folders and files, as the publisher made them
#   DISC/zolt          the program
#   DISC/autorun.sh    what a desktop offers to run when the disc is inserted
#   DISC/.zolt/        the runtime: everything the program loads that a desktop
#                      does not have (cmake/disc/base-libraries.txt lists what it has)
#     lib/             shared libraries, with the ones opened by name
#     plugins/<kind>/  the Qt plugins the program uses
#     zolt-home.so     the Home page's web view, loaded after the window is painted
#     libexec/         the web engine's helper process
#     resources/       the web engine's resource packs
#     translations/    the toolkit's Italian texts, the web engine's locales
#     fonts/           the faces the layout substitutes, with their fontconfig file
#     xkb/             keyboard descriptions, for a system without its own
#
# Every ELF file gets a run path relative to $ORIGIN, so nothing is looked up
# outside the disc but the base libraries.
#
# Run as:  cmake -DCONFIG=<config.cmake> -P DiscAssemble.cmake
# CONFIG sets PROGRAM, DISC_DIR, STATE_DIR, CATALOGUE, RUNTIME_FOLDER, PATCHELF,
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
# The program, autorun.sh and the runtime folder take these names at the root;
# a catalogue that has them would lose its own (names compare without case, as
# a reader of the disc on Windows sees them).
file(GLOB catalogue_top RELATIVE "${CATALOGUE}" "${CATALOGUE}/*" "${CATALOGUE}/.*")
foreach(name IN LISTS catalogue_top)
  string(TOLOWER "${name}" lower)
  if(lower STREQUAL "zolt" OR lower STREQUAL "autorun.sh" OR lower STREQUAL "${RUNTIME_FOLDER}")
    fail("the catalogue ${CATALOGUE} has \"${name}\" at its root, a name the disc's program, "
         "autorun.sh or runtime folder ${RUNTIME_FOLDER} takes: rename it")
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

# --- the program ----------------------------------------------------------------
set(runtime "${DISC_DIR}/${RUNTIME_FOLDER}")
file(COPY_FILE "${PROGRAM}" "${DISC_DIR}/zolt")
run(${STRIP} --strip-unneeded "${DISC_DIR}/zolt")
run(${PATCHELF} --set-rpath "$ORIGIN/${RUNTIME_FOLDER}/lib" "${DISC_DIR}/zolt")
file(CHMOD "${DISC_DIR}/zolt" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

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
  list(APPEND wanted "libexec/${name}=${HELPER_PROCESS}")
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


  # The newest C library version any shipped ELF file asks for: the lowest a
  # reader's system may have.
  set(glibc_needed "2.0")
  foreach(elf IN LISTS resolved OPENED_BY_NAME QT_PLUGINS ITEMS "${PROGRAM}" "${HOME_MODULE}" "${HELPER_PROCESS}")
    execute_process(COMMAND ${OBJDUMP} -T "${elf}" OUTPUT_VARIABLE symbols ERROR_QUIET)
    string(REGEX MATCHALL "GLIBC_2\\.[0-9]+" versions "${symbols}")
    foreach(version IN LISTS versions)
      string(REPLACE "GLIBC_" "" version "${version}")
      if(version VERSION_GREATER glibc_needed)
        set(glibc_needed "${version}")
      endif()
    endforeach()
  endforeach()
  file(WRITE "${scan_file}" "set(scanned_key \"${scan_key}\")\nset(scanned_wanted \"${wanted}\")\n"
       "set(scanned_glibc \"${glibc_needed}\")\n")
else()
  set(glibc_needed "${scanned_glibc}")
endif()
file(READ "${AUTORUN}" autorun_text)
string(REPLACE "@GLIBC_NEEDED@" "${glibc_needed}" autorun_text "${autorun_text}")
file(WRITE "${DISC_DIR}/autorun.sh" "${autorun_text}")
file(CHMOD "${DISC_DIR}/autorun.sh" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(manifest "${STATE_DIR}/runtime-manifest.txt")
set(up_to_date FALSE)
if(EXISTS "${manifest}")
  file(STRINGS "${manifest}" previous)
  if(previous STREQUAL wanted)
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
    if(rel MATCHES "^libexec/")
      file(CHMOD "${file}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
           GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
  endforeach()
  string(JOIN "\n" text ${wanted})
  file(WRITE "${manifest}" "${text}\n")
endif()

# The Home page's module is the program's own: copied at every assembly, like the program.
file(COPY_FILE "${HOME_MODULE}" "${runtime}/zolt-home.so")
run(${STRIP} --strip-unneeded "${runtime}/zolt-home.so")
run(${PATCHELF} --set-rpath "$ORIGIN/lib" "${runtime}/zolt-home.so")
file(CHMOD "${runtime}/zolt-home.so" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Whatever happened above, every ELF file of the disc must look beside itself.
file(GLOB_RECURSE shipped LIST_DIRECTORIES false "${runtime}/*")
foreach(file IN LISTS shipped ITEMS "${DISC_DIR}/zolt")
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${PATCHELF} --print-rpath "${file}" OUTPUT_VARIABLE rpath
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rpath MATCHES "^\\$ORIGIN")
      fail("${file} has the run path \"${rpath}\", not one relative to itself")
    endif()
  endif()
endforeach()
list(LENGTH wanted count)
message(STATUS "disc: ${DISC_DIR} from ${CATALOGUE}, ${count} runtime files in ${RUNTIME_FOLDER}/, "
               "for systems with the C library ${glibc_needed} or newer")
