# The about and how-to-play windows and the registry reader under them.
toquel_add_test(tst_about SOURCES tst_about.cpp GameFixture.h LIBS toquel_ui LABELS shell)
toquel_add_test(tst_howtoplay SOURCES tst_howtoplay.cpp GameFixture.h LIBS toquel_ui LABELS shell)

# Desktop integration, checked on the files as the desktop reads them: the
# launcher and the AppStream entry by the desktop's own validators, then the
# whole tree that `cmake --install` lays out.
add_test(NAME desktop_file_validate
         COMMAND desktop-file-validate ${CMAKE_BINARY_DIR}/assets/${TOQUEL_APP_ID}.desktop)
add_test(NAME appstream_validate
         COMMAND appstreamcli validate --no-net
                 ${CMAKE_BINARY_DIR}/assets/${TOQUEL_APP_ID}.metainfo.xml)
set_tests_properties(desktop_file_validate appstream_validate PROPERTIES LABELS shell)

set(installed_tree ${CMAKE_CURRENT_BINARY_DIR}/installed)
add_test(NAME desktop_install_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${installed_tree})
add_test(NAME desktop_install
         COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${installed_tree})
set_tests_properties(desktop_install_clean desktop_install PROPERTIES
  FIXTURES_SETUP installed_tree LABELS shell)
set_tests_properties(desktop_install PROPERTIES DEPENDS desktop_install_clean)

toquel_add_test(tst_desktop SOURCES tst_desktop.cpp LIBS Qt6::Svg LABELS shell)
target_compile_definitions(tst_desktop PRIVATE
  "TOQUEL_APP_ID=\"${TOQUEL_APP_ID}\""
  "TOQUEL_VERSION=\"${PROJECT_VERSION}\""
  "TOQUEL_INSTALLED_PREFIX=\"${installed_tree}\""
  "TOQUEL_ICON_SOURCE=\"${PROJECT_SOURCE_DIR}/assets/icon.svg\"")
set_tests_properties(tst_desktop PROPERTIES FIXTURES_REQUIRED installed_tree)

# The artwork the build drew from SVG, against the SVG itself.
toquel_add_test(tst_artwork SOURCES tst_artwork.cpp LIBS toquel_ui Qt6::Svg LABELS shell)
target_compile_definitions(tst_artwork PRIVATE
  "TOQUEL_ASSETS_DIR=\"${PROJECT_SOURCE_DIR}/assets\"")
