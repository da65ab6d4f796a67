# `python_embed` for Windows: the interpreter DLL bound at load time through an
# import library made from a .def file of the four facilities the launcher uses.
set(LAUNCHER_PYTHON_DLL python311.dll CACHE STRING "File name of the interpreter DLL the launcher binds to")

find_program(DLLTOOL NAMES ${MINGW_TRIPLET}-dlltool REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_machine i386)
else()
  set(_machine i386:x86-64)
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/python.def.in" "${CMAKE_BINARY_DIR}/python.def" @ONLY)
set(PYTHON_IMPORT_LIBRARY "${CMAKE_BINARY_DIR}/lib${LAUNCHER_PYTHON_DLL}.a")
add_custom_command(
  OUTPUT "${PYTHON_IMPORT_LIBRARY}"
  COMMAND "${DLLTOOL}" -m ${_machine} -d "${CMAKE_BINARY_DIR}/python.def" -D "${LAUNCHER_PYTHON_DLL}"
          -l "${PYTHON_IMPORT_LIBRARY}"
  DEPENDS "${CMAKE_BINARY_DIR}/python.def"
  COMMENT "Import library for ${LAUNCHER_PYTHON_DLL}")
add_custom_target(python_import_library DEPENDS "${PYTHON_IMPORT_LIBRARY}")

add_library(python_embed INTERFACE)
target_link_libraries(python_embed INTERFACE "${PYTHON_IMPORT_LIBRARY}")
add_dependencies(python_embed python_import_library)

message(STATUS "Embedding Python through ${LAUNCHER_PYTHON_DLL}, bound at load time (${PYTHON_IMPORT_LIBRARY})")
