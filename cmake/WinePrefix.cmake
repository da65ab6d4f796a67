# wine_test(NAME <name> COMMAND <target> [ENVIRONMENT <var=value>...]): a test
# that runs a Windows program under Wine, in a Wine prefix of the build's own
# inside the build tree, made for the build's architecture. It neither needs
# nor touches the user's ~/.wine, and runs the same on a fresh machine.
#
# Configure checks once that Wine starts a program of this architecture there
# (the first start creates the prefix). Where it cannot, CI (CI set) fails;
# elsewhere the Wine tests are reported as skipped.

set(WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_wine_arch win32)
else()
  set(_wine_arch win64)
endif()
# No Mono or Gecko: nothing here needs them, and Wine would ask for them.
set(WINE_ENVIRONMENT "WINEPREFIX=${WINE_PREFIX}" "WINEARCH=${_wine_arch}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")

if(NOT LAUNCHER_WINE_RUNS)
  set(_probe_dir "${CMAKE_BINARY_DIR}/wine-probe")
  file(WRITE "${_probe_dir}/probe.c" "int main(void) { return 42; }\n")
  try_compile(_probe_built "${_probe_dir}/build" "${_probe_dir}/probe.c" COPY_FILE "${_probe_dir}/probe.exe"
              OUTPUT_VARIABLE _probe_log)
  if(_probe_built)
    message(STATUS "Starting Wine in ${WINE_PREFIX} (${_wine_arch}); its first start creates the prefix")
    execute_process(COMMAND env ${WINE_ENVIRONMENT} ${CMAKE_CROSSCOMPILING_EMULATOR} "${_probe_dir}/probe.exe"
                    RESULT_VARIABLE _probe_status OUTPUT_VARIABLE _probe_out ERROR_VARIABLE _probe_out TIMEOUT 600)
  else()
    set(_probe_status "not built: ${_probe_log}")
  endif()
  if(_probe_status EQUAL 42)
    set(LAUNCHER_WINE_RUNS ON CACHE INTERNAL "Wine starts programs of this architecture in the build's prefix")
  else()
    set(_why "Wine cannot start ${_wine_arch} programs in ${WINE_PREFIX} (status ${_probe_status}): ${_probe_out}")
    if(DEFINED ENV{CI})
      message(FATAL_ERROR "${_why}")
    endif()
    message(WARNING "${_why}\nThe Windows programs' tests under Wine are SKIPPED; only their headers are checked.")
    add_test(NAME wine_tests_skipped COMMAND "${CMAKE_COMMAND}" -E echo "Wine tests skipped: ${_why}")
    set_tests_properties(wine_tests_skipped PROPERTIES SKIP_REGULAR_EXPRESSION "skipped")
  endif()
endif()

function(wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;COMMAND" "ENVIRONMENT")
  if(LAUNCHER_WINE_RUNS)
    add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS wine ENVIRONMENT "${WINE_ENVIRONMENT};${arg_ENVIRONMENT}")
  endif()
endfunction()
