# The interpreter the launcher hosts: Debian's, found through Debian's own
# interpreter rather than whichever `python3` comes first on PATH.
#
# Defines `python_embed`, an interface target carrying the headers and the
# link of the embedding library: by default the shared library, which the
# loader binds at start, so that the system's updates of the interpreter reach
# every launcher at once; or, when chosen, the static archive the interpreter
# was built with. Also sets PYTHON_EMBED_LIBPL, the folder of the archive and
# of the interpreter's own main object, and PYTHON_EMBED_SONAME, the shared
# library's name as the loader looks for it.

set(Python3_EXECUTABLE /usr/bin/python3
    CACHE FILEPATH "Interpreter whose embedding library the launcher hosts")
get_filename_component(_python_bin_dir "${Python3_EXECUTABLE}" DIRECTORY)
get_filename_component(_python_prefix "${_python_bin_dir}" DIRECTORY)
set(Python3_ROOT_DIR "${_python_prefix}" CACHE PATH "Installation prefix searched first for the embedding library")
set(Python3_FIND_STRATEGY LOCATION)
find_package(Python3 3.8 REQUIRED COMPONENTS Interpreter Development.Embed)

# The link the interpreter itself was built with: where the archive lives,
# the flags that export its symbols to extension modules, and the libraries
# its built-in modules need. Read as bracket arguments: the texts hold
# backslashes, which a CMake list would take for escapes.
execute_process(
  COMMAND "${Python3_EXECUTABLE}" -S -c "import sysconfig
for name in ('LIBPL', 'INSTSONAME', 'LIBRARY', 'LINKFORSHARED', 'LIBS', 'SYSLIBS', 'MODLIBS'):
    print(f'set(_python_{name} [==[{sysconfig.get_config_var(name) or \"\"}]==])')"
  OUTPUT_FILE "${CMAKE_BINARY_DIR}/python-link.cmake" COMMAND_ERROR_IS_FATAL ANY)
include("${CMAKE_BINARY_DIR}/python-link.cmake")
set(PYTHON_EMBED_LIBPL "${_python_LIBPL}")
set(PYTHON_EMBED_SONAME "${_python_INSTSONAME}")

set(LAUNCHER_PYTHON_LINK shared CACHE STRING "How the launcher links the embedding library: shared or static")
set_property(CACHE LAUNCHER_PYTHON_LINK PROPERTY STRINGS shared static)
set(LAUNCHER_PYTHON_ARCHIVE "${PYTHON_EMBED_LIBPL}/${_python_LIBRARY}"
    CACHE FILEPATH "The static embedding library linked when LAUNCHER_PYTHON_LINK is static")

# The interpreter's own program, which the hosted interpreter is to know as
# sys.executable and find its installation from, whatever PATH holds: the
# real file, links followed (/usr/bin/python3.11), and the package that
# installed it, which the .deb depends on.
get_filename_component(_python_program "${Python3_EXECUTABLE}" REALPATH)
set(LAUNCHER_PYTHON_PROGRAM "${_python_program}"
    CACHE FILEPATH "The interpreter program the hosted interpreter knows as its own (sys.executable)")
if(NOT EXISTS "${LAUNCHER_PYTHON_PROGRAM}")
  message(FATAL_ERROR "LAUNCHER_PYTHON_PROGRAM: ${LAUNCHER_PYTHON_PROGRAM} does not exist")
endif()
execute_process(COMMAND dpkg-query -S "${LAUNCHER_PYTHON_PROGRAM}" OUTPUT_VARIABLE _python_program_package
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE _python_program_unpackaged)
if(_python_program_unpackaged EQUAL 0)
  # Debian's python3.X-minimal holds the program, but packages depend on
  # python3.X, which depends on it at the same version (lintian:
  # depends-on-python-minimal).
  string(REGEX REPLACE ":.*" "" PYTHON_PROGRAM_PACKAGE "${_python_program_package}")
  string(REGEX REPLACE "^(python3\\.[0-9]+)-minimal$" "\\1" PYTHON_PROGRAM_PACKAGE "${PYTHON_PROGRAM_PACKAGE}")
else()
  set(PYTHON_PROGRAM_PACKAGE "")
endif()

