# The command behind lumbrix_add_download (cmake -P): converts HEX into OUTPUT for PART and
# PROTOCOL with LUMBRIX and, when VERIFY is true, checks the result against HEX with INSPECT.
# On failure OUTPUT is removed, so that no stale file looks up to date, and the build stops.

# The banner is noise in a build; messages about bad HEX lines go to standard error and stay.
execute_process(COMMAND ${LUMBRIX} ${HEX} ${OUTPUT} ${PART} ${PROTOCOL} OUTPUT_QUIET
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "lumbrix could not convert ${HEX} into ${OUTPUT}")
endif()
if(NOT VERIFY)
  return()
endif()

# Bytes outside the window are reported but, without STRICT_WINDOW, are no fault.
set(window --allow-outside)
if(STRICT_WINDOW)
  set(window "")
endif()
execute_process(COMMAND ${INSPECT} --source ${HEX} --part ${PART} --strict ${window} ${OUTPUT}
                OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  # The report's fault lines, then whatever the inspector said on standard error.
  string(REGEX MATCHALL "fault: [^\n]*\n" faults "${report}")
  string(JOIN "" details ${faults} "${errors}")
  string(STRIP "${details}" details)
  message(NOTICE "${details}")
  message(FATAL_ERROR "${OUTPUT} failed its check against ${HEX} for part ${PART} "
                      "and was removed")
endif()
