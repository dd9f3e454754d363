# Checks the built DLL's image without running it: exactly the four entry
# points are exported, under their plain names, the type library is embedded
# as resource TYPELIB 1, and the toolbars' pictures as BITMAP resources.
#   cmake -DOBJDUMP=... -DDLL=... -P CheckDll.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [A-Za-z_@0-9?]+" names "${table}")
list(TRANSFORM names REPLACE "^[^]]*] " "")
list(SORT names)
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports are [${names}], expected [${expected}]")
endif()

if(NOT dump MATCHES "name: \\[[^]]*\\]: TYPELIB, Value: [^\n]*\n[^\n]*\n[^\n]*Entry: ID: 0x000001")
  message(FATAL_ERROR "no resource TYPELIB 1 in ${DLL}")
endif()
# The resource directory as objdump prints it: a type entry three spaces in,
# the names of its resources five spaces in. BITMAP is type 2.
string(REGEX MATCH "The \\.rsrc Resource Directory section:\n.*Resources start at offset" rsrc "${dump}")
string(REPLACE ";" "," rsrc "${rsrc}")
string(REPLACE "\n" ";" rsrc_lines "${rsrc}")
set(type "")
set(bitmaps)
foreach(line IN LISTS rsrc_lines)
  if(line MATCHES "^[0-9a-f]+   Entry: (.*), Value:")
    set(type "${CMAKE_MATCH_1}")
  elseif(type STREQUAL "ID: 0x000002" AND line MATCHES "^[0-9a-f]+     Entry: name: \\[[^]]*\\]: ([A-Za-z0-9_]+), Value:")
    list(APPEND bitmaps ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT bitmaps)
set(expected_bitmaps MAINTOOLBAR MAINTOOLBARHOT QUICKLINKS QUICKLINKSHOT QUICKLINKSLOGO)
if(NOT bitmaps STREQUAL expected_bitmaps)
  message(FATAL_ERROR "BITMAP resources are [${bitmaps}], expected [${expected_bitmaps}]")
endif()
message(STATUS "${DLL}: exports ${names}; TYPELIB 1 present; bitmaps ${bitmaps}")
