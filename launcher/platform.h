#pragma once

// What differs between the platforms, kept out of the entry: the character
// argument 0 comes in, how the script is opened, how its path is shown and
// handed to the interpreter, and how an interrupted run ends the process.

#include <cstdio>
#include <cstring>
#include <cwchar>

#ifdef _WIN32
// Windows gives argument 0 in UTF-16: the narrow vector loses every
// character outside the ANSI code page.
using path_char = wchar_t;
#define PATH_TEXT(text) L##text
#define launcher_main wmain
#else
// Linux gives argument 0 as the bytes the caller passed.
using path_char = char;
#define PATH_TEXT(text) text
#define launcher_main main
#endif

inline char *find_text(char *text, const char *part) { return strstr(text, part); }
inline wchar_t *find_text(wchar_t *text, const wchar_t *part) { return wcsstr(text, part); }

// Opens the script for reading as text, not inherited by programs the script
// starts. Null with errno set if it cannot be opened or is not a file.
FILE *open_script(const path_char *path);

// Writes "Cannot open " and the path to standard output, no line end.
void print_cannot_open(const path_char *path);

// The script path as the interpreter decodes file names (null with errno set
// if it cannot be converted). It lives as long as the process.
const char *interpreter_path(const path_char *path);

// Ends the process as the interpreter's command line does after an unhandled
// KeyboardInterrupt; returns the status to end with should it still run.
int end_as_interrupted();
