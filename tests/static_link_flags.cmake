# The static link is read from the interpreter's own texts as Debian's
# releases ship them, and a link that cannot work is explained from the
# linker's own words. The texts are sysconfig's LIBS, SYSLIBS and MODLIBS of
# each release; the logs are excerpts of real failed links.
#   cmake -P static_link_flags.cmake
include("${CMAKE_CURRENT_LIST_DIR}/../cmake/PythonStaticLink.cmake")
set(problems "")

function(expect what actual expected)
  if(NOT actual STREQUAL expected)
    set(problems "${problems}${what}:\n  got      '${actual}'\n  expected '${expected}'\n" PARENT_SCOPE)
  endif()
endfunction()

# name | LIBS SYSLIBS MODLIBS | link items | unshipped (lists with spaces)
set(texts
    [==[3.11 bookworm|-ldl -lm -lm      -lm   -lz -lm -lm   -lexpat  -lexpat              -lz|-ldl -lm -lz -lexpat|]==]
    [==[3.13 trixie|-ldl -lm -lm       -lm   -lz -lm -lm   -lexpat  -lexpat     Modules/_hacl/libHacl_Hash_SHA2.a        -lz|-ldl -lm -lz -lexpat|Modules/_hacl/libHacl_Hash_SHA2.a]==]
    [==[3.14 sid|-ldl -lm -lm       -lm   -lz -lm -lm   -lexpat  -lexpat \ \ \ \ \       -lz|-ldl -lm -lz -lexpat|]==]
    [==[3.15 sid|-ldl -lm -lm       -lm   -lz -lm -lm    -lexpat  -lexpat \ \ \ \ \       -lzstd  -lz|-ldl -lm -lz -lexpat -lzstd|]==]
    [==[pyenv|-ldl -L/opt/py/lib -Wl,-rpath,/opt/py/lib -lm |-ldl -L/opt/py/lib -Wl,-rpath,/opt/py/lib -lm|]==]
    [==[an emptied library name|-lexpat -l -lstdc++ -pthread|-lexpat -lstdc++ -pthread|]==])
foreach(row IN LISTS texts)
  string(REGEX MATCH "^([^|]*)\\|([^|]*)\\|([^|]*)\\|([^|]*)$" _ "${row}")
  set(name "${CMAKE_MATCH_1}")
  set(flags "${CMAKE_MATCH_2}")
  string(REPLACE " " ";" expected_items "${CMAKE_MATCH_3}")
  string(REPLACE " " ";" expected_unshipped "${CMAKE_MATCH_4}")
  python_static_link_items("${flags}" items unshipped)
  expect("${name}: link items" "${items}" "${expected_items}")
  expect("${name}: unshipped" "${unshipped}" "${expected_unshipped}")
endforeach()

set(archive /usr/lib/python3.X/config-3.X-x86_64-linux-gnu/libpython3.X.a)
set(c_locale_log [==[Linking C executable cmTC_1
/usr/bin/ld: /usr/lib/python3.X/config-3.X-x86_64-linux-gnu/libpython3.X.a(sha2module.o): in function `update_256':
(.text+0x1b): undefined reference to `python_hashlib_Hacl_Hash_SHA2_update_256'
/usr/bin/ld: (.text+0x4e0): undefined reference to `python_hashlib_Hacl_Hash_SHA2_update_512'
/usr/bin/ld: (.text+0x5a3): undefined reference to `python_hashlib_Hacl_Hash_SHA2_update_256'
collect2: error: ld returned 1 exit status]==])
python_static_link_failure("${c_locale_log}" "${archive}" "Modules/_hacl/libHacl_Hash_SHA2.a" reason)
expect("one member" "${reason}" "${archive} is not a complete interpreter: its member sha2module.o needs 2 symbols \
that neither libpython3.X.a nor the interpreter's link libraries define (python_hashlib_Hacl_Hash_SHA2_update_256, \
python_hashlib_Hacl_Hash_SHA2_update_512, ...); its own build linked Modules/_hacl/libHacl_Hash_SHA2.a from its \
source tree, which no package ships")

set(utf8_locale_log [==[/usr/bin/ld: /usr/lib/python3.X/config-3.X-x86_64-linux-gnu/libpython3.X.a(md5module.o): in function ‘MD5Type_update’:
(.text+0x9da): undefined reference to ‘_Py_LibHacl_Hacl_Hash_MD5_update’
/usr/bin/ld: /usr/lib/python3.X/config-3.X-x86_64-linux-gnu/libpython3.X.a(sha1module.o): in function ‘SHA1Type_update’: undefined reference to ‘_Py_LibHacl_Hacl_Hash_SHA1_update’
collect2: error: ld returned 1 exit status]==])
python_static_link_failure("${utf8_locale_log}" "${archive}" "" reason)
expect("two members, quotes of a UTF-8 locale" "${reason}" "${archive} is not a complete interpreter: its members \
md5module.o, sha1module.o need 2 symbols that neither libpython3.X.a nor the interpreter's link libraries define \
(_Py_LibHacl_Hacl_Hash_MD5_update, _Py_LibHacl_Hacl_Hash_SHA1_update, ...)")

python_static_link_failure("/usr/bin/ld: cannot find -lzstd: No such file or directory\ncollect2: error: ld returned 1"
                           "${archive}" "" reason)
expect("missing library" "${reason}"
       "the link of libpython3.X.a needs -lzstd, whose development files are not installed")

if(problems)
  message(FATAL_ERROR "${problems}")
endif()
