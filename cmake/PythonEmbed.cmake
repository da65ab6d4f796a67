# The interpreter the launcher hosts: Debian's, found through Debian's own
# interpreter rather than whichever `python3` comes first on PATH.
#
# Defines `python_embed`, an interface target carrying the headers and the
# link of the embedding library, statically from the archive the interpreter
# was built with where it is installed, else from the shared library, and
# PYTHON_EMBED_LIBPL, the folder of the archive and of the interpreter's own
# main object.

set(Python3_EXECUTABLE /usr/bin/python3
    CACHE FILEPATH "Interpreter whose embedding library the launcher hosts")
get_filename_component(_python_bin_dir "${Python3_EXECUTABLE}" DIRECTORY)
get_filename_component(_python_prefix "${_python_bin_dir}" DIRECTORY)
set(Python3_ROOT_DIR "${_python_prefix}" CACHE PATH "Installation prefix searched first for the embedding library")
set(Python3_FIND_STRATEGY LOCATION)
find_package(Python3 3.8 REQUIRED COMPONENTS Interpreter Development.Embed)

# The link the interpreter itself was built with: where the archive lives,
# the flags that export its symbols to extension modules, and the libraries
# its built-in modules need.
execute_process(
  COMMAND "${Python3_EXECUTABLE}" -S -c
          "import sysconfig as s; print(';'.join(s.get_config_var(v) or '' for v in ('LIBPL', 'LIBRARY', 'LINKFORSHARED', 'LIBS', 'SYSLIBS', 'MODLIBS')))"
  OUTPUT_VARIABLE _python_link OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
list(GET _python_link 0 PYTHON_EMBED_LIBPL)
list(GET _python_link 1 _python_library)
list(GET _python_link 2 _python_linkforshared)
list(SUBLIST _python_link 3 -1 _python_syslibs)
set(_python_archive "${PYTHON_EMBED_LIBPL}/${_python_library}")

if(EXISTS "${_python_archive}")
  set(_python_default_link static)
else()
  set(_python_default_link shared)
endif()
set(LAUNCHER_PYTHON_LINK "${_python_default_link}"
    CACHE STRING "How the launcher links the embedding library: static or shared")
set_property(CACHE LAUNCHER_PYTHON_LINK PROPERTY STRINGS static shared)

add_library(python_embed INTERFACE)
target_include_directories(python_embed INTERFACE ${Python3_INCLUDE_DIRS})

if(LAUNCHER_PYTHON_LINK STREQUAL "static")
  if(NOT EXISTS "${_python_archive}")
    message(FATAL_ERROR "LAUNCHER_PYTHON_LINK=static, but ${_python_archive} is missing")
  endif()
  string(REPLACE ";" " " _python_syslibs "${_python_syslibs}")
  separate_arguments(_python_syslibs UNIX_COMMAND "${_python_syslibs}")
  list(REMOVE_DUPLICATES _python_syslibs)
  # The archive is not position-independent, and extension modules loaded
  # from lib-dynload resolve the interpreter's symbols in the executable.
  target_link_libraries(python_embed INTERFACE "${_python_archive}" ${_python_syslibs})
  target_link_options(python_embed INTERFACE -no-pie "SHELL:${_python_linkforshared}")
  set(_python_linked "${_python_archive} (static; ${_python_linkforshared} ${_python_syslibs})")
elseif(LAUNCHER_PYTHON_LINK STREQUAL "shared")
  target_link_libraries(python_embed INTERFACE Python3::Python)
  set(_python_linked "${Python3_LIBRARIES} (shared)")
else()
  message(FATAL_ERROR "LAUNCHER_PYTHON_LINK must be static or shared, not '${LAUNCHER_PYTHON_LINK}'")
endif()

message(STATUS "Embedding Python ${Python3_VERSION} of ${Python3_EXECUTABLE}: headers ${Python3_INCLUDE_DIRS}, library ${_python_linked}")
