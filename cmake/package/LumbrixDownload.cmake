# The command behind lumbrix_add_download (cmake -P): converts HEX into OUTPUT for PART and
# PROTOCOL with LUMBRIX and, when VERIFY is true, checks the result against HEX with INSPECT.
# The result is made as WORK, the build's own file, and replaces OUTPUT only once it passed:
# a failure leaves OUTPUT as it was, none or one older than HEX, so the build fails again
# until the cause is fixed, and no other file is ever written or removed.
cmake_minimum_required(VERSION 3.25)

# report_lines(<report> <pattern> <result>): the lines of lumbrix_inspect's report that
# begin with <pattern>. The one place that reads the report.
function(report_lines report pattern result)
  string(REPLACE "\n" ";" lines "${report}")
  list(FILTER lines INCLUDE REGEX "^(${pattern})")
  list(JOIN lines "\n" text)
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# fail(<message>...): removes WORK and stops the build with the message.
macro(fail)
  file(REMOVE ${WORK})
  message(FATAL_ERROR ${ARGN})
endmacro()

file(REAL_PATH ${HEX} hex_file)
file(REAL_PATH ${OUTPUT} output_file)
if(hex_file STREQUAL output_file)
  message(FATAL_ERROR "${OUTPUT} is the HEX file ${HEX}: not converted, and both are "
                      "left as they were")
endif()

# The banner is noise in a build. The messages about bad HEX lines go to the log as they
# come, but with VERIFY the check names those lines with their numbers instead.
get_filename_component(work_folder ${WORK} DIRECTORY)
file(MAKE_DIRECTORY ${work_folder})
execute_process(COMMAND ${LUMBRIX} ${HEX} ${WORK} ${PART} ${PROTOCOL} OUTPUT_QUIET
                ERROR_VARIABLE hex_errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT VERIFY)
  string(STRIP "${hex_errors}" hex_errors)
  if(hex_errors)
    message(NOTICE "${hex_errors}")
  endif()
endif()
if(NOT status EQUAL 0)
  fail("lumbrix could not convert ${HEX} into ${OUTPUT}")
endif()

if(VERIFY)
  # Bytes outside the window are reported but, without STRICT_WINDOW, are no fault.
  set(window --allow-outside)
  if(STRICT_WINDOW)
    set(window "")
  endif()
  execute_process(COMMAND ${INSPECT} --source ${HEX} --part ${PART} --strict ${window} ${WORK}
                  OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE status)
  report_lines("${report}" "source bytes outside window: [1-9]|dropped:" outside)
  if(outside)
    message(NOTICE "${HEX} gives bytes outside the flash window, left out of ${OUTPUT}:\n"
                   "${outside}")
  endif()
  if(NOT status EQUAL 0)
    # The report's faults and rejected lines; with no report, what stopped the inspector.
    report_lines("${report}" "fault:|rejected:|overlap:" faults)
    if(NOT report)
      string(STRIP "${errors}" faults)
    endif()
    message(NOTICE "${faults}")
    fail("${OUTPUT} failed its check against ${HEX} for part ${PART} and was not written")
  endif()
endif()

get_filename_component(output_folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_folder})
file(COPY_FILE ${WORK} ${OUTPUT} RESULT copied)
if(NOT copied EQUAL 0)
  # Only a copy that began leaves OUTPUT newer than WORK, and only that one is removed.
  if(EXISTS "${OUTPUT}" AND "${OUTPUT}" IS_NEWER_THAN "${WORK}")
    file(REMOVE ${OUTPUT})
  endif()
  fail("${OUTPUT} could not be written: ${copied}")
endif()
file(REMOVE ${WORK})
