# Runs one scenario script and compares its standard output with the expected lines.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${SCRIPT_DRIVER} ${SCRIPT}
  WORKING_DIRECTORY ${WORK_DIR}
  OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tintbox-script exited with ${status}\n${errors}\noutput:\n${actual}")
endif()
if(NOT actual STREQUAL expected)
  file(WRITE ${WORK_DIR}/actual.out "${actual}")
  message(FATAL_ERROR "output differs from ${EXPECTED}\n--- expected\n${expected}--- actual\n${actual}")
endif()
