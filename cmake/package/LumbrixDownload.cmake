# The command behind lumbrix_add_download (cmake -P): converts HEX into OUTPUT for PART and
# PROTOCOL with LUMBRIX and, when VERIFY is true, checks the result against HEX with INSPECT.
# The result is made as WORK, the build's own file, and replaces OUTPUT only once it passed:
# a failure leaves OUTPUT as it was, none or one older than HEX, so the build fails again
# until the cause is fixed, and no other file is ever written or removed.
cmake_minimum_required(VERSION 3.25)

# Entries of one list that the build log shows before it only counts the rest, as the
# inspector's text report does, so that a HEX file wrong everywhere still leaves a log to read.
set(shown 8)

# member(<result> <json> <path>...): the member of lumbrix_inspect's JSON report (or of a part
# of it) at <path>, empty where there is none: a file of unknown layout has no pages, a source
# not compared no dropped bytes.
function(member result json)
  string(JSON value ERROR_VARIABLE missing GET "${json}" ${ARGN})
  if(missing)
    set(value "")
  endif()
  set(${result} "${value}" PARENT_SCOPE)
endfunction()

# entry_count(<result> <json>): how many entries the JSON array or object has, 0 for none.
function(entry_count result json)
  string(JSON count ERROR_VARIABLE none LENGTH "${json}")
  if(none)
    set(count 0)
  endif()
  set(${result} ${count} PARENT_SCOPE)
endfunction()

# shown_count(<result> <array>): how many entries of the JSON array the log shows.
function(shown_count result array)
  entry_count(length "${array}")
  if(length GREATER shown)
    set(length ${shown})
  endif()
  set(${result} ${length} PARENT_SCOPE)
endfunction()

# address(<result> <number>): the number as the inspector's text writes addresses, 0x821FF.
function(address result number)
  math(EXPR hex "${number}" OUTPUT_FORMAT HEXADECIMAL)
  string(TOUPPER "${hex}" hex)
  string(REPLACE "0X" "0x" hex "${hex}")
  set(${result} ${hex} PARENT_SCOPE)
endfunction()

# bytes_text(<result> <n>): "1 byte" or "<n> bytes".
function(bytes_text result n)
  set(text "${n} bytes")
  if(n EQUAL 1)
    set(text "1 byte")
  endif()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# list_lines(<result> <name> <list> <member> <unit> <entry_text>): "<name>: <text>" for each
# shown entry of a report's {"count", <member>: [...]} <list>, the text made by the function
# <entry_text>(<result> <entry>), then "<name>: n more <unit>", as the text report has them.
function(list_lines result name list member unit entry_text)
  member(count "${list}" count)
  member(entries "${list}" ${member})
  shown_count(length "${entries}")
  set(lines "")
  set(i 0)
  while(i LESS length)
    member(entry "${entries}" ${i})
    cmake_language(CALL ${entry_text} text "${entry}")
    string(APPEND lines "${name}: ${text}\n")
    math(EXPR i "${i} + 1")
  endwhile()
  if(count GREATER length)
    math(EXPR more "${count} - ${length}")
    string(APPEND lines "${name}: ${more} more ${unit}\n")
  endif()
  set(${result} "${lines}" PARENT_SCOPE)
endfunction()

# run_text(<result> <run>): a run of bytes, "0x0-0x3 (4 bytes)".
function(run_text result run)
  member(first "${run}" first)
  member(last "${run}" last)
  member(bytes "${run}" bytes)
  address(first ${first})
  address(last ${last})
  bytes_text(bytes ${bytes})
  set(${result} "${first}-${last} (${bytes})" PARENT_SCOPE)
endfunction()

# rejected_text(<result> <line>): a rejected HEX line, "line 2: invalid checksum".
function(rejected_text result line)
  member(number "${line}" line)
  member(reason "${line}" fault)
  set(${result} "line ${number}: ${reason}" PARENT_SCOPE)
endfunction()

# fault_lines(<result> <faults>): "fault [kind]: text" for the shown faults of each kind of a
# report's {"counts", "list"} member, then "fault [kind]: n more". The list holds
# the kinds mixed, in the order found, so it is read only until each kind has shown its share.
function(fault_lines result faults)
  member(counts "${faults}" counts)
  member(list "${faults}" list)
  set(lines "")
  set(more_lines "")
  set(to_show 0)
  entry_count(kinds "${counts}")
  set(k 0)
  while(k LESS kinds)
    string(JSON kind MEMBER "${counts}" ${k})
    member(count "${counts}" ${kind})
    set(shown_${kind} 0)
    if(count GREATER shown)
      math(EXPR more "${count} - ${shown}")
      string(APPEND more_lines "fault [${kind}]: ${more} more\n")
      set(count ${shown})
    endif()
    math(EXPR to_show "${to_show} + ${count}")
    math(EXPR k "${k} + 1")
  endwhile()
  entry_count(length "${list}")
  set(i 0)
  while(to_show GREATER 0 AND i LESS length)
    member(fault "${list}" ${i})
    member(kind "${fault}" kind)
    if(shown_${kind} LESS shown)
      member(text "${fault}" text)
      string(APPEND lines "fault [${kind}]: ${text}\n")
      math(EXPR shown_${kind} "${shown_${kind}} + 1")
      math(EXPR to_show "${to_show} - 1")
    endif()
    math(EXPR i "${i} + 1")
  endwhile()
  set(${result} "${lines}${more_lines}" PARENT_SCOPE)
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
  execute_process(COMMAND ${INSPECT} --source ${HEX} --part ${PART} --strict ${window} --json
                          ${WORK}
                  OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE status)
  # 0 is sound and 1 faulty, each with a report in the layout read here; anything else is
  # trouble that kept the inspector from judging the file (an input it could not read, memory
  # run out), and its standard error says which.
  string(JSON schema ERROR_VARIABLE unreadable GET "${report}" schema)
  if(NOT status MATCHES "^[01]$" OR NOT schema STREQUAL "lumbrix_inspect/1")
    string(STRIP "${errors}" errors)
    fail("lumbrix_inspect could not check ${OUTPUT} against ${HEX} (exit status ${status}), "
         "so it was not written: ${errors}")
  endif()
  member(source "${report}" source)
  member(outside "${source}" bytes_outside_window)
  if(outside GREATER 0)
    bytes_text(outside ${outside})
    member(dropped "${source}" dropped)
    list_lines(dropped dropped "${dropped}" runs runs run_text)
    string(STRIP "${dropped}" dropped)
    message(NOTICE "${HEX} gives ${outside} outside the flash window, left out of "
                   "${OUTPUT}:\n${dropped}")
  endif()
  if(status EQUAL 1)
    member(faults "${report}" faults)
    fault_lines(file_faults "${faults}")
    member(faults "${source}" faults)
    fault_lines(source_faults "${faults}")
    member(rejected "${source}" rejected)
    list_lines(rejected rejected "${rejected}" lines lines rejected_text)
    member(overlaps "${source}" overlaps)
    list_lines(overlaps overlap "${overlaps}" runs runs run_text)
    string(STRIP "${file_faults}${source_faults}${rejected}${overlaps}" faults)
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
