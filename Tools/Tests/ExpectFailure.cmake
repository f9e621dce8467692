# Runs kavelo-rc on INPUT and passes only when it fails with a status of 1, prints an error
# matching EXPECT and leaves no OUTPUT behind.
#   cmake -DCOMPILER=... -DINPUT=... -DOUTPUT=... -DICONS=... -DEXPECT=<regex> -P ExpectFailure.cmake

file(REMOVE ${OUTPUT})
execute_process(COMMAND ${COMPILER} --icons ${ICONS} -o ${OUTPUT} ${INPUT}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 1)
    message(FATAL_ERROR "kavelo-rc ended with status '${status}', expected 1; it printed: ${errors}")
endif()
if(NOT errors MATCHES "${EXPECT}")
    message(FATAL_ERROR "kavelo-rc printed:\n${errors}\nexpected a match for:\n${EXPECT}")
endif()
if(EXISTS ${OUTPUT})
    message(FATAL_ERROR "kavelo-rc left ${OUTPUT} behind after failing")
endif()
