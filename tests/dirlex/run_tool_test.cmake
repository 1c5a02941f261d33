# Runs the dirlex tool on INPUT with a fixed "today" (and OPTIONS, when given) and compares
# its output with EXPECTED.
execute_process(COMMAND ${TOOL} --now 2024-06-15 ${OPTIONS} ${INPUT}
                OUTPUT_VARIABLE actual RESULT_VARIABLE status TIMEOUT 20)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dirlex exited with ${status}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/dirlex_tool_output.actual "${actual}")
  message(FATAL_ERROR "dirlex output differs from ${EXPECTED}; got:\n${actual}")
endif()
