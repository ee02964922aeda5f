# Shared compile settings and the helpers every subsystem folder uses.

add_library(lutloader_options INTERFACE)
target_compile_options(lutloader_options INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(lutloader_options INTERFACE
  QT_DISABLE_DEPRECATED_BEFORE=0x060000
  LUTLOADER_VERSION="${PROJECT_VERSION}")
if(LUTLOADER_SANITIZE)
  target_compile_options(lutloader_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(lutloader_options INTERFACE -fsanitize=address,undefined)
endif()
target_include_directories(lutloader_options INTERFACE ${PROJECT_SOURCE_DIR})
# Fuzz builds instrument every library for coverage, so a fuzz program linked against the
# real libraries is guided through the code behind its parser too.
if(LUTLOADER_FUZZ)
  target_compile_options(lutloader_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# lutloader_library(NAME SOURCES ... [DEPS ...]): a static library of one subsystem.
# Sources are relative to the calling folder; headers are included as "folder/File.h".
function(lutloader_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC lutloader_options ${ARG_DEPS})
endfunction()

# lutloader_test(NAME SOURCES ... [DEPS ...] [LABELS ...] [DBUS]): a GoogleTest program run by ctest.
# Each test gets its own data directory and session id, so parallel tests never share
# a log, a database or a busy lock. DBUS runs it under its own private session bus.
function(lutloader_test name)
  cmake_parse_arguments(ARG "DBUS" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lutloader_options testsupport ${ARG_DEPS})
  set(cmd $<TARGET_FILE:${name}>)
  if(ARG_DBUS)
    set(cmd dbus-run-session -- ${cmd})
  endif()
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E env
    LUTLOADER_DATA_DIR=${CMAKE_BINARY_DIR}/testdata/${name}
    XDG_SESSION_ID=test-${name}
    XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/testdata/${name}/run
    LUTLOADER_TEST_TOOLS=${CMAKE_BINARY_DIR}/tools
    QT_QPA_PLATFORM=offscreen
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ${cmd})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testdata/${name}/run)
endfunction()

# lutloader_bench(NAME SOURCES ... [DEPS ...]): a benchmark program run by bench/run.
function(lutloader_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lutloader_options benchsupport ${ARG_DEPS})
endfunction()
