# Checks a Windows executable's headers: PE format, subsystem (console 3, or
# windows 2), and an import table of exactly KERNEL32, the Universal C
# Runtime's api-ms-win-crt-* DLLs and the interpreter DLL, so that it starts
# with nothing beside it but the interpreter, and USER32 for exactly
# USER32_IMPORTS where given; and from the interpreter DLL exactly
# PYTHON_IMPORTS, so that it loads with every DLL of its release and asks for
# nothing a release lacks.
#   cmake -DOBJDUMP=... -DPROGRAM=... -DFORMAT=pei-i386|pei-x86-64 -DMAGIC=010b|020b -DSUBSYSTEM=3|2
#         -DPYTHON_DLL=python311.dll "-DPYTHON_IMPORTS=Py_Initialize;..." [-DUSER32_IMPORTS=MessageBoxW]
#         -P check_pe.cmake
cmake_policy(SET CMP0057 NEW) # if(IN_LIST)
execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)

set(problems "")
if(NOT headers MATCHES "file format ${FORMAT}\n")
  string(APPEND problems "not ${FORMAT}; ")
endif()
if(NOT headers MATCHES "\nMagic[ \t]+${MAGIC}[ \t]")
  string(APPEND problems "optional header magic is not ${MAGIC}; ")
endif()
if(NOT headers MATCHES "\nSubsystem[ \t]+0000000${SUBSYSTEM}[ \t]")
  string(REGEX MATCH "\nSubsystem[^\n]*" subsystem "${headers}")
  string(APPEND problems "not of subsystem ${SUBSYSTEM}:${subsystem}; ")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
set(allowed KERNEL32.dll ${PYTHON_DLL})
if(USER32_IMPORTS)
  list(APPEND allowed USER32.dll)
endif()
set(crt_seen FALSE)
foreach(dll IN LISTS imports)
  if(dll MATCHES "^api-ms-win-crt-[a-z]+-l1-1-0\\.dll$")
    set(crt_seen TRUE)
  elseif(NOT dll IN_LIST allowed)
    string(APPEND problems "imports ${dll}; ")
  endif()
endforeach()
foreach(required IN LISTS allowed)
  if(NOT required IN_LIST imports)
    string(APPEND problems "does not import ${required}; ")
  endif()
endforeach()
if(NOT crt_seen)
  string(APPEND problems "does not import the Universal C Runtime; ")
endif()

# The names listed under a DLL, up to the next DLL's block.
function(imported_names dll var)
  string(REGEX MATCH "DLL Name: ${dll}\n[^\n]*\n(([ \t]+[0-9a-f]+[ \t]+[0-9]+[ \t]+[^\n]+\n)*)" _ "${headers}")
  string(REGEX MATCHALL "[^ \t\n]+\n" names "${CMAKE_MATCH_1}")
  list(TRANSFORM names STRIP)
  list(SORT names)
  set(${var} "${names}" PARENT_SCOPE)
endfunction()

foreach(dll_imports IN ITEMS "${PYTHON_DLL}|PYTHON_IMPORTS" "USER32.dll|USER32_IMPORTS")
  string(REPLACE "|" ";" dll_imports "${dll_imports}")
  list(GET dll_imports 0 dll)
  list(GET dll_imports 1 expected_var)
  if(dll STREQUAL "USER32.dll" AND NOT USER32_IMPORTS)
    continue()
  endif()
  imported_names("${dll}" names)
  set(expected ${${expected_var}})
  list(SORT expected)
  if(NOT names STREQUAL expected)
    string(APPEND problems "imports ${names} from ${dll}, not ${expected}; ")
  endif()
endforeach()
imported_names("${PYTHON_DLL}" python_imports)

if(problems)
  message(FATAL_ERROR "${PROGRAM}: ${problems}\nimports: ${imports}")
endif()
message(STATUS "${PROGRAM}: ${FORMAT}, magic ${MAGIC}, subsystem ${SUBSYSTEM}, imports ${imports}; from ${PYTHON_DLL}: \
${python_imports}")
