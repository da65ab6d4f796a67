#include "platform.h"

#include <cerrno>
#include <cstdlib>
#include <windows.h>

namespace {

// UTF-16 to UTF-8, in memory that is never freed: it is needed until the end.
char *utf8(const wchar_t *text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  char *result = size > 0 ? static_cast<char *>(malloc(size)) : nullptr;
  if (!result || !WideCharToMultiByte(CP_UTF8, 0, text, -1, result, size, nullptr, nullptr)) {
    free(result);
    errno = ENOMEM;
    return nullptr;
  }
  return result;
}

} // namespace

// "N": not inherited by the programs the script starts. A directory does not
// open ("Permission denied").
FILE *open_script(const wchar_t *path) { return _wfopen(path, L"rN"); }

void print_cannot_open(const wchar_t *path) {
  // A console is written in UTF-16 and shows whatever its font can draw; a
  // pipe or file gets UTF-8, the encoding the interpreter writes from 3.15 on
  // and the one the path has in __file__.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode, written;
  if (GetConsoleMode(out, &mode)) {
    fflush(stdout);
    WriteConsoleW(out, L"Cannot open ", 12, &written, nullptr);
    WriteConsoleW(out, path, static_cast<DWORD>(wcslen(path)), &written, nullptr);
    return;
  }
  const char *text = utf8(path);
  printf("Cannot open %s", text ? text : "?");
}

// The interpreter decodes the file name it is given as UTF-8 (PEP 529).
const char *interpreter_path(const wchar_t *path) { return utf8(path); }

// What the interpreter's own program returns after Ctrl-C, which cmd.exe
// recognises.
int end_as_interrupted() { return static_cast<int>(0xC000013AL); } // STATUS_CONTROL_C_EXIT
