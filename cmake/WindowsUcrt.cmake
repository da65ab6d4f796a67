# `ucrt_runtime`: builds and links against the Universal C Runtime. The
# interpreter DLLs of python.org (3.5 and later) use it, and the launcher hands
# such a DLL a FILE stream that the DLL reads itself: both sides must share one
# C runtime. GCC 12 of mingw-w64 has no -mcrtdll, so a specs file of the
# compiler's own, with -lucrt for -lmsvcrt and _UCRT defined, selects it.
execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpspecs OUTPUT_VARIABLE _specs COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "-lmsvcrt" "-lucrt" _specs "${_specs}")
string(REPLACE "*cpp:\n" "*cpp:\n-D_UCRT " _specs "${_specs}")
set(UCRT_SPECS "${CMAKE_BINARY_DIR}/ucrt.specs")
file(WRITE "${UCRT_SPECS}" "${_specs}")

add_library(ucrt_runtime INTERFACE)
target_compile_options(ucrt_runtime INTERFACE "-specs=${UCRT_SPECS}")
# Nothing of GCC's own runtime may need a DLL beside the program.
target_link_options(ucrt_runtime INTERFACE "-specs=${UCRT_SPECS}" -static-libgcc)
