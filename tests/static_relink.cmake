# A static build links the launcher again exactly when the archive's content
# changed: not after a build with nothing new, not when only the archive's
# time stamp moved, but always when its content changed, even to an older
# time stamp, which is what dpkg gives an updated file.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DARCHIVE=... -DPYTHON=... -DGENERATOR=... -P static_relink.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
get_filename_component(archive_name "${ARCHIVE}" NAME)
set(fixture "${WORK_DIR}/${archive_name}")
file(COPY_FILE "${ARCHIVE}" "${fixture}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Builds the launcher and says whether that linked it.
function(build expect_link why)
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}/build" --target launcher)
  if(out MATCHES "Linking C executable")
    set(linked TRUE)
  else()
    set(linked FALSE)
  endif()
  if(NOT linked STREQUAL expect_link)
    message(FATAL_ERROR "${why}: expected linked=${expect_link}, was ${linked}:\n${out}")
  endif()
  message(STATUS "${why}: linked=${linked}")
endfunction()

# Where the release's archive makes no complete launcher, the configure says
# so, and there is nothing to relink.
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
                        -DBUILD_TESTING=OFF -DLAUNCHER_PYTHON_LINK=static "-DLAUNCHER_PYTHON_ARCHIVE=${fixture}"
                        "-DPython3_EXECUTABLE=${PYTHON}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  string(REGEX REPLACE "[ \n]+" " " flat "${out}")
  if(flat MATCHES "(A static launcher cannot be built [^\n]*\\(cmake --preset default\\)\\.)")
    file(REMOVE_RECURSE "${WORK_DIR}")
    message(STATUS "Skipped: ${CMAKE_MATCH_1}")
    return()
  endif()
  message(FATAL_ERROR "configure failed (${status}):\n${out}")
endif()
build(TRUE "first build")
build(FALSE "nothing changed")

run(touch "${fixture}")
build(FALSE "time stamp moved, content the same")

# A member the launcher never pulls in changes the content, and an old time
# stamp as dpkg sets it must not hide that.
file(WRITE "${WORK_DIR}/update-note.txt" "the archive was updated\n")
run(ar q "${fixture}" "${WORK_DIR}/update-note.txt")
run(touch -d "2001-01-01" "${fixture}")
build(TRUE "content changed, time stamp older")
build(FALSE "nothing changed since")

file(REMOVE_RECURSE "${WORK_DIR}")
