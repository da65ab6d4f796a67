// Test double of an interpreter DLL: exports what the launchers bind to, the
// functions of every release's initialisation alike, under the real DLL's
// name, and reports on standard output how it was driven. It is built once per
// DLL with that release's PY_VERSION_HEX, and fails loudly (status 86) when a
// launcher uses what that release's launcher must not. No Windows interpreter
// can be installed where the tests run.
//
// It reads the script from the launcher's own FILE stream and echoes each
// line; a few lines steer it the way a script steers the interpreter:
//   raise               the script ends with an unhandled exception
//   interrupt           ... with KeyboardInterrupt (Ctrl-C)
//   interrupt subclass  ... with a subclass of KeyboardInterrupt
//   exit N              the script ends the process with status N
//   lose output         finalisation cannot flush the script's output
// The environment variable DOUBLE_INIT_FAILS makes the configuration API's
// initialisation fail: with "exit N", asking for exit status N; with any other
// text, with that text as the error.

#include <cstdio>
#include <cstdlib>
#include <cstring>

struct PyObject {
  const char *name;
  PyObject *type; // of an instance; null for a type
};

namespace {

enum class State { loaded, initialised, finalised } state = State::loaded;
bool lose_output = false;

PyObject runtime_error = {"RuntimeError", nullptr};
PyObject keyboard_interrupt = {"KeyboardInterrupt", nullptr};
PyObject interrupt_subclass = {"Stop", nullptr}; // class Stop(KeyboardInterrupt)
PyObject last_exc = {"instance", nullptr};

[[noreturn]] void misuse(const char *what) {
  printf("[double] MISUSE by a launcher for release %x: %s\n", PY_VERSION_HEX >> 16, what);
  fflush(stdout);
  exit(86);
}

// The interpreter decodes the file name as UTF-8 with an error handler that
// takes no stray bytes (PEP 529); a name that does not decode makes
// PyRun_SimpleFile return -1 at once, silently.
bool strict_utf8(const unsigned char *s) {
  while (*s) {
    int follow = *s < 0x80 ? 0 : (*s & 0xE0) == 0xC0 ? 1 : (*s & 0xF0) == 0xE0 ? 2 : (*s & 0xF8) == 0xF0 ? 3 : -1;
    if (follow < 0 || (follow == 1 && *s < 0xC2))
      return false;
    ++s;
    for (int i = 0; i < follow; ++i, ++s)
      if ((*s & 0xC0) != 0x80)
        return false;
  }
  return true;
}

void script_ended_by(PyObject *type, const char *traceback) {
  fputs(traceback, stderr);
  last_exc.type = type;
}

} // namespace

