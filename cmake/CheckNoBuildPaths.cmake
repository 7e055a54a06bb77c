# Fails when a binary carries a path of the machine that built it (the
# source or build tree), for example through __FILE__ in a log record.
#   cmake -DFILE=<binary> -DSOURCE_DIR=<dir> -DBINARY_DIR=<dir> -P CheckNoBuildPaths.cmake
cmake_minimum_required(VERSION 3.20)
foreach(dir "${SOURCE_DIR}" "${BINARY_DIR}")
  file(STRINGS "${FILE}" hits LIMIT_COUNT 5 REGEX "${dir}")
  if(hits)
    list(JOIN hits "\n  " text)
    message(FATAL_ERROR "${FILE} carries paths of the build machine:\n  ${text}")
  endif()
endforeach()
message(STATUS "${FILE} carries no path of ${SOURCE_DIR} or ${BINARY_DIR}")
