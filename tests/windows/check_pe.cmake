# Checks a Windows executable's headers: PE format, console subsystem, and an
# import table of exactly KERNEL32, the Universal C Runtime's api-ms-win-crt-*
# DLLs and the interpreter DLL, so that it starts with nothing beside it but
# the interpreter; and from that DLL exactly PYTHON_IMPORTS, so that it loads
# with every DLL of its release and asks for nothing a release lacks.
#   cmake -DOBJDUMP=... -DPROGRAM=... -DFORMAT=pei-i386|pei-x86-64 -DMAGIC=010b|020b
#         -DPYTHON_DLL=python311.dll "-DPYTHON_IMPORTS=Py_Initialize;..." -P check_pe.cmake
cmake_policy(SET CMP0057 NEW) # if(IN_LIST)
execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)

set(problems "")
if(NOT headers MATCHES "file format ${FORMAT}\n")
  string(APPEND problems "not ${FORMAT}; ")
endif()
if(NOT headers MATCHES "\nMagic[ \t]+${MAGIC}[ \t]")
  string(APPEND problems "optional header magic is not ${MAGIC}; ")
endif()
if(NOT headers MATCHES "\nSubsystem[ \t]+00000003[ \t]+\\(Windows CUI\\)")
  string(APPEND problems "not a console program; ")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
set(crt_seen FALSE)
foreach(dll IN LISTS imports)
  if(dll MATCHES "^api-ms-win-crt-[a-z]+-l1-1-0\\.dll$")
    set(crt_seen TRUE)
  elseif(NOT dll STREQUAL "KERNEL32.dll" AND NOT dll STREQUAL "${PYTHON_DLL}")
    string(APPEND problems "imports ${dll}; ")
  endif()
endforeach()
foreach(required IN ITEMS KERNEL32.dll ${PYTHON_DLL})
  if(NOT required IN_LIST imports)
    string(APPEND problems "does not import ${required}; ")
  endif()
endforeach()
if(NOT crt_seen)
  string(APPEND problems "does not import the Universal C Runtime; ")
endif()

# The names listed under the interpreter DLL, up to the next DLL's block.
string(REGEX MATCH "DLL Name: ${PYTHON_DLL}\n[^\n]*\n(([ \t]+[0-9a-f]+[ \t]+[0-9]+[ \t]+[^\n]+\n)*)" _ "${headers}")
string(REGEX MATCHALL "[^ \t\n]+\n" python_imports "${CMAKE_MATCH_1}")
list(TRANSFORM python_imports STRIP)
list(SORT python_imports)
set(expected_imports ${PYTHON_IMPORTS})
list(SORT expected_imports)
if(NOT python_imports STREQUAL expected_imports)
  string(APPEND problems "imports ${python_imports} from ${PYTHON_DLL}, not ${expected_imports}; ")
endif()

if(problems)
  message(FATAL_ERROR "${PROGRAM}: ${problems}\nimports: ${imports}")
endif()
message(STATUS "${PROGRAM}: ${FORMAT}, magic ${MAGIC}, Windows CUI, imports ${imports}; from ${PYTHON_DLL}: ${python_imports}")
