# archive_package(<file> <var>): the Debian package that installed <file>, with
# its version ("libpython3.11-dev 3.11.2-6+deb12u9"), or "no Debian package".
function(archive_package file var)
  execute_process(COMMAND dpkg-query -S "${file}" OUTPUT_VARIABLE package OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET RESULT_VARIABLE not_packaged)
  if(not_packaged EQUAL 0)
    string(REGEX REPLACE ":.*" "" package "${package}")
    execute_process(COMMAND dpkg-query -W "-f=\${Package} \${Version}" "${package}" OUTPUT_VARIABLE package
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
  else()
    set(package "no Debian package")
  endif()
  set(${var} "${package}" PARENT_SCOPE)
endfunction()
