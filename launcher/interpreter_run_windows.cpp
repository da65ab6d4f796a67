#include "interpreter_run.h"

// Debian's Python headers describe Linux, so the four facilities are declared
// here exactly as the interpreter DLL exports them. The older initialisation
// is the one every release's DLL still offers (the flag is deprecated since
// 3.12); the configuration structure needs the headers of the matching release.
extern "C" {
__declspec(dllimport) extern int Py_NoSiteFlag;
__declspec(dllimport) void Py_Initialize(void);
__declspec(dllimport) int PyRun_SimpleFile(FILE *fp, const char *filename);
__declspec(dllimport) int Py_FinalizeEx(void);
}

int run_interpreter(FILE *script, const char *path) {
  Py_NoSiteFlag = 1;
  Py_Initialize();

  // SystemExit never comes back here: the interpreter ends the process with
  // the script's own status.
  int exit_status = PyRun_SimpleFile(script, path) == 0 ? 0 : 1;

  // Output still buffered in sys.stdout is lost when finalisation cannot
  // flush it; report that as the interpreter's command line does.
  if (Py_FinalizeEx() < 0)
    return 120;
  return exit_status;
}
