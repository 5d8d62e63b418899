# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a validator on one file; reports "SKIPPED:" when the tool is missing.
# cmake -DTOOL=name [-DTOOL_ARGS=a;b] -DFILE=path -P RunValidator.cmake
find_program(tool_path ${TOOL})
if(NOT tool_path)
  message("SKIPPED: ${TOOL} is not installed")
  return()
endif()
execute_process(COMMAND ${tool_path} ${TOOL_ARGS} ${FILE}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TOOL} rejects ${FILE}")
endif()
