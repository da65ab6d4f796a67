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

  // SystemExit never comes back here: the interpreter ends the process with
  // the script's own status.
  int exit_status = PyRun_SimpleFile(script, path) == 0 ? 0 : 1;

  // Output still buffered in sys.stdout is lost when finalisation cannot
  // flush it; report that as the interpreter's command line does.
  if (Py_FinalizeEx() < 0)
    return 120;
  return exit_status;
}
