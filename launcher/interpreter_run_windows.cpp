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

  // Its own statement: the run must end before finalisation starts.
  int run_result = PyRun_SimpleFile(script, path);
  return interpreter_exit_status(run_result, Py_FinalizeEx());
}
