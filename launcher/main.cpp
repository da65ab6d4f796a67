// A copy of this program named report.exe runs report.py in an interpreter
// hosted in its own process. Argument 0 alone selects the script.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "interpreter_run.h"

int main(int argc, char **argv) {
  // Linux lets a process start with no argument 0 at all: that is read as
  // the empty path, which carries no suffix.
  char no_path[] = "";
  char *path = argc > 0 ? argv[0] : no_path;
  char *suffix = strstr(path, ".exe");
  if (!suffix)
    suffix = strstr(path, ".EXE");
  if (!suffix) {
    puts("Error: This script is not a windows executable");
    return 1;
  }

  // Rewrite in place: ".exe" becomes ".py" and the NUL cuts off whatever
  // followed the suffix, a directory's remainder included.
  memcpy(suffix, ".py", sizeof ".py");

  FILE *script = fopen(path, "r");
  if (!script) {
    // Keep the open's error number: the write below may set its own. Flush so
    // that on a shared pipe the path comes before the error text.
    int open_error = errno;
    printf("Cannot open %s", path);
    fflush(stdout);
    errno = open_error;
    perror(nullptr);
    return 1;
  }
  return run_interpreter(script, path);
}
