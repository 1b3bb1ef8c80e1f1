# Writes English.lng from the built-in texts: cmake -DCLI=brivant-cli -DOUT=file -DWORKSPACE=dir -P
execute_process(COMMAND ${CLI} texts --lng --workspace ${WORKSPACE}
                OUTPUT_FILE ${OUT}.tmp RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT errors STREQUAL "")
  file(REMOVE ${OUT}.tmp)
  message(FATAL_ERROR "brivant-cli texts --lng failed (${result}): ${errors}")
endif()
file(RENAME ${OUT}.tmp ${OUT})
