# Packs every top-level file and folder of DATA_DIR into ARCHIVE; entry names
# are the paths below DATA_DIR with '\' separators.
file(GLOB entries RELATIVE ${DATA_DIR} ${DATA_DIR}/*)
list(SORT entries)
file(REMOVE ${ARCHIVE}.tmp)
execute_process(COMMAND ${QARCHIVE} pack ${ARCHIVE}.tmp ${entries}
  WORKING_DIRECTORY ${DATA_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "packing the data archive failed (${rc})")
endif()
file(RENAME ${ARCHIVE}.tmp ${ARCHIVE})
