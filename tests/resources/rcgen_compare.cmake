# Runs tavrinole-rcgen into OUTPUT and fails unless OUTPUT equals EXPECTED; then
# checks that a missing argument is refused with a usage message.
execute_process(COMMAND ${RCGEN} ${OUTPUT} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tavrinole-rcgen failed (${status}): ${errors}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}")
endif()
execute_process(COMMAND ${RCGEN} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(status EQUAL 0 OR NOT errors MATCHES "usage: tavrinole-rcgen")
  message(FATAL_ERROR "tavrinole-rcgen without an output: status ${status}, \"${errors}\"")
endif()
