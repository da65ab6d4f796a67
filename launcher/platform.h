#pragma once

// What differs between the platforms, kept out of the entry and the
// interpreter run: the character argument 0 comes in, how the script is
// opened, how its path is shown and handed to the interpreter, where the
// interpreter's own program is, how functions of the interpreter library are
// found at run time, and how an interrupted run ends the process.

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>

#ifdef _WIN32
// Windows gives argument 0 in UTF-16: the narrow vector loses every
// character outside the ANSI code page.
using path_char = wchar_t;
#define PATH_TEXT(text) L##text
#define launcher_main wmain
constexpr size_t interpreter_program_room = 32768; // the longest path Windows has
#else
// Linux gives argument 0 as the bytes the caller passed.
using path_char = char;
#define PATH_TEXT(text) text
#define launcher_main main
constexpr size_t interpreter_program_room = 1; // the build names the program
#endif

inline char *find_text(char *text, const char *part) { return strstr(text, part); }
inline wchar_t *find_text(wchar_t *text, const wchar_t *part) { return wcsstr(text, part); }

// Opens the script for reading as text, not inherited by programs the script
// starts. Null with errno set if it cannot be opened or is not a file.
FILE *open_script(const path_char *path);

// Writes "Cannot open " and the path to standard output, no line end.
void print_cannot_open(const path_char *path);

// A windowed launcher with no standard output attached (started from
// Explorer or a shortcut) shows its own messages in a message box: `text`,
// then `path` and the system's text for the error number `error` where
// given. False where the standard streams take them, as always for a console
// launcher.
bool show_message_box(const char *text, const path_char *path, int error);

// The script path as the interpreter decodes file names (null with errno set
// if it cannot be converted). It lives as long as the process.
const char *interpreter_path(const path_char *path);

// The interpreter's own program, which the hosted interpreter is to know as
// sys.executable and find its installation from, whatever PATH holds: on
// Linux the one the launcher was built for, on Windows the one beside the
// interpreter DLL the loader bound, if that folder has it. The answer may be
// written to `buffer`, of interpreter_program_room characters; null where
// there is no such program.
const path_char *interpreter_program(path_char *buffer, size_t size);

// A function the interpreter library exports, looked up by name while the
// launcher runs, for what a release may lack; null where it does.
using library_function = void (*)();
library_function interpreter_function(const char *name);

// Ends the process as the interpreter's command line does after an unhandled
// KeyboardInterrupt; returns the status to end with should it still run.
int end_as_interrupted();
