# Checks the built DLL's image without running it: exactly the four entry
# points are exported, under their plain names, and the type library is
# embedded as resource TYPELIB 1.
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
message(STATUS "${DLL}: exports ${names}; TYPELIB 1 present")
