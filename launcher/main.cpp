// A copy of this program named report.exe runs report.py in an interpreter
// hosted in its own process. Argument 0 alone selects the script.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "interpreter_run.h"
#include "platform.h"

int launcher_main(int argc, path_char **argv) {
  // Linux lets a process start with no argument 0 at all: that is read as
  // the empty path, which carries no suffix.
  path_char no_path[] = PATH_TEXT("");
  path_char *path = argc > 0 ? argv[0] : no_path;
  path_char *suffix = find_text(path, PATH_TEXT(".exe"));
  if (!suffix)
    suffix = find_text(path, PATH_TEXT(".EXE"));
  if (!suffix) {
    const char not_executable[] = "Error: This script is not a windows executable";
    if (!show_message_box(not_executable, nullptr, 0))
      puts(not_executable);
    return 1;
  }

  // Rewrite in place: ".exe" becomes ".py" and the NUL cuts off whatever
  // followed the suffix, a directory's remainder included.
  memcpy(suffix, PATH_TEXT(".py"), sizeof PATH_TEXT(".py"));

  FILE *script = open_script(path);
  const char *name = script ? interpreter_path(path) : nullptr;
  if (!name) {
    // Keep the open's error number: the write below may set its own. Flush so
    // that on a shared pipe the path comes before the error text.
    int open_error = errno;
    if (show_message_box("Cannot open ", path, open_error))
      return 1;
    print_cannot_open(path);
    fflush(stdout);
    errno = open_error;
    perror(nullptr);
    return 1;
  }
  return run_interpreter(script, name);
}
