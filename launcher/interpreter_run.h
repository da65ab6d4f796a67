#pragma once

#include <cstdio>

#include "platform.h"

// Runs the source read from `script` as the main program of an interpreter
// hosted in this process, known under `path` (UTF-8 on Windows), and returns
// the exit status the interpreter's own command line would give for the same
// run. The stream is read, not closed.
int run_interpreter(FILE *script, const char *path);

// That status, from what running the script and then finalising returned.
// SystemExit never gets here: the interpreter ends the process itself with the
// script's own status. An unhandled KeyboardInterrupt ends the process as an
// interrupted one. A failed finalisation means output still buffered in
// sys.stdout was lost, which the command line reports as 120.
inline int interpreter_exit_status(int run_result, bool interrupted, int finalize_result) {
  if (interrupted)
    return end_as_interrupted();
  if (finalize_result < 0)
    return 120;
  return run_result == 0 ? 0 : 1;
}
