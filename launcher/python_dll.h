#pragma once

// What the launcher uses of a python.org interpreter DLL, declared the way the
// DLL exports it: the headers at hand describe Debian's Linux interpreter. The
// build defines PY_VERSION_HEX for the release whose DLL it binds.

#include <cstdio>

extern "C" {

struct PyObject; // only ever handled through pointers

#if PY_VERSION_HEX >= 0x030E0000
struct PyInitConfig;
__declspec(dllimport) PyInitConfig *PyInitConfig_Create(void);
__declspec(dllimport) int PyInitConfig_SetInt(PyInitConfig *config, const char *name, long long value);
__declspec(dllimport) int Py_InitializeFromInitConfig(PyInitConfig *config);
__declspec(dllimport) int PyInitConfig_GetError(PyInitConfig *config, const char **message);
__declspec(dllimport) int PyInitConfig_GetExitCode(PyInitConfig *config, int *exit_code);
__declspec(dllimport) void PyInitConfig_Free(PyInitConfig *config);
#else
__declspec(dllimport) extern int Py_NoSiteFlag;
__declspec(dllimport) void Py_Initialize(void);
#endif

__declspec(dllimport) int PyRun_SimpleFile(FILE *fp, const char *filename);
__declspec(dllimport) int Py_FinalizeEx(void);
__declspec(dllimport) PyObject *PySys_GetObject(const char *name);
__declspec(dllimport) extern PyObject *PyExc_KeyboardInterrupt;
#if PY_VERSION_HEX >= 0x030C0000
__declspec(dllimport) PyObject *PyObject_Type(PyObject *object);
__declspec(dllimport) void Py_DecRef(PyObject *object);
#endif
}