add_library(python_embed INTERFACE)
target_include_directories(python_embed INTERFACE ${Python3_INCLUDE_DIRS})
target_compile_definitions(python_embed INTERFACE LAUNCHER_PYTHON_PROGRAM="${LAUNCHER_PYTHON_PROGRAM}")

if(LAUNCHER_PYTHON_LINK STREQUAL "shared")
  target_link_libraries(python_embed INTERFACE Python3::Python)
  # Only what the program itself calls becomes a NEEDED entry: the library
  # brings its own dependencies.
  target_link_options(python_embed INTERFACE LINKER:--as-needed)
  set(_python_linked "${Python3_LIBRARIES}, shared: bound by the loader at start, so the system's updates of \
the interpreter reach the launcher without a rebuild")
elseif(LAUNCHER_PYTHON_LINK STREQUAL "static")
  if(NOT EXISTS "${LAUNCHER_PYTHON_ARCHIVE}")
    message(FATAL_ERROR "LAUNCHER_PYTHON_LINK=static, but ${LAUNCHER_PYTHON_ARCHIVE} is missing")
  endif()
  # The package that installed the archive, and its version: what this build
  # carries until it is rebuilt.
  include("${CMAKE_CURRENT_LIST_DIR}/ArchivePackage.cmake")
  archive_package("${LAUNCHER_PYTHON_ARCHIVE}" _python_package)

  # What the interpreter's built-in modules need, and whether the archive
  # makes a complete program at all: Debian's archives from 3.13 on leave out
  # the objects some built-in modules need. The archive is not
  # position-independent, and extension modules loaded from lib-dynload
  # resolve the interpreter's symbols in the executable.
  include("${CMAKE_CURRENT_LIST_DIR}/PythonStaticLink.cmake")
  python_static_link_items("${_python_LIBS} ${_python_SYSLIBS} ${_python_MODLIBS}" _python_static_items
                           _python_unshipped)
  set(_python_static_options -no-pie "SHELL:${_python_LINKFORSHARED}")
  python_static_link_check("${LAUNCHER_PYTHON_ARCHIVE}" "${_python_static_items}" "${_python_static_options}"
                           "${_python_unshipped}" _python_static_refusal)
  if(_python_static_refusal)
    message(FATAL_ERROR "A static launcher cannot be built with Python ${Python3_VERSION}, because "
                        "${_python_static_refusal}; build the default launcher instead, which binds the shared "
                        "library (cmake --preset default).")
  endif()

  # A copy in the build tree, refreshed by content at every build: the
  # launcher links the copy, so it is linked again exactly when the archive's
  # content changed. The archive's own time stamp cannot tell: dpkg gives an
  # updated file the package's time, older than the last link.
  set(_python_archive_copy "${CMAKE_BINARY_DIR}/python-archive/${_python_LIBRARY}")
  add_custom_target(python_archive_refresh
    COMMAND "${CMAKE_COMMAND}" "-DARCHIVE=${LAUNCHER_PYTHON_ARCHIVE}" "-DCOPY=${_python_archive_copy}"
            -P "${CMAKE_CURRENT_LIST_DIR}/RefreshArchive.cmake"
    BYPRODUCTS "${_python_archive_copy}")
  target_link_libraries(python_embed INTERFACE "${_python_archive_copy}" ${_python_static_items})
  target_link_options(python_embed INTERFACE ${_python_static_options})
  add_dependencies(python_embed python_archive_refresh)
  set(_python_linked "${LAUNCHER_PYTHON_ARCHIVE} (${_python_package}), static: relinked when the archive changes, \
and to be rebuilt after every update of the interpreter")
else()
  message(FATAL_ERROR "LAUNCHER_PYTHON_LINK must be shared or static, not '${LAUNCHER_PYTHON_LINK}'")
endif()

message(STATUS "Embedding Python ${Python3_VERSION} of ${Python3_EXECUTABLE}: headers ${Python3_INCLUDE_DIRS}")
message(STATUS "Embedding library: ${_python_linked}")
if(PYTHON_PROGRAM_PACKAGE)
  set(_python_program_package " (the .deb depends on ${PYTHON_PROGRAM_PACKAGE})")
else()
  set(_python_program_package " (no Debian package)")
endif()
message(STATUS "Interpreter program: ${LAUNCHER_PYTHON_PROGRAM}${_python_program_package}, the hosted \
interpreter's sys.executable, from which it finds its installation")
