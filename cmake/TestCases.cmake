# Registers a GoogleTest program's tests with ctest, so that a failure names
# its test in ctest's summary and ctest can run the tests in parallel.
#
#   vorn_add_gtest(TARGET NAME [PROPERTIES prop value ...])
#
# Native builds register every test case (gtest_discover_tests): a process per
# case is cheap there. A cross-compiled program runs under its emulator
# (Wine), where every process start costs about half a second, so it gets one
# entry per test suite instead (`NAME.Suite`, running `--gtest_filter=Suite.*`).
# The suites are listed after each link, from the program itself.
#
# The same file, run as a script (cmake -P), does that listing.

if(CMAKE_SCRIPT_MODE_FILE)
  # -D PROGRAM, EMULATOR (a list, may be empty), NAME, OUTPUT, WORKDIR, PROPERTIES (a list)
  execute_process(COMMAND ${EMULATOR} "${PROGRAM}" --gtest_list_tests
                  WORKING_DIRECTORY "${WORKDIR}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE listing ERROR_VARIABLE errors TIMEOUT 300)
  if(NOT status EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "Listing the tests of ${PROGRAM} failed (${status}):\n${listing}\n${errors}")
  endif()
  string(REPLACE "\r" "" listing "${listing}")
  string(REPLACE ";" "\\;" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(script "")
  set(count 0)
  set(launcher "")
  foreach(item IN LISTS EMULATOR)
    string(APPEND launcher "[==[${item}]==] ")
  endforeach()
  foreach(line IN LISTS lines)
    # A suite line starts in column one and ends with a dot (a typed or
    # parameterised suite adds a comment after it); cases are indented.
    if(line MATCHES "^([A-Za-z0-9_/]+)\\.( +#.*)?$")
      set(suite "${CMAKE_MATCH_1}")
      set(test "${NAME}.${suite}")
      string(APPEND script
        "add_test([==[${test}]==] ${launcher}[==[${PROGRAM}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${test}]==] PROPERTIES WORKING_DIRECTORY [==[${WORKDIR}]==] ${PROPERTIES})\n")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
  if(count EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} listed no test suites:\n${listing}")
  endif()
  file(WRITE "${OUTPUT}" "${script}")
  return()
endif()

include(GoogleTest)

function(vorn_add_gtest target name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "PROPERTIES")
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} TEST_PREFIX "${name}." DISCOVERY_TIMEOUT 120
                         PROPERTIES LABELS ${name} ${arg_PROPERTIES})
    return()
  endif()
  set(base "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(suites "${base}_suites.cmake")
  # Quoted for the script: each property value becomes one bracket argument.
  set(props "LABELS;${name};${arg_PROPERTIES}")
  set(quoted "")
  foreach(item IN LISTS props)
    string(APPEND quoted " [==[${item}]==]")
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD
    BYPRODUCTS "${suites}"
    COMMAND "${CMAKE_COMMAND}" -D "PROGRAM=$<TARGET_FILE:${target}>"
            -D "EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -D "NAME=${name}"
            -D "OUTPUT=${suites}" -D "WORKDIR=${CMAKE_CURRENT_BINARY_DIR}"
            -D "PROPERTIES=${quoted}"
            -P "${CMAKE_SOURCE_DIR}/cmake/TestCases.cmake"
    VERBATIM)
  file(WRITE "${base}_include.cmake"
    "if(EXISTS \"${suites}\")\n"
    "  include(\"${suites}\")\n"
    "else()\n"
    "  add_test(${name}_NOT_BUILT ${name}_NOT_BUILT)\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${base}_include.cmake")
endfunction()
