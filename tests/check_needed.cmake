# Checks the shared libraries a program needs at start (its NEEDED entries).
#   MODE=shared: exactly the interpreter's shared library and the C library;
#   MODE=static: no interpreter library, and nothing the interpreter's own
#                program (REFERENCE) does not need too.
#   cmake -DREADELF=... -DPROGRAM=... -DMODE=shared|static -DLIBPYTHON=libpython3.X.so.1.0 -DREFERENCE=... -P check_needed.cmake
cmake_policy(SET CMP0057 NEW) # if(IN_LIST)

function(needed program out)
  execute_process(COMMAND "${READELF}" -d "${program}" OUTPUT_VARIABLE dynamic COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[[^]]+\\]" entries "${dynamic}")
  list(TRANSFORM entries REPLACE ".*\\[(.*)\\]" "\\1")
  set(${out} "${entries}" PARENT_SCOPE)
endfunction()

needed("${PROGRAM}" libraries)
if(MODE STREQUAL "shared")
  set(expected "${LIBPYTHON};libc.so.6")
  if(NOT libraries STREQUAL expected)
    message(FATAL_ERROR "${PROGRAM} needs ${libraries}, not ${expected}")
  endif()
else()
  needed("${REFERENCE}" reference)
  foreach(library IN LISTS libraries)
    if(library MATCHES "^libpython" OR NOT library IN_LIST reference)
      message(FATAL_ERROR "${PROGRAM} needs ${library}; ${REFERENCE} needs only ${reference}")
    endif()
  endforeach()
endif()
message(STATUS "${PROGRAM} needs ${libraries}")
