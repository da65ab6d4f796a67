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
//   print executable    prints sys.executable and sys._base_executable
// The environment variable DOUBLE_INIT_FAILS makes the configuration API's
// initialisation fail: with "exit N", asking for exit status N; with any other
// text, with that text as the error.
//
// Like the real DLLs from 3.13 on, it exports the private functions that mark
// the interpreter as running its main program, unless built with
// DOUBLE_WITHOUT_RUNNING_MAIN, as a release that dropped them would be.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

struct PyObject {
  const char *name;
  PyObject *type; // of an instance; null for a type
  PyObject *base; // of a type
  char *text;     // of a str, in UTF-8
};

namespace {

enum class State { loaded, initialised, finalised } state = State::loaded;
bool lose_output = false;
bool running_main = false;

PyObject runtime_error = {"RuntimeError", nullptr, nullptr, nullptr};
PyObject keyboard_interrupt = {"KeyboardInterrupt", nullptr, nullptr, nullptr};
PyObject interrupt_subclass = {"Stop", nullptr, &keyboard_interrupt, nullptr}; // class Stop(KeyboardInterrupt)
PyObject last_exc = {"instance", nullptr, nullptr, nullptr};

// sys.executable and sys._base_executable: what the configuration named, or
// else the host program, as the real interpreter takes it on Windows.
char *executable = nullptr;
char *base_executable = nullptr;

char *utf8(const wchar_t *text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  char *result = static_cast<char *>(malloc(size));
  WideCharToMultiByte(CP_UTF8, 0, text, -1, result, size, nullptr, nullptr);
  return result;
}

void name_host_program() {
  if (executable)
    return;
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  executable = base_executable = utf8(program);
}

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
  name_host_program();
  state = State::initialised;
}

// The configuration API of 3.14 on (PEP 741), with the isolated defaults.
struct PyInitConfig {
  long long site_import = 1, isolated = 1, use_environment = 0, install_signal_handlers = 0;
  const char *error = nullptr;
  int exit_code = -1;
  char *executable = nullptr;
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

// Strings in UTF-8; only the executable is known here.
__declspec(dllexport) int PyInitConfig_SetStr(PyInitConfig *config, const char *name, const char *value) {
  if (strcmp(name, "executable") != 0) {
    config->error = "unknown configuration option";
    return -1;
  }
  if (!strict_utf8(reinterpret_cast<const unsigned char *>(value))) {
    config->error = "executable: not UTF-8";
    return -1;
  }
  config->executable = _strdup(value);
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
  executable = base_executable = config->executable;
  name_host_program();
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
  printf("[double] PyRun_SimpleFile: %s%s%s\n", filename, state == State::initialised ? "" : " (not initialised)",
         running_main ? " (running main)" : "");
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
    } else if (strcmp(line, "print executable\n") == 0) {
      printf("[double] sys.executable=%s sys._base_executable=%s\n", executable, base_executable);
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

__declspec(dllexport) void Py_DecRef(PyObject *object) {
  if (object && object->text) {
    free(object->text);
    free(object);
  }
}

__declspec(dllexport) void PyErr_Clear(void) {}

// An instance is matched by its class; a class matches itself and its bases.
__declspec(dllexport) int PyErr_GivenExceptionMatches(PyObject *given, PyObject *exception) {
  for (PyObject *type = given->type ? given->type : given; type; type = type->base)
    if (type == exception)
      return 1;
  return 0;
}

__declspec(dllexport) PyObject *PyUnicode_FromWideChar(const wchar_t *text, ptrdiff_t size) {
  if (size != -1)
    misuse("PyUnicode_FromWideChar with a length");
  PyObject *str = static_cast<PyObject *>(calloc(1, sizeof(PyObject)));
  str->name = "str";
  str->text = utf8(text);
  return str;
}

__declspec(dllexport) int PySys_SetObject(const char *name, PyObject *value) {
  if (state != State::initialised)
    misuse("PySys_SetObject outside an initialised interpreter");
  if (strcmp(name, "executable") == 0)
    executable = _strdup(value->text);
  else if (strcmp(name, "_base_executable") == 0)
    base_executable = _strdup(value->text);
  return 0;
}

struct PyInterpreterState {
  int unused;
} interpreter;

__declspec(dllexport) PyInterpreterState *PyInterpreterState_Get(void) {
  if (state != State::initialised)
    misuse("PyInterpreterState_Get outside an initialised interpreter");
  return &interpreter;
}

#if PY_VERSION_HEX >= 0x030D0000 && !defined(DOUBLE_WITHOUT_RUNNING_MAIN)
__declspec(dllexport) int _PyInterpreterState_SetRunningMain(PyInterpreterState *interp) {
  if (interp != &interpreter || running_main)
    misuse("_PyInterpreterState_SetRunningMain twice, or for another interpreter");
  printf("[double] running main\n");
  running_main = true;
  return 0;
}

__declspec(dllexport) void _PyInterpreterState_SetNotRunningMain(PyInterpreterState *interp) {
  if (interp != &interpreter || !running_main)
    misuse("_PyInterpreterState_SetNotRunningMain without the mark");
  printf("[double] not running main\n");
  running_main = false;
}
#endif

__declspec(dllexport) int Py_FinalizeEx(void) {
  if (running_main)
    misuse("Py_FinalizeEx while the interpreter is marked as running its main program");
  printf("[double] Py_FinalizeEx%s\n", state == State::initialised ? "" : " (not initialised)");
  state = State::finalised;
  return lose_output ? -1 : 0;
}
}
