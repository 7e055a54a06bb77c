# Fails when the program's folders include each other both ways. The shell
# sits on top: it may include the framework and everything under it, and no
# other folder includes the shell.
#   cmake -DSOURCE_DIR=<dir> -P CheckLayering.cmake
cmake_minimum_required(VERSION 3.20)
set(bad)
foreach(dir src data settings sound)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${dir}/*.cpp" "${SOURCE_DIR}/${dir}/*.h")
  foreach(f ${files})
    file(STRINGS "${f}" hits REGEX "^#include \"shell/")
    if(hits)
      file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
      list(APPEND bad "${rel}: ${hits}")
    endif()
  endforeach()
endforeach()
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "files below the shell include it:\n  ${text}")
endif()
message(STATUS "no folder below the shell includes it")
