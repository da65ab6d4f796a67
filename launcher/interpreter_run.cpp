#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "interpreter_run.h"

int run_interpreter(FILE *script, const char *path) {
  // The configuration API is the current way to keep `site` out; it also
  // applies the C-locale coercion and UTF-8 mode of the `python3` command.
  // Nothing else is set: program name, arguments, home and search path stay
  // the library's defaults.
  PyConfig config;
  PyConfig_InitPythonConfig(&config);
  config.site_import = 0;
  PyStatus status = Py_InitializeFromConfig(&config);
  PyConfig_Clear(&config);
  if (PyStatus_Exception(status))
    Py_ExitStatusException(status);

  // Its own statement: the run must end before finalisation starts.
  int run_result = PyRun_SimpleFile(script, path);
  return interpreter_exit_status(run_result, Py_FinalizeEx());
}
