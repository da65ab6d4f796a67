# How a launcher links the interpreter's static archive: the libraries its
# built-in modules need, read from the interpreter's own link flags, and
# whether the archive makes a complete program at all.

# python_static_link_items(<flags> <items_var> <unshipped_var>): the link
# items of sysconfig's LIBS, SYSLIBS and MODLIBS texts, in their order, each
# once. Debian's texts carry what the interpreter's build tree alone had:
# stray "\" tokens where a library variable was emptied (3.14), and paths
# relative to that tree (Modules/_hacl/libHacl_Hash_SHA2.a, 3.13), which are
# returned apart as unshipped. Only flags the link can use are kept:
# -l<name>, -L<folder>, -Wl,..., -pthread and existing absolute files.
function(python_static_link_items flags items_var unshipped_var)
  # A lone backslash would escape the list separator after it.
  string(REPLACE "\\" " " flags "${flags}")
  string(REGEX MATCHALL "[^ \t\r\n]+" tokens "${flags}")
  set(items "")
  set(unshipped "")
  foreach(token IN LISTS tokens)
    if(token MATCHES "^-l.+$" OR token MATCHES "^-L.+$" OR token MATCHES "^-Wl,.+$" OR token STREQUAL "-pthread")
      list(APPEND items "${token}")
    elseif(token MATCHES "\\.(a|o|so)$")
      if(IS_ABSOLUTE "${token}" AND EXISTS "${token}")
        list(APPEND items "${token}")
      else()
        list(APPEND unshipped "${token}")
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES items)
  list(REMOVE_DUPLICATES unshipped)
  set(${items_var} "${items}" PARENT_SCOPE)
  set(${unshipped_var} "${unshipped}" PARENT_SCOPE)
endfunction()

# python_static_link_check(<archive> <items> <link options> <unshipped>
# <reason_var>): links a program that starts the interpreter from the archive
# and its link items. Empty <reason_var> if it links; otherwise one sentence
# that says what is missing, from the linker's own words.
function(python_static_link_check archive items link_options unshipped reason_var)
  set(probe_dir "${CMAKE_BINARY_DIR}/python-static-probe")
  file(WRITE "${probe_dir}/probe.c" "void Py_Initialize(void);\nint main(void) {\n  Py_Initialize();\n  return 0;\n}\n")
  try_compile(linked "${probe_dir}/build" "${probe_dir}/probe.c" LINK_LIBRARIES "${archive}" ${items}
              LINK_OPTIONS ${link_options} OUTPUT_VARIABLE log)
  if(linked)
    set(${reason_var} "" PARENT_SCOPE)
    return()
  endif()

  python_static_link_failure("${log}" "${archive}" "${unshipped}" reason)
  set(${reason_var} "${reason}" PARENT_SCOPE)
endfunction()

# python_static_link_failure(<log> <archive> <unshipped> <reason_var>): what a
# failed link of the archive lacks, in one sentence, from the linker's log.
function(python_static_link_failure log archive unshipped reason_var)
  # The linker's words, line by line: "libpython3.14.a(sha2module.o): in
  # function ...:", then "undefined reference to `...'" for each symbol that
  # member lacks (in quotes of the locale's); or "cannot find -lzstd".
  string(REPLACE ";" "," log "${log}")
  string(REGEX MATCHALL "[^\n]+" lines "${log}")
  set(member "")
  set(members "")
  set(symbols "")
  set(not_found "")
  foreach(line IN LISTS lines)
    if(line MATCHES "\\(([A-Za-z0-9_.+-]+\\.o)\\): in function")
      set(member "${CMAKE_MATCH_1}")
    endif()
    if(line MATCHES "undefined reference to (`|‘)([A-Za-z0-9_.]+)")
      list(APPEND symbols "${CMAKE_MATCH_2}")
      list(APPEND members "${member}")
    elseif(line MATCHES "cannot find (-l[^ :]+)")
      list(APPEND not_found "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES members)
  list(REMOVE_DUPLICATES symbols)
  list(REMOVE_DUPLICATES not_found)

  get_filename_component(archive_name "${archive}" NAME)
  if(symbols)
    list(LENGTH symbols count)
    list(LENGTH members member_count)
    list(SUBLIST symbols 0 3 examples)
    list(JOIN members ", " members)
    list(JOIN examples ", " examples)
    if(member_count EQUAL 1)
      set(members "its member ${members} needs")
    else()
      set(members "its members ${members} need")
    endif()
    set(reason "${archive} is not a complete interpreter: ${members} ${count} symbols that neither \
${archive_name} nor the interpreter's link libraries define (${examples}, ...)")
    if(unshipped)
      list(JOIN unshipped ", " unshipped)
      string(APPEND reason "; its own build linked ${unshipped} from its source tree, which no package ships")
    endif()
  elseif(not_found)
    list(JOIN not_found " " not_found)
    set(reason "the link of ${archive_name} needs ${not_found}, whose development files are not installed")
  else()
    string(REGEX MATCH "[^\n]*(error|Error)[^\n]*" first_error "${log}")
    set(reason "the link of ${archive_name} fails: ${first_error}")
  endif()
  set(${reason_var} "${reason}" PARENT_SCOPE)
endfunction()
