#include "platform.h"

#include <cerrno>
#include <cstdlib>
#include <windows.h>

// The build names the interpreter DLL this launcher binds and the program
// beside it (LAUNCHER_PYTHON_DLL, LAUNCHER_PYTHON_PROGRAM).
#define WIDEN(text) L##text
#define WIDE(text) WIDEN(text)

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

#ifdef LAUNCHER_WINDOWED
namespace {

// Appends `part` to the `used` characters of `text`, as far as it fits.
void append(wchar_t *text, size_t size, size_t &used, const wchar_t *part) {
  while (*part && used + 1 < size)
    text[used++] = *part++;
  text[used] = L'\0';
}

} // namespace

// The text in full Unicode: the path as argument 0 gave it, the runtime's
// wide message for the error. Nothing attached to standard output means no
// one would read the streams.
bool show_message_box(const char *text, const wchar_t *path, int error) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out && out != INVALID_HANDLE_VALUE)
    return false;
  wchar_t message[32768 + 512];
  size_t used = 0;
  for (; text[used] && used + 1 < sizeof message / sizeof *message; ++used)
    message[used] = static_cast<unsigned char>(text[used]); // ASCII
  message[used] = L'\0';
  if (path)
    append(message, sizeof message / sizeof *message, used, path);
  if (error) {
    append(message, sizeof message / sizeof *message, used, L"\n");
    append(message, sizeof message / sizeof *message, used, _wcserror(error));
  }
  MessageBoxW(nullptr, message, nullptr, MB_OK | MB_ICONERROR);
  return true;
}
#else
bool show_message_box(const char *, const wchar_t *, int) { return false; }
#endif

// The interpreter decodes the file name it is given as UTF-8 (PEP 529).
const char *interpreter_path(const wchar_t *path) { return utf8(path); }

// The DLL's own folder, wherever the loader found it, and not what PATH
// holds now: python.exe, or python3.13t.exe beside python313t.dll.
const wchar_t *interpreter_program(wchar_t *buffer, size_t size) {
  HMODULE dll = GetModuleHandleW(WIDE(LAUNCHER_PYTHON_DLL));
  DWORD length = dll ? GetModuleFileNameW(dll, buffer, static_cast<DWORD>(size)) : 0;
  if (length == 0 || length >= size)
    return nullptr;
  wchar_t *name = buffer + length;
  while (name > buffer && name[-1] != L'\\' && name[-1] != L'/')
    --name;
  const wchar_t program[] = WIDE(LAUNCHER_PYTHON_PROGRAM);
  if (static_cast<size_t>(name - buffer) + sizeof program / sizeof *program > size)
    return nullptr;
  memcpy(name, program, sizeof program);
  DWORD attributes = GetFileAttributesW(buffer);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return nullptr;
  return buffer;
}

library_function interpreter_function(const char *name) {
  HMODULE dll = GetModuleHandleW(WIDE(LAUNCHER_PYTHON_DLL));
  return dll ? reinterpret_cast<library_function>(GetProcAddress(dll, name)) : nullptr;
}

// What the interpreter's own program returns after Ctrl-C, which cmd.exe
// recognises.
int end_as_interrupted() { return static_cast<int>(0xC000013AL); } // STATUS_CONTROL_C_EXIT
