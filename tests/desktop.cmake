# Desktop integration, checked on the files as the desktop reads them: the
# launcher and the AppStream entry by the desktop's own validators, then the
# whole tree that `cmake --install` lays out.
add_test(NAME desktop_file_validate
         COMMAND desktop-file-validate ${CMAKE_BINARY_DIR}/assets/${TOQUEL_APP_ID}.desktop)
add_test(NAME appstream_validate
         COMMAND appstreamcli validate --no-net
                 ${CMAKE_BINARY_DIR}/assets/${TOQUEL_APP_ID}.metainfo.xml)
set_tests_properties(desktop_file_validate appstream_validate PROPERTIES LABELS desktop)

set(installed_tree ${CMAKE_CURRENT_BINARY_DIR}/installed)
add_test(NAME desktop_install_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${installed_tree})
add_test(NAME desktop_install
         COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${installed_tree})
set_tests_properties(desktop_install_clean desktop_install PROPERTIES
  FIXTURES_SETUP installed_tree LABELS desktop)
set_tests_properties(desktop_install PROPERTIES DEPENDS desktop_install_clean)

# The .deb that cpack makes carries the licence as Debian's copyright file.
add_test(NAME package_copyright
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                 -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/package
                 -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
                 -P ${PROJECT_SOURCE_DIR}/scripts/check-package.cmake)
set_tests_properties(package_copyright PROPERTIES LABELS "desktop;packaging" TIMEOUT 300)

# The Windows branches keep compiling: every game source with mingw-w64 as
# Windows code, with its real target's definitions and include folders.
find_path(TOQUEL_GUMBO_HEADERS gumbo.h HINTS ${GUMBO_INCLUDE_DIRS})
add_test(NAME windows_sources
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                 -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                 -DCOMPILER=/usr/bin/x86_64-w64-mingw32-g++-posix
                 -DWINDRES=/usr/bin/x86_64-w64-mingw32-windres
                 -DRC_FILE=${TOQUEL_RC_FILE}
                 -DGUMBO_HEADERS=${TOQUEL_GUMBO_HEADERS}
                 -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/windows
                 -P ${PROJECT_SOURCE_DIR}/scripts/check-windows.cmake)
set_tests_properties(windows_sources PROPERTIES LABELS windows TIMEOUT 900)

# The artwork the build drew from SVG, against the SVG itself.
toquel_add_test(tst_artwork SOURCES tst_artwork.cpp LIBS toquel_toolkit Qt6::Svg LABELS desktop)
target_compile_definitions(tst_artwork PRIVATE
  "TOQUEL_ASSETS_DIR=\"${PROJECT_SOURCE_DIR}/assets\"")
