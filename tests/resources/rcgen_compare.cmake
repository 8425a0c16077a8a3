# Runs tavrinole-rcgen into OUTPUT and CLI_OUTPUT and fails unless they equal EXPECTED
# and CLI_EXPECTED; then checks that a missing argument is refused with a usage message.
execute_process(COMMAND ${RCGEN} ${OUTPUT} ${CLI_OUTPUT} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tavrinole-rcgen failed (${status}): ${errors}")
endif()
foreach(pair "${OUTPUT};${EXPECTED}" "${CLI_OUTPUT};${CLI_EXPECTED}")
  list(GET pair 0 written)
  list(GET pair 1 committed)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${written} ${committed}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${written} differs from ${committed}")
  endif()
endforeach()
execute_process(COMMAND ${RCGEN} ${OUTPUT} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(status EQUAL 0 OR NOT errors MATCHES "usage: tavrinole-rcgen")
  message(FATAL_ERROR "tavrinole-rcgen with one output: status ${status}, \"${errors}\"")
endif()
