# The check of a Wine loader tells a kernel's refusal of the program's format
# apart from every other failure: only the refusal is a reason of the machine
# to skip the runs under Wine. Fixtures stand in for the loader:
#   refused  an ELF program for a machine no kernel runs: execve gives ENOEXEC,
#            as a kernel without 32-bit support gives for the 32-bit loader
#   runs     a program that answers --version
#   fails    one that ends with an error, and one that is not there
#   cmake -DWORK_DIR=... -P wine_loader_check.cmake
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/WineLoader.cmake")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# ELF identification, then e_type EXEC and e_machine 0x7fff.
execute_process(COMMAND sh -c "printf '\\177ELF\\001\\001\\001\\000\\000\\000\\000\\000\\000\\000\\000\\000\\002\\000\\377\\177\\001\\000\\000\\000' >\"$0\"" "${WORK_DIR}/refused" COMMAND_ERROR_IS_FATAL ANY)
file(WRITE "${WORK_DIR}/runs" "#!/bin/sh\necho wine-8.0\n")
file(WRITE "${WORK_DIR}/fails" "#!/bin/sh\necho 'wine: could not load ntdll.so' >&2\nexit 1\n")
file(CHMOD "${WORK_DIR}/refused" "${WORK_DIR}/runs" "${WORK_DIR}/fails" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(problems "")
foreach(case IN ITEMS "refused;^refused: .*Exec format error" "runs;^runs$" "fails;^fails: .*status 1: wine: could not load"
                      "missing;^fails: ")
  list(GET case 0 name)
  list(GET case 1 expected)
  wine_loader_check("${WORK_DIR}/${name}" result)
  message(STATUS "${name}: ${result}")
  if(NOT result MATCHES "${expected}")
    string(APPEND problems "${name}: '${result}' does not match '${expected}'\n")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
