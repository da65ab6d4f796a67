// Test double of the interpreter DLL: exports the four facilities the launcher
// binds to, under the real DLL's name, and reports on standard output how it
// was driven. No Windows interpreter can be installed where the tests run.
//
// It reads the script from the launcher's own FILE stream and echoes each
// line; a few lines steer it the way a script steers the interpreter:
//   raise            the script ends with an unhandled exception
//   exit N           the script ends the process with status N
//   lose output      finalisation cannot flush the script's output

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
enum class State { loaded, initialised, finalised } state = State::loaded;
bool lose_output = false;
} // namespace

extern "C" {

__declspec(dllexport) int Py_NoSiteFlag = 0;

__declspec(dllexport) void Py_Initialize(void) {
  printf("[double] Py_Initialize: Py_NoSiteFlag=%d%s\n", Py_NoSiteFlag,
         state == State::loaded ? "" : " (initialised twice)");
  state = State::initialised;
}

__declspec(dllexport) int PyRun_SimpleFile(FILE *fp, const char *filename) {
  printf("[double] PyRun_SimpleFile: %s%s\n", filename, state == State::initialised ? "" : " (not initialised)");
  int result = 0;
  char line[512];
  while (fgets(line, sizeof line, fp)) {
    printf("[script] %s", line);
    int status;
    if (strcmp(line, "raise\n") == 0) {
      fputs("Traceback (most recent call last):\nRuntimeError: raised by the script\n", stderr);
      result = -1;
      break;
    }
    if (sscanf(line, "exit %d", &status) == 1) {
      fflush(stdout);
      exit(status);
    }
    if (strcmp(line, "lose output\n") == 0)
      lose_output = true;
  }
  if (ferror(fp))
    printf("[double] the stream could not be read\n");
  return result;
}

__declspec(dllexport) int Py_FinalizeEx(void) {
  printf("[double] Py_FinalizeEx%s\n", state == State::initialised ? "" : " (not initialised)");
  state = State::finalised;
  return lose_output ? -1 : 0;
}
}
