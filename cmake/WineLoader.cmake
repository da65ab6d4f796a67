# wine_loader_check(<loader> <var>): whether this machine executes a Wine
# loader at all, before any Windows program is started with it. Sets <var> to
#   "runs"
#   "refused: <why>"  the kernel refuses the loader's format ("Exec format
#                     error"): a kernel without 32-bit x86 support refuses
#                     the 32-bit loader, which no setting can mend
#   "fails: <why>"    any other failure: missing, broken, misconfigured
# The shell's exec reports what execve said; CMake's own process start would
# hand a refused program to /bin/sh as a script.
function(wine_loader_check loader var)
  execute_process(COMMAND env LC_ALL=C sh -c "exec \"$0\" --version" "${loader}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0)
    set(result runs)
  elseif(status EQUAL 126 AND out MATCHES "Exec format error")
    set(result "refused: this machine's kernel refuses to execute ${loader} (Exec format error)")
  else()
    set(result "fails: ${loader} --version ended with status ${status}: ${out}")
  endif()
  set(${var} "${result}" PARENT_SCOPE)
endfunction()
