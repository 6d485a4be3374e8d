# Compiles every source of the game as Windows code, so the Windows-only
# branches keep compiling although nobody builds the game on Windows here:
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DCOMPILER=... -DWINDRES=... -DRC_FILE=...
#         -DGUMBO_HEADERS=... -DWORK_DIR=... -P check-windows.cmake
# Each source gets the definitions and include folders its real target compiles it
# with (from the build's compile_commands.json), against the Qt headers, with
# mingw-w64 and -fsyntax-only: Q_OS_WIN is set and <windows.h> is mingw's own.
foreach(tool COMPILER WINDRES)
  if(NOT EXISTS "${${tool}}")
    message(FATAL_ERROR "${tool} not found (${${tool}}): run scripts/install-deps.sh")
  endif()
endforeach()

# gumbo's two headers by themselves: the folder they live in also holds the
# Linux C library's headers, which must not stand in for mingw's.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/gumbo)
foreach(header gumbo.h tag_enum.h)
  file(COPY ${GUMBO_HEADERS}/${header} DESTINATION ${WORK_DIR}/gumbo)
endforeach()

file(READ ${BUILD_DIR}/compile_commands.json commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
set(checked 0)
set(failed "")
foreach(i RANGE ${last})
  string(JSON file GET "${commands}" ${i} file)
  string(JSON command GET "${commands}" ${i} command)
  if(NOT file MATCHES "^${SOURCE_DIR}/(rules|network|toolkit|windows|app)/.+\\.cpp$")
    continue()
  endif()
  separate_arguments(arguments UNIX_COMMAND "${command}")
  set(flags "")
  set(take_next OFF)
  foreach(argument IN LISTS arguments)
    if(take_next)
      list(APPEND flags "${argument}")
      set(take_next OFF)
    elseif(argument MATCHES "^-[DI].")
      list(APPEND flags "${argument}")
    elseif(argument STREQUAL "-isystem")
      list(APPEND flags "${argument}")
      set(take_next ON)
    endif()
  endforeach()
  execute_process(
    COMMAND ${COMPILER} -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic ${flags}
            -idirafter ${WORK_DIR}/gumbo ${file}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  math(EXPR checked "${checked} + 1")
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    list(APPEND failed ${file})
    message("${file}:\n${output}")
  endif()
endforeach()

# The .exe's resources: the icon and the version block.
execute_process(COMMAND ${WINDRES} -O coff -i ${RC_FILE} -o ${WORK_DIR}/toquel.res
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  list(APPEND failed ${RC_FILE})
  message("${RC_FILE}:\n${output}")
endif()

if(checked LESS 20)
  message(FATAL_ERROR "only ${checked} sources found in ${BUILD_DIR}/compile_commands.json")
endif()
if(failed)
  message(FATAL_ERROR "not Windows-clean: ${failed}")
endif()
message(STATUS "${checked} sources and the resource script compile as Windows code")
