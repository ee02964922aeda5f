# cmake -DPROGRAM=... -DTEMPLATE=... -DOUTPUT=... -DVERSION=... -P ManPage.cmake
#
# Writes a man page whose synopsis is the program's own --help text, so the page and the
# program never tell different stories. The program must print its help to standard output
# and end with 0 without a display server.
cmake_minimum_required(VERSION 3.25)
foreach(var PROGRAM TEMPLATE OUTPUT VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ManPage.cmake: ${var} is not set")
  endif()
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ${PROGRAM} --help
  OUTPUT_VARIABLE help
  ERROR_VARIABLE errors
  RESULT_VARIABLE result
  TIMEOUT 60)
if(NOT result EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "ManPage.cmake: '${PROGRAM} --help' ended with ${result}: ${errors}")
endif()

# roff escapes: a backslash is \e, a line may not start with a control character, and a
# hyphen in an option must be \- to stay a hyphen-minus in UTF-8 output.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(STRIP "${help}" help)
set(HELP ".nf\n${help}\n.fi")

file(READ ${TEMPLATE} page)
string(REPLACE "@HELP@" "${HELP}" page "${page}")
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
