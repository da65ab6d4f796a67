# The interpreter DLLs of python.org that the Windows launchers bind at load
# time, one launcher per DLL, each through an import library made from a .def
# file of exactly what its release's initialisation, run and exit status use.

set(LAUNCHER_PYTHON_DLLS
    "python311.dll;python312.dll;python313.dll;python313t.dll;python314.dll;python314t.dll;python315.dll;python315t.dll"
    CACHE STRING "Interpreter DLLs to build a launcher for: every python.org release supported upstream")
set(LAUNCHER_PYTHON_DLL "" CACHE STRING "One interpreter DLL to build a launcher for, in place of the list")
if(LAUNCHER_PYTHON_DLL)
  set(PYTHON_DLLS "${LAUNCHER_PYTHON_DLL}")
else()
  set(PYTHON_DLLS "${LAUNCHER_PYTHON_DLLS}")
endif()

# python_dll_release(<dll> <prefix>) reads the release from the DLL's name
# (python314t.dll: 3.14, free-threaded) and sets, in the caller's scope:
#   <prefix>_STEM     python314t, which names the launcher and its targets
#   <prefix>_PYTHON   the release as users name it: "3.14 (free-threaded)"
#   <prefix>_HEX      PY_VERSION_HEX of the release
#   <prefix>_PROGRAM  the interpreter's own program beside the DLL, which the
#                     hosted interpreter is to know as sys.executable:
#                     python.exe, or python3.14t.exe for a free-threaded DLL
#   <prefix>_INIT     flag (Py_NoSiteFlag, Py_Initialize, then sys.executable
#                     set; up to 3.13) or config (PEP 741, executable set
#                     before initialisation; 3.14 on)
#   <prefix>_IMPORTS  what the launcher imports from the DLL (DATA marks data)
# This is the one place that turns a release into what the launcher uses.
function(python_dll_release dll prefix)
  if(NOT dll MATCHES "^(python3([0-9]+)(t?))\\.dll$")
    message(FATAL_ERROR "${dll}: not the name of a python.org interpreter DLL (python3XX.dll or python3XXt.dll)")
  endif()
  set(stem "${CMAKE_MATCH_1}")
  set(minor "${CMAKE_MATCH_2}")
  set(free_threaded "${CMAKE_MATCH_3}")
  if(minor LESS 6)
    message(FATAL_ERROR "${dll}: the launcher needs Py_FinalizeEx, new in 3.6")
  endif()
  math(EXPR hex "0x03000000 + (${minor} << 16)" OUTPUT_FORMAT HEXADECIMAL)
  if(free_threaded)
    set(program "python3.${minor}t.exe")
    set(python "3.${minor} (free-threaded)")
  else()
    set(program python.exe)
    set(python "3.${minor}")
  endif()

  set(imports PyRun_SimpleFile Py_FinalizeEx PySys_GetObject PyErr_Clear "PyExc_KeyboardInterrupt DATA")
  if(minor GREATER_EQUAL 14)
    # KeyboardInterrupt or a subclass of it, as the command line checks it;
    # the running main program is marked through private exports found at
    # run time, which the import list leaves out.
    set(init config)
    list(APPEND imports PyInitConfig_Create PyInitConfig_SetInt PyInitConfig_SetStr Py_InitializeFromInitConfig
         PyInitConfig_GetError PyInitConfig_GetExitCode PyInitConfig_Free PyErr_GivenExceptionMatches
         PyInterpreterState_Get)
  else()
    set(init flag)
    list(APPEND imports "Py_NoSiteFlag DATA" Py_Initialize PyUnicode_FromWideChar PySys_SetObject Py_DecRef)
    if(minor GREATER_EQUAL 12) # sys.last_exc, compared by its exact type
      list(APPEND imports PyObject_Type)
    endif()
  endif()

  set(${prefix}_STEM "${stem}" PARENT_SCOPE)
  set(${prefix}_PYTHON "${python}" PARENT_SCOPE)
  set(${prefix}_HEX "${hex}" PARENT_SCOPE)
  set(${prefix}_PROGRAM "${program}" PARENT_SCOPE)
  set(${prefix}_INIT "${init}" PARENT_SCOPE)
  set(${prefix}_IMPORTS "${imports}" PARENT_SCOPE)
endfunction()

find_program(DLLTOOL NAMES ${MINGW_TRIPLET}-dlltool REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_machine i386)
else()
  set(_machine i386:x86-64)
endif()

# python_embed_<stem>: the import library of one DLL, with the release's
# PY_VERSION_HEX for the code that declares the DLL's functions itself, and the
# names of the DLL and of the program beside it.
foreach(dll IN LISTS PYTHON_DLLS)
  python_dll_release(${dll} release)
  list(JOIN release_IMPORTS "\n  " exports)
  set(def "${CMAKE_BINARY_DIR}/${release_STEM}.def")
  file(CONFIGURE OUTPUT "${def}" CONTENT "LIBRARY ${dll}\nEXPORTS\n  ${exports}\n")
  set(import_library "${CMAKE_BINARY_DIR}/lib${release_STEM}.dll.a")
  add_custom_command(
    OUTPUT "${import_library}"
    COMMAND "${DLLTOOL}" -m ${_machine} -d "${def}" -D "${dll}" -l "${import_library}"
    DEPENDS "${def}"
    COMMENT "Import library for ${dll}")
  add_custom_target(${release_STEM}_import_library DEPENDS "${import_library}")

  add_library(python_embed_${release_STEM} INTERFACE)
  target_link_libraries(python_embed_${release_STEM} INTERFACE "${import_library}")
  target_compile_definitions(python_embed_${release_STEM} INTERFACE PY_VERSION_HEX=${release_HEX}
                             LAUNCHER_PYTHON_DLL="${dll}" LAUNCHER_PYTHON_PROGRAM="${release_PROGRAM}")
  add_dependencies(python_embed_${release_STEM} ${release_STEM}_import_library)
  message(STATUS "Launcher for ${dll}: initialised through the ${release_INIT} API, DLL bound at load time")
endforeach()
