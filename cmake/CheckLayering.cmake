# Checks the source tree's layers without building anything:
#   cmake -DSOURCE_DIR=<checkout> -P cmake/CheckLayering.cmake
# Fails, naming each offending file and line, when
#   - _WIN32 appears outside src/platform/ and the tests' windows/ and portable/ folders
#     (tools and stand-ins included: a program or stand-in for one system only is
#     chosen in CMake, not by a build switch in its code);
#   - platform/portable/ is included from outside it (the tests' portable/ folders, the
#     portable-only programs in bench/ and fuzz/ and the tools' portable-only sources,
#     named *Portable*.cpp, excepted);
#   - a folder includes one of a higher layer (the order below);
#   - src/ includes standins/;
#   - a folder directly under src/ has no place in the order.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<checkout> -P CheckLayering.cmake")
endif()

# The layers, bottom first; a folder may include its own and lower ones only.
# The seam is at the bottom; the stand-ins of outside components know only the
# seam; the module state at the top is the one folder that includes every
# subsystem. docs/architecture.md shows the same order.
set(VORN_LAYERS
  src/platform
  standins
  src/type_library
  src/band_hosting
  src/server_link
  src/page_utils
  src/bho_gui
  src/main_toolbar
  src/quick_links
  src/com_server)

set(VORN_SCANNED_ROOTS src standins tests tools bench fuzz)
set(VORN_SOURCE_GLOBS *.h *.hpp *.c *.cc *.cpp *.inl *.idl)

set(problems)

# Every folder under src/ must have a layer.
file(GLOB src_dirs LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*)
foreach(dir IN LISTS src_dirs)
  if(IS_DIRECTORY ${SOURCE_DIR}/${dir} AND NOT dir IN_LIST VORN_LAYERS)
    list(APPEND problems "folder without a layer: ${dir} (add it to the order in cmake/CheckLayering.cmake and docs/architecture.md)")
  endif()
endforeach()

# The layer of a path relative to the checkout (files) or to src/ and the
# checkout (include names): its index in VORN_LAYERS, or -1.
function(vorn_layer_of path out)
  set(index 0)
  foreach(layer IN LISTS VORN_LAYERS)
    if(path MATCHES "^${layer}/")
      set(${out} ${index} PARENT_SCOPE)
      return()
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out} -1 PARENT_SCOPE)
endfunction()

set(files)
foreach(root IN LISTS VORN_SCANNED_ROOTS)
  foreach(glob IN LISTS VORN_SOURCE_GLOBS)
    file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${root}/${glob})
    list(APPEND files ${found})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES files)
list(SORT files)

foreach(file IN LISTS files)
  set(in_platform OFF)
  set(in_portable OFF)
  set(in_test_build_folder OFF)
  set(in_test_portable OFF)
  if(file MATCHES "^src/platform/")
    set(in_platform ON)
  endif()
  if(file MATCHES "^src/platform/portable/")
    set(in_portable ON)
  endif()
  if(file MATCHES "^tests/(.*/)?(windows|portable)/")
    set(in_test_build_folder ON)
  endif()
  if(file MATCHES "^tests/(.*/)?portable/" OR file MATCHES "^(bench|fuzz)/" OR file MATCHES "^tools/.*Portable[A-Za-z]*\\.cpp$")
    set(in_test_portable ON)
  endif()

  # A line that names _WIN32 as a word (SYS_WIN32 and HRESULT_FROM_WIN32 are other words).
  if(NOT in_platform AND NOT in_test_build_folder)
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "(^|[^A-Za-z0-9_])_WIN32([^A-Za-z0-9_]|$)")
    foreach(line IN LISTS lines)
      string(STRIP "${line}" line)
      list(APPEND problems "_WIN32 outside the platform and the tests' windows/ and portable/ folders: ${file}: ${line}")
    endforeach()
  endif()

  vorn_layer_of(${file} own_layer)
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" name "${line}")
    if(name MATCHES "^platform/portable/" AND NOT in_portable AND NOT in_test_portable)
      list(APPEND problems "platform/portable/ included from outside it: ${file}: ${name}")
    endif()
    if(name MATCHES "^standins/" AND file MATCHES "^src/")
      list(APPEND problems "standins/ included from src/: ${file}: ${name}")
      continue()
    endif()
    if(own_layer EQUAL -1)
      continue()
    endif()
    if(name MATCHES "^standins/")
      set(target standins/)
    else()
      set(target src/${name})
    endif()
    vorn_layer_of(${target} target_layer)
    if(target_layer GREATER own_layer)
      list(GET VORN_LAYERS ${own_layer} own_name)
      list(GET VORN_LAYERS ${target_layer} target_name)
      list(APPEND problems "${own_name} includes the higher layer ${target_name}: ${file}: ${name}")
    endif()
  endforeach()
endforeach()

if(problems)
  list(LENGTH problems count)
  foreach(problem IN LISTS problems)
    message("layering: ${problem}")
  endforeach()
  message(FATAL_ERROR "layering: ${count} problem(s)")
endif()
list(LENGTH files count)
message(STATUS "layering: ${count} files keep to the layers")
