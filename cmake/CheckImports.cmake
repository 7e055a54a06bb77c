# Fails unless a Windows executable imports system DLLs only: the .scr must
# run on a bare Windows, without MinGW runtime or extension DLLs beside it.
# FORBIDDEN lists functions it must not import at all (from any DLL).
#   cmake -DOBJDUMP=<objdump> -DFILE=<exe> [-DFORBIDDEN=a;b] -P CheckImports.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed kernel32 user32 gdi32 advapi32 comctl32 shell32 winmm msvcrt d3d9)

execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${FILE} failed: ${err}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" entries "${out}")
if(NOT entries)
  # every Windows program imports kernel32 at least: no list means a misread
  message(FATAL_ERROR "no imported DLLs found in ${FILE}")
endif()

set(found)
set(foreign)
foreach(entry ${entries})
  string(REGEX REPLACE "^DLL Name: *" "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  string(REGEX REPLACE "\\.dll$" "" base "${dll}")
  list(APPEND found ${dll})
  if(NOT base IN_LIST allowed)
    list(APPEND foreign ${dll})
  endif()
endforeach()

list(JOIN found ", " found_text)
if(foreign)
  list(JOIN foreign ", " foreign_text)
  message(FATAL_ERROR "${FILE} imports DLLs that Windows does not ship: ${foreign_text} (all: ${found_text})")
endif()
foreach(function ${FORBIDDEN})
  if(out MATCHES "[ \t]${function}[\r\n]")
    message(FATAL_ERROR "${FILE} imports ${function}, which older Windows versions lack")
  endif()
endforeach()
message(STATUS "${FILE} imports only system DLLs: ${found_text}")
