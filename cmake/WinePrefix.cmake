# wine_test(NAME <name> COMMAND <target> [ENVIRONMENT <var=value>...]): a test
# that runs a Windows program under Wine, in a Wine prefix of the build's own
# inside the build tree, made for the build's architecture. It neither needs
# nor touches the user's ~/.wine, and runs the same on a fresh machine.
#
# The programs run under the architecture's own loader (the toolchain's
# emulator), which also starts the processes they create (WINELOADER).
# Configure first checks that the kernel executes that loader: where it
# refuses the format, as some kernels refuse every 32-bit program, the runs
# cannot be tested on this machine and are reported as skipped, with the
# reason, in CTest and in wine-skipped.txt. Otherwise it checks once that
# Wine starts a program of this architecture (the first start creates the
# prefix); where it cannot, CI (CI set) fails, and elsewhere the runs are
# reported as skipped.

include("${CMAKE_CURRENT_LIST_DIR}/WineLoader.cmake")

set(WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_wine_arch win32)
  set(_wine_programs PE32)
else()
  set(_wine_arch win64)
  set(_wine_programs PE32+)
endif()
# No Mono or Gecko: nothing here needs them, and Wine would ask for them.
set(WINE_ENVIRONMENT "WINEPREFIX=${WINE_PREFIX}" "WINEARCH=${_wine_arch}" "WINELOADER=${CMAKE_CROSSCOMPILING_EMULATOR}"
    "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
set(_skipped_note "${CMAKE_BINARY_DIR}/wine-skipped.txt")
file(REMOVE "${_skipped_note}")

function(_wine_runs_skipped why)
  message(WARNING "${why}\nThe ${_wine_programs} programs are built and their headers and imports checked; their runs "
                  "under Wine are SKIPPED.")
  file(WRITE "${_skipped_note}" "${why}\n")
  add_test(NAME wine_tests_skipped COMMAND "${CMAKE_COMMAND}" -E echo "Wine tests skipped: ${why}")
  set_tests_properties(wine_tests_skipped PROPERTIES SKIP_REGULAR_EXPRESSION "skipped")
endfunction()

wine_loader_check("${CMAKE_CROSSCOMPILING_EMULATOR}" _wine_loader)
if(_wine_loader MATCHES "^refused: (.*)")
  # A reason of the machine, not of its set-up: CI passes with it.
  unset(LAUNCHER_WINE_RUNS CACHE)
  _wine_runs_skipped("the ${_wine_programs} programs cannot run under Wine on this machine: ${CMAKE_MATCH_1}")
elseif(NOT LAUNCHER_WINE_RUNS)
  if(_wine_loader STREQUAL "runs")
    set(_probe_dir "${CMAKE_BINARY_DIR}/wine-probe")
    file(WRITE "${_probe_dir}/probe.c" "int main(void) { return 42; }\n")
    try_compile(_probe_built "${_probe_dir}/build" "${_probe_dir}/probe.c" COPY_FILE "${_probe_dir}/probe.exe"
                OUTPUT_VARIABLE _probe_log)
    if(_probe_built)
      message(STATUS "Starting Wine in ${WINE_PREFIX} (${_wine_arch}); its first start creates the prefix")
      execute_process(COMMAND env ${WINE_ENVIRONMENT} ${CMAKE_CROSSCOMPILING_EMULATOR} "${_probe_dir}/probe.exe"
                      RESULT_VARIABLE _probe_status OUTPUT_VARIABLE _probe_out ERROR_VARIABLE _probe_out TIMEOUT 600)
      set(_why "Wine cannot start ${_wine_arch} programs in ${WINE_PREFIX} (status ${_probe_status}): ${_probe_out}")
    else()
      set(_probe_status "not built")
      set(_why "the Wine probe did not build: ${_probe_log}")
    endif()
  else()
    set(_probe_status "no loader")
    string(REGEX REPLACE "^fails: " "" _why "${_wine_loader}")
  endif()
  if(_probe_status EQUAL 42)
    set(LAUNCHER_WINE_RUNS ON CACHE INTERNAL "Wine starts programs of this architecture in the build's prefix")
  else()
    if(DEFINED ENV{CI})
      message(FATAL_ERROR "${_why}")
    endif()
    _wine_runs_skipped("${_why}")
  endif()
endif()

function(wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;COMMAND" "ENVIRONMENT")
  if(LAUNCHER_WINE_RUNS)
    add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS wine ENVIRONMENT "${WINE_ENVIRONMENT};${arg_ENVIRONMENT}")
  endif()
endfunction()
