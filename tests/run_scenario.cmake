# Runs one scenario script and compares its standard output with the output the script
# itself expects. The expectations are written beside the commands, in a comment that
# starts with "=>":
#
#   get txtDec.Text        # => "2048"
#   call SetBlue 255       # => Change 0 16711680 => ok
#
# A command expects exactly the lines its comment lists (several are separated by
# " => "); a command without such a comment expects no output at all. Any difference,
# an extra line or a missing one included, fails the test and names the script line.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# CMake lists split at ';' and treat brackets specially: stand-ins keep them in a line.
string(ASCII 1 semicolon)
string(ASCII 2 open_bracket)
string(ASCII 3 close_bracket)
macro(protect text)
  string(REPLACE ";" "${semicolon}" ${text} "${${text}}")
  string(REPLACE "[" "${open_bracket}" ${text} "${${text}}")
  string(REPLACE "]" "${close_bracket}" ${text} "${${text}}")
endmacro()
macro(restore text)
  string(REPLACE "${semicolon}" ";" ${text} "${${text}}")
  string(REPLACE "${open_bracket}" "[" ${text} "${${text}}")
  string(REPLACE "${close_bracket}" "]" ${text} "${${text}}")
endmacro()

# The part of a command line before its comment: words, quoted texts (with escapes) and
# blanks not followed by '#'. A '#' inside a word or a text starts no comment.
set(quoted [=["([^"\\]|\\.)*"]=])
set(before_comment "^(([^\" \t]|${quoted}|[ \t]+([^#\" \t]|${quoted}))*)[ \t]+#(.*)$")

file(READ ${SCRIPT} script_text)
protect(script_text)
string(REPLACE "\n" ";" script_lines "${script_text}")
set(expected "")
set(expected_lines "")  # per expected output line: the script line it belongs to
set(line_number 0)
foreach(line IN LISTS script_lines)
  math(EXPR line_number "${line_number} + 1")
  string(REGEX REPLACE "\r$" "" line "${line}")
  if(line MATCHES "^[ \t]*#")
    if(line MATCHES "^[ \t]*#[ \t]*=>")
      message(FATAL_ERROR "${SCRIPT}:${line_number}: an expected output needs a command on its line")
    endif()
    continue()
  endif()
  if(NOT line MATCHES "${before_comment}")
    continue()
  endif()
  set(comment "${CMAKE_MATCH_6}")
  if(NOT comment MATCHES "^ => (.*)$")
    continue()
  endif()
  string(REGEX REPLACE "[ \t]+$" "" outputs "${CMAKE_MATCH_1}")
  string(REPLACE " => " ";" outputs "${outputs}")
  foreach(output IN LISTS outputs)
    string(APPEND expected "${output}\n")
    list(APPEND expected_lines ${line_number})
  endforeach()
endforeach()
restore(expected)

execute_process(COMMAND ${SCRIPT_DRIVER} ${SCRIPT}
  WORKING_DIRECTORY ${WORK_DIR}
  OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tintbox-script exited with ${status}\n${errors}\noutput:\n${actual}")
endif()
if(actual STREQUAL expected)
  return()
endif()

# Name the first output line that differs and the script line that expects it.
file(WRITE ${WORK_DIR}/expected.out "${expected}")
file(WRITE ${WORK_DIR}/actual.out "${actual}")
set(expected_rest "${expected}")
set(actual_rest "${actual}")
protect(expected_rest)
protect(actual_rest)
string(REGEX REPLACE "\n$" "" expected_rest "${expected_rest}")
string(REGEX REPLACE "\n$" "" actual_rest "${actual_rest}")
string(REPLACE "\n" ";" expected_rest "${expected_rest}")
string(REPLACE "\n" ";" actual_rest "${actual_rest}")
list(LENGTH expected_lines expected_count)
list(LENGTH actual_rest actual_count)
set(last ${expected_count})
if(actual_count GREATER last)
  set(last ${actual_count})
endif()
foreach(index RANGE ${last})
  set(want "(no more output)")
  set(got "(no more output)")
  set(where "${SCRIPT}: after the last expected line")
  if(index LESS expected_count)
    list(GET expected_rest ${index} want)
    list(GET expected_lines ${index} where)
    set(where "${SCRIPT}:${where}")
  endif()
  if(index LESS actual_count)
    list(GET actual_rest ${index} got)
  endif()
  if(NOT want STREQUAL got)
    math(EXPR output_line "${index} + 1")
    break()
  endif()
endforeach()
restore(want)
restore(got)
message(FATAL_ERROR "${where}: output line ${output_line} differs\n"
  "  expected: ${want}\n  actual:   ${got}\n"
  "(the whole output is in ${WORK_DIR}/actual.out, the expected one in expected.out)\n"
  "stderr:\n${errors}")
