# Runs cmake/CheckLayering.cmake over small scratch trees: one that keeps to
# every rule, and one per rule that breaks it, which the check must refuse
# with that rule's message.
#   cmake -DCHECK=<CheckLayering.cmake> -DWORK_DIR=<scratch folder> -P CheckLayeringSelfTest.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT CHECK OR NOT WORK_DIR)
  message(FATAL_ERROR "usage: cmake -DCHECK=<CheckLayering.cmake> -DWORK_DIR=<dir> -P CheckLayeringSelfTest.cmake")
endif()

# A tree that keeps to the rules, including what must not be mistaken for a break.
set(VORN_CLEAN_TREE
  "src/platform/com/Seam.h" "#ifdef _WIN32\n#include <windows.h>\n#endif\n"
  "src/platform/com/Seam.cpp" "#include \"platform/com/Seam.h\"\n#include \"platform/win/Other.h\"\n"
  "src/platform/portable/com/Os.cpp" "#include \"platform/portable/com/Os.h\"\n#include \"platform/com/Seam.h\"\n"
  "standins/browser/Browser.cpp" "#include \"standins/browser/Browser.h\"\n#include \"platform/com/Seam.h\"\n"
  "src/type_library/Tlb.cpp" "#include \"platform/com/Seam.h\"\nconst int kind = SYS_WIN32 // HRESULT_FROM_WIN32 (no semicolons: the tree is a CMake list)\n"
  "src/server_link/Wrapper.cpp" "#include \"band_hosting/Band.h\"\n#include \"type_library/Tlb.h\"\n"
  "src/com_server/Module.cpp" "#include \"page_utils/Utils.h\"\n#include \"server_link/Wrapper.h\"\n#include <vector>\n"
  "tests/platform/windows/WinTest.cpp" "#ifdef _WIN32\n#endif\n"
  "tests/support/portable/Support.cpp" "#include \"platform/portable/registry/Control.h\"\n#if !defined(_WIN32)\n#endif\n"
  "tests/page_utils/PageTest.cpp" "#include \"standins/html/Doc.h\"\n#include \"com_server/Module.h\"\n"
  "tools/tool/main.cpp" "#include \"standins/browser/Browser.h\"\n#include \"page_utils/Utils.h\"\n")

# name; the message expected; then path and content pairs added to the clean tree.
set(VORN_CASES
  "logic-win32|_WIN32 outside the platform|src/band_hosting/Band.cpp|#if defined(_WIN32)\n#endif\n"
  "standin-win32|_WIN32 outside the platform|standins/app_server/Server.cpp|#ifdef _WIN32\n#endif\n"
  "tool-win32|_WIN32 outside the platform|tools/tool/extra.cpp|#ifndef _WIN32\n#endif\n"
  "test-win32|_WIN32 outside the platform|tests/platform/forms/BitmapTest.cpp|#ifdef _WIN32\n#endif\n"
  "seam-portable|platform/portable/ included from outside it|src/platform/com/Loader.cpp|#include \"platform/portable/com/Os.h\"\n"
  "test-portable|platform/portable/ included from outside it|tests/platform/com/RuntimeTest.cpp|#include \"platform/portable/com/Os.h\"\n"
  "logic-up|src/server_link includes the higher layer src/com_server|src/server_link/Up.cpp|#include \"com_server/Module.h\"\n"
  "seam-up|src/platform includes the higher layer src/type_library|src/platform/forms/Up.h|#include \"type_library/Tlb.h\"\n"
  "standin-up|standins includes the higher layer src/server_link|standins/app_server/Up.h|#include \"server_link/Wrapper.h\"\n"
  "src-standins|standins/ included from src/|src/page_utils/Doc.cpp|#include \"standins/html/Doc.h\"\n"
  "unknown-folder|folder without a layer: src/unplaced_unit|src/unplaced_unit/Links.cpp|#include \"platform/com/Seam.h\"\n")

function(vorn_write_tree dir)
  set(pairs ${ARGN})
  list(LENGTH pairs n)
  set(i 0)
  while(i LESS n)
    list(GET pairs ${i} path)
    math(EXPR j "${i} + 1")
    list(GET pairs ${j} content)
    string(REPLACE "\\n" "\n" content "${content}")
    file(WRITE ${dir}/${path} "${content}")
    math(EXPR i "${i} + 2")
  endwhile()
endfunction()

function(vorn_run_check dir rc_out output_out)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${dir} -P ${CHECK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${rc_out} ${rc} PARENT_SCOPE)
  set(${output_out} "${out}${err}" PARENT_SCOPE)
endfunction()

set(failures 0)

file(REMOVE_RECURSE ${WORK_DIR}/clean)
vorn_write_tree(${WORK_DIR}/clean ${VORN_CLEAN_TREE})
vorn_run_check(${WORK_DIR}/clean rc output)
if(NOT rc EQUAL 0)
  message("clean tree refused:\n${output}")
  math(EXPR failures "${failures} + 1")
endif()

foreach(case IN LISTS VORN_CASES)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 expected)
  list(GET fields 2 path)
  list(GET fields 3 content)
  set(dir ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${dir})
  vorn_write_tree(${dir} ${VORN_CLEAN_TREE} "${path}" "${content}")
  vorn_run_check(${dir} rc output)
  # The refusal names the rule and the file that breaks it.
  string(FIND "${output}" "${expected}" found_rule)
  string(FIND "${output}" "${path}" found_file)
  if(expected MATCHES "^folder without")
    set(found_file 0)
  endif()
  if(rc EQUAL 0 OR found_rule EQUAL -1 OR found_file EQUAL -1)
    message("case ${name}: expected a refusal with \"${expected}\" for ${path}, got (${rc}):\n${output}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "layering self-test: ${failures} case(s) failed")
endif()
list(LENGTH VORN_CASES count)
message(STATUS "layering self-test: the clean tree passes and ${count} breaks are refused")
