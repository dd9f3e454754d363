# vorn_debian_source(<source-package> <out-var>)
# Unpacks Debian's source package at configure time into the build folder and
# sets <out-var> to the unpacked tree. Used for libraries that Debian builds
# only for Linux and that the Windows build compiles from the same sources.
function(vorn_debian_source package out)
  set(dest ${CMAKE_BINARY_DIR}/_debian/${package})
  if(NOT EXISTS ${dest}/.vornie-unpacked)
    message(STATUS "Unpacking Debian's source package ${package}")
    execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/debian-source.sh ${package} ${dest}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Debian's source package ${package} could not be unpacked (see above)")
    endif()
  endif()
  set(${out} ${dest} PARENT_SCOPE)
endfunction()
