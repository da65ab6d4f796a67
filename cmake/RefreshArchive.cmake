# Brings the build tree's copy of the interpreter's static archive up to date
# by content, so that the launcher, which links the copy, is linked again
# exactly when the archive changed; says so, with the package version that
# now comes in.
#   cmake -DARCHIVE=... -DCOPY=... -P RefreshArchive.cmake
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${ARCHIVE}" "${COPY}" RESULT_VARIABLE differs
                OUTPUT_QUIET ERROR_QUIET)
if(NOT differs)
  return()
endif()
get_filename_component(folder "${COPY}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${ARCHIVE}" "${COPY}")
include("${CMAKE_CURRENT_LIST_DIR}/ArchivePackage.cmake")
archive_package("${ARCHIVE}" package)
message(STATUS "Linking the launcher with ${ARCHIVE} (${package})")
