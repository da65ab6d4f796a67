#pragma once

// What the launcher uses of a python.org interpreter DLL, declared the way the
// DLL exports it: the headers at hand describe Debian's Linux interpreter. The
// build defines PY_VERSION_HEX for the release whose DLL it binds; the import
// list of each release is in cmake/WindowsPython.cmake.

#include <cstddef>
#include <cstdio>

extern "C" {

struct PyObject; // only ever handled through pointers

#if PY_VERSION_HEX >= 0x030E0000
struct PyInitConfig;
__declspec(dllimport) PyInitConfig *PyInitConfig_Create(void);
__declspec(dllimport) int PyInitConfig_SetInt(PyInitConfig *config, const char *name, long long value);
__declspec(dllimport) int PyInitConfig_SetStr(PyInitConfig *config, const char *name, const char *value);
__declspec(dllimport) int Py_InitializeFromInitConfig(PyInitConfig *config);
__declspec(dllimport) int PyInitConfig_GetError(PyInitConfig *config, const char **message);
__declspec(dllimport) int PyInitConfig_GetExitCode(PyInitConfig *config, int *exit_code);
__declspec(dllimport) void PyInitConfig_Free(PyInitConfig *config);

struct PyInterpreterState;
__declspec(dllimport) PyInterpreterState *PyInterpreterState_Get(void);
__declspec(dllimport) int PyErr_GivenExceptionMatches(PyObject *given, PyObject *exception);
#else
__declspec(dllimport) extern int Py_NoSiteFlag;
__declspec(dllimport) void Py_Initialize(void);
__declspec(dllimport) PyObject *PyUnicode_FromWideChar(const wchar_t *text, ptrdiff_t size); // Py_ssize_t
__declspec(dllimport) int PySys_SetObject(const char *name, PyObject *value);
#endif

__declspec(dllimport) int PyRun_SimpleFile(FILE *fp, const char *filename);
__declspec(dllimport) int Py_FinalizeEx(void);
__declspec(dllimport) PyObject *PySys_GetObject(const char *name);
__declspec(dllimport) void PyErr_Clear(void);
__declspec(dllimport) extern PyObject *PyExc_KeyboardInterrupt;
#if PY_VERSION_HEX < 0x030E0000
__declspec(dllimport) void Py_DecRef(PyObject *object);
#endif
#if PY_VERSION_HEX >= 0x030C0000 && PY_VERSION_HEX < 0x030E0000
__declspec(dllimport) PyObject *PyObject_Type(PyObject *object);
#endif
}
