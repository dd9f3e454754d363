# The toolbars' pictures: bitmaps converted at build time from the icon table
# (resources/icons/toolbar-icons.tsv) and the Tango icon theme by
# scripts/make-toolbar-icons.sh, again whenever the table or the script changes.
# Windows embeds them in the DLL as BITMAP resources named in upper case
# (MAINTOOLBAR...). The portable module has them as files in resources/ beside
# itself, which is where the portable LoadImageW looks for a module's bitmaps.
# Included after the module and the unit tests are defined: the unit tests
# carry the library's code in their own module, so they get the bitmaps too.
find_program(VORN_CONVERT NAMES convert REQUIRED)
set(VORN_ICON_THEME /usr/share/icons/Tango CACHE PATH "The Tango icon theme (Debian package tango-icon-theme)")
set(VORN_ICON_TABLE ${CMAKE_SOURCE_DIR}/resources/icons/toolbar-icons.tsv)
set(VORN_ICON_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/make-toolbar-icons.sh)
set(VORN_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(VORN_BITMAP_NAMES MainToolbar MainToolbarHot QuickLinks QuickLinksHot QuickLinksLogo)

set(VORN_BITMAPS)
foreach(name IN LISTS VORN_BITMAP_NAMES)
  list(APPEND VORN_BITMAPS ${VORN_ICON_DIR}/${name}.bmp)
endforeach()
add_custom_command(
  OUTPUT ${VORN_BITMAPS}
  COMMAND bash ${VORN_ICON_SCRIPT} ${VORN_ICON_TABLE} ${VORN_ICON_THEME} ${VORN_ICON_DIR} ${VORN_CONVERT}
  DEPENDS ${VORN_ICON_TABLE} ${VORN_ICON_SCRIPT}
  COMMENT "Converting the toolbar icons")

if(WIN32)
  set(VORN_BITMAP_RC ${CMAKE_BINARY_DIR}/VornIEGUIBitmaps.rc)
  set(rc "")
  foreach(name IN LISTS VORN_BITMAP_NAMES)
    string(TOUPPER ${name} id)
    string(APPEND rc "${id} BITMAP \"${VORN_ICON_DIR}/${name}.bmp\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${VORN_BITMAP_RC} CONTENT "${rc}" @ONLY)
  add_custom_target(vornie-bitmaps DEPENDS ${VORN_BITMAPS})
  foreach(target VornIEGUI vornie_tests)
    target_sources(${target} PRIVATE ${VORN_BITMAP_RC})
    set_source_files_properties(${VORN_BITMAP_RC} TARGET_DIRECTORY ${target}
                                PROPERTIES OBJECT_DEPENDS "${VORN_BITMAPS}")
  endforeach()
else()
  # The module's folder and the unit tests' folder, each with a resources/ of its own.
  set_target_properties(VornIEGUI PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  set_target_properties(vornie_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set(VORN_BITMAP_COPIES)
  foreach(dir ${CMAKE_BINARY_DIR}/resources ${CMAKE_BINARY_DIR}/tests/resources)
    foreach(name IN LISTS VORN_BITMAP_NAMES)
      add_custom_command(
        OUTPUT ${dir}/${name}.bmp
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${VORN_ICON_DIR}/${name}.bmp ${dir}/${name}.bmp
        DEPENDS ${VORN_ICON_DIR}/${name}.bmp)
      list(APPEND VORN_BITMAP_COPIES ${dir}/${name}.bmp)
    endforeach()
  endforeach()
  add_custom_target(vornie-bitmaps DEPENDS ${VORN_BITMAPS} ${VORN_BITMAP_COPIES})
endif()
add_dependencies(VornIEGUI vornie-bitmaps)
add_dependencies(vornie_tests vornie-bitmaps)