extern "C" {

__declspec(dllexport) int Py_NoSiteFlag = 0;
__declspec(dllexport) PyObject *PyExc_KeyboardInterrupt = &keyboard_interrupt;

__declspec(dllexport) void Py_Initialize(void) {
  if (PY_VERSION_HEX >= 0x030E0000)
    misuse("Py_Initialize instead of the configuration API");
  printf("[double] Py_Initialize: Py_NoSiteFlag=%d%s\n", Py_NoSiteFlag,
         state == State::loaded ? "" : " (initialised twice)");
  state = State::initialised;
}

// The configuration API of 3.14 on (PEP 741), with the isolated defaults.
struct PyInitConfig {
  long long site_import = 1, isolated = 1, use_environment = 0, install_signal_handlers = 0;
  const char *error = nullptr;
  int exit_code = -1;
};

__declspec(dllexport) PyInitConfig *PyInitConfig_Create(void) {
  if (PY_VERSION_HEX < 0x030E0000)
    misuse("the configuration API, which this release lacks");
  static PyInitConfig config;
  return &config;
}

__declspec(dllexport) int PyInitConfig_SetInt(PyInitConfig *config, const char *name, long long value) {
  long long *option = strcmp(name, "site_import") == 0               ? &config->site_import
                      : strcmp(name, "isolated") == 0                ? &config->isolated
                      : strcmp(name, "use_environment") == 0         ? &config->use_environment
                      : strcmp(name, "install_signal_handlers") == 0 ? &config->install_signal_handlers
                                                                     : nullptr;
  if (!option) {
    config->error = "unknown configuration option";
    return -1;
  }
  *option = value;
  return 0;
}

__declspec(dllexport) int Py_InitializeFromInitConfig(PyInitConfig *config) {
  if (Py_NoSiteFlag != 0)
    misuse("Py_NoSiteFlag, deprecated, with the configuration API");
  printf("[double] Py_InitializeFromInitConfig: site_import=%lld isolated=%lld use_environment=%lld "
         "install_signal_handlers=%lld\n",
         config->site_import, config->isolated, config->use_environment, config->install_signal_handlers);
  if (const char *failure = getenv("DOUBLE_INIT_FAILS")) {
    if (sscanf(failure, "exit %d", &config->exit_code) != 1)
      config->error = failure;
    return -1;
  }
  state = State::initialised;
  return 0;
}

__declspec(dllexport) int PyInitConfig_GetError(PyInitConfig *config, const char **message) {
  *message = config->error;
  return config->error != nullptr;
}

__declspec(dllexport) int PyInitConfig_GetExitCode(PyInitConfig *config, int *exit_code) {
  if (config->exit_code < 0)
    return 0;
  *exit_code = config->exit_code;
  return 1;
}

__declspec(dllexport) void PyInitConfig_Free(PyInitConfig *) { printf("[double] PyInitConfig_Free\n"); }

__declspec(dllexport) int PyRun_SimpleFile(FILE *fp, const char *filename) {
  if (!strict_utf8(reinterpret_cast<const unsigned char *>(filename)))
    return -1;
  printf("[double] PyRun_SimpleFile: %s%s\n", filename, state == State::initialised ? "" : " (not initialised)");
  int result = 0;
  char line[512];
  while (result == 0 && fgets(line, sizeof line, fp)) {
    printf("[script] %s", line);
    int status;
    if (strcmp(line, "raise\n") == 0) {
      script_ended_by(&runtime_error, "Traceback (most recent call last):\nRuntimeError: raised by the script\n");
      result = -1;
    } else if (strcmp(line, "interrupt\n") == 0) {
      script_ended_by(&keyboard_interrupt, "Traceback (most recent call last):\nKeyboardInterrupt\n");
      result = -1;
    } else if (strcmp(line, "interrupt subclass\n") == 0) {
      script_ended_by(&interrupt_subclass, "Traceback (most recent call last):\n__main__.Stop\n");
      result = -1;
    } else if (sscanf(line, "exit %d", &status) == 1) {
      fflush(stdout);
      exit(status);
    } else if (strcmp(line, "lose output\n") == 0) {
      lose_output = true;
    }
  }
  if (ferror(fp))
    printf("[double] the stream could not be read\n");
  return result;
}

// sys.last_exc is new in 3.12; sys.last_type is there in every release.
__declspec(dllexport) PyObject *PySys_GetObject(const char *name) {
  if (state != State::initialised)
    misuse("PySys_GetObject outside an initialised interpreter");
  if (strcmp(name, "last_exc") == 0 && PY_VERSION_HEX >= 0x030C0000)
    return last_exc.type ? &last_exc : nullptr;
  if (strcmp(name, "last_type") == 0)
    return last_exc.type;
  return nullptr;
}

__declspec(dllexport) PyObject *PyObject_Type(PyObject *object) { return object->type; }

__declspec(dllexport) void Py_DecRef(PyObject *) {}

__declspec(dllexport) int Py_FinalizeEx(void) {
  printf("[double] Py_FinalizeEx%s\n", state == State::initialised ? "" : " (not initialised)");
  state = State::finalised;
  return lose_output ? -1 : 0;
}
}
