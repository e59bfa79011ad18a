# Runs one scenario script and compares the output with its expected file.
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
set(args --locale pt_BR)
if(EXISTS ${dir}/${name}.args)
  file(STRINGS ${dir}/${name}.args args_line LIMIT_COUNT 1)
  separate_arguments(args UNIX_COMMAND "${args_line}")
endif()
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
execute_process(
  COMMAND ${BATCH} ${args} --error-log ${WORKDIR}/ErrorLog.txt ${SCRIPT}
  WORKING_DIRECTORY ${WORKDIR}
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status
  TIMEOUT 60)
file(READ ${dir}/${name}.expected expected)
if(expected MATCHES "^exit 2")
  if(NOT status EQUAL 2 OR NOT actual STREQUAL "")
    message(FATAL_ERROR "expected exit 2 and no output, got ${status}:\n${actual}\n${errors}")
  endif()
  string(REGEX REPLACE "^exit 2\n?" "" wanted_error "${expected}")
  string(STRIP "${wanted_error}" wanted_error)
  string(FIND "${errors}" "${wanted_error}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "standard error lacks \"${wanted_error}\":\n${errors}")
  endif()
  return()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tallyroller-batch exited with ${status}:\n${errors}")
endif()
if(NOT actual STREQUAL expected)
  file(WRITE ${WORKDIR}/actual.txt "${actual}")
  message(FATAL_ERROR "output differs from ${name}.expected\n--- expected\n${expected}--- actual\n${actual}")
endif()
