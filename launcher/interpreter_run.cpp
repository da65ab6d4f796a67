#include "interpreter_run.h"

#ifdef _WIN32
#include "python_dll.h"
#else
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#endif

namespace {

// Starts the interpreter without `site`, knowing `program` (if not null) as
// its own program: it finds its installation from there, whatever PATH
// holds. Arguments, home and search path stay the library's defaults,
// steered only by the PYTHON* environment variables. False, with the status
// to end with, if it failed; the interpreter's reason is then on standard
// error.
bool initialise(const path_char *program, int &failure_status) {
#if defined(_WIN32) && PY_VERSION_HEX >= 0x030E0000
  // The configuration API: no structure layout and no deprecated flag, for
  // DLLs whose headers are not at hand. It starts from the isolated defaults;
  // the other settings make them those of an ordinary embedding, so that
  // every release behaves alike.
  PyInitConfig *config = PyInitConfig_Create();
  if (!config) {
    fputs("Fatal Python error: no memory for the initialisation\n", stderr);
    failure_status = 1;
    return false;
  }
  const struct {
    const char *name;
    int value;
  } settings[] = {{"site_import", 0}, {"isolated", 0}, {"use_environment", 1}, {"install_signal_handlers", 1}};
  bool started = true;
  for (const auto &setting : settings)
    started = started && PyInitConfig_SetInt(config, setting.name, setting.value) == 0;
  // The configuration takes strings in UTF-8.
  const char *executable = program ? interpreter_path(program) : nullptr;
  started = started && (!executable || PyInitConfig_SetStr(config, "executable", executable) == 0);
  started = started && Py_InitializeFromInitConfig(config) == 0;
  if (!started && !PyInitConfig_GetExitCode(config, &failure_status)) {
    const char *message;
    PyInitConfig_GetError(config, &message);
    fprintf(stderr, "Fatal Python error: %s\n", message ? message : "initialisation failed");
    failure_status = 1;
  }
  PyInitConfig_Free(config);
  return started;
#elif defined(_WIN32)
  // Every DLL before 3.14 offers the flag; the configuration structure would
  // need the layout of each release. The interpreter takes the launcher for
  // its own program and finds its installation beside the DLL; only what it
  // calls its program is set right, before the script runs.
  (void)failure_status;
  Py_NoSiteFlag = 1;
  Py_Initialize();
  if (program) {
    PyObject *name = PyUnicode_FromWideChar(program, -1);
    if (!name || PySys_SetObject("executable", name) != 0 || PySys_SetObject("_base_executable", name) != 0)
      PyErr_Clear();
    Py_DecRef(name);
  }
  return true;
#else
  // The configuration structure, as the headers at hand describe it (every
  // release from 3.8 on); it also applies the C-locale coercion and UTF-8
  // mode of the `python3` command. The program's path is decoded as the
  // interpreter decodes file names.
  // Py_ExitStatusException reports a failure and ends the process itself.
  (void)failure_status;
  PyConfig config;
  PyConfig_InitPythonConfig(&config);
  config.site_import = 0;
  PyStatus status = PyStatus_Ok();
  if (program)
    status = PyConfig_SetBytesString(&config, &config.executable, program);
  if (!PyStatus_Exception(status))
    status = Py_InitializeFromConfig(&config);
  PyConfig_Clear(&config);
  if (PyStatus_Exception(status))
    Py_ExitStatusException(status);
  return true;
#endif
}

// Whether the script ended with KeyboardInterrupt, as the interpreter's
// command line checks it: from 3.14 a subclass counts too, before only the
// class itself. PyRun_SimpleFile has left what ended the script in
// sys.last_exc (3.12 on) and sys.last_type (every release).
bool ended_by_keyboard_interrupt() {
#if PY_VERSION_HEX >= 0x030E0000
  PyObject *exception = PySys_GetObject("last_exc");
  return exception && PyErr_GivenExceptionMatches(exception, PyExc_KeyboardInterrupt);
#elif PY_VERSION_HEX >= 0x030C0000
  PyObject *exception = PySys_GetObject("last_exc");
  if (!exception)
    return false;
  PyObject *type = PyObject_Type(exception);
  bool interrupted = type == PyExc_KeyboardInterrupt;
  Py_DecRef(type);
  return interrupted;
#else
  return PySys_GetObject("last_type") == PyExc_KeyboardInterrupt;
#endif
}

// The interpreter's command line marks the thread that runs __main__, and
// from 3.14 debuggers attach to that thread (sys.remote_exec, pdb -p). Only
// private exports do it; a release without them runs the script unmarked.
class RunningMain {
public:
  RunningMain() {
#if PY_VERSION_HEX >= 0x030E0000
    auto set_running =
        reinterpret_cast<int (*)(PyInterpreterState *)>(interpreter_function("_PyInterpreterState_SetRunningMain"));
    set_not_running_ =
        reinterpret_cast<void (*)(PyInterpreterState *)>(interpreter_function("_PyInterpreterState_SetNotRunningMain"));
    if (!set_running || !set_not_running_)
      return;
    interpreter_ = PyInterpreterState_Get();
    if (set_running(interpreter_) != 0) {
      PyErr_Clear();
      interpreter_ = nullptr;
    }
#endif
  }
  RunningMain(const RunningMain &) = delete;
  RunningMain &operator=(const RunningMain &) = delete;

  // Before finalisation, as the command line does.
  void end() {
#if PY_VERSION_HEX >= 0x030E0000
    if (interpreter_)
      set_not_running_(interpreter_);
    interpreter_ = nullptr;
#endif
  }

private:
#if PY_VERSION_HEX >= 0x030E0000
  void (*set_not_running_)(PyInterpreterState *) = nullptr;
  PyInterpreterState *interpreter_ = nullptr;
#endif
};

} // namespace

int run_interpreter(FILE *script, const char *path) {
  path_char program_buffer[interpreter_program_room];
  const path_char *program = interpreter_program(program_buffer, interpreter_program_room);
  int failure_status = 1;
  if (!initialise(program, failure_status))
    return failure_status;

  // Its own statements: the run must end, and what ended it be read, before
  // finalisation starts.
  RunningMain running_main;
  int run_result = PyRun_SimpleFile(script, path);
  bool interrupted = run_result != 0 && ended_by_keyboard_interrupt();
  running_main.end();
  return interpreter_exit_status(run_result, interrupted, Py_FinalizeEx());
}
