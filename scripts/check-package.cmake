# Builds the .deb of a build folder and checks that it carries the licence:
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DLICENSE=... -P check-package.cmake
# The package is made in WORK_DIR so the build folder's own packages stay as they are.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB -B ${WORK_DIR}
                        --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB debs ${WORK_DIR}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${WORK_DIR}, found: ${debs}")
endif()

execute_process(COMMAND dpkg-deb --fsys-tarfile ${debs}
                COMMAND tar -xOf - ./usr/share/doc/toquel/copyright
                RESULT_VARIABLE result OUTPUT_VARIABLE copyright ERROR_VARIABLE error)
if(NOT result EQUAL 0 OR copyright STREQUAL "")
  message(FATAL_ERROR "the package has no /usr/share/doc/toquel/copyright: ${error}")
endif()
foreach(expected "Upstream-Name: Toquel" "License: Expat" "Copyright: 2026 The Toquel developers")
  string(FIND "${copyright}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the copyright file lacks \"${expected}\":\n${copyright}")
  endif()
endforeach()

# Every sentence of the licence is there, word for word (wrapped as Debian wraps it).
file(READ ${LICENSE} licence)
string(REGEX REPLACE "[ \n.]+" " " copyright_words "${copyright}")
string(FIND "${licence}" "Permission is hereby granted" start)
string(SUBSTRING "${licence}" ${start} -1 terms)
string(REGEX REPLACE "[ \n.]+" " " terms "${terms}")
string(STRIP "${terms}" terms)
string(FIND "${copyright_words}" "${terms}" at)
if(at LESS 0)
  message(FATAL_ERROR "the copyright file does not hold the licence's terms:\n${copyright}")
endif()
message(STATUS "${debs} carries the licence")
