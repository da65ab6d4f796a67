#include "platform.h"

#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE *open_script(const char *path) {
  // "e": close-on-exec, as the interpreter opens the files it runs.
  FILE *script = fopen(path, "re");
  if (!script)
    return nullptr;

  // A directory opens, and reading it fails at once: the interpreter would
  // take it for an empty script.
  struct stat status;
  if (fstat(fileno(script), &status) == 0 && S_ISDIR(status.st_mode)) {
    fclose(script);
    errno = EISDIR;
    return nullptr;
  }

  // With standard input, output or error closed, the open takes that lowest
  // free descriptor, and the interpreter would read or write the script
  // there. Move the stream above them and leave the closed one closed.
  int fd = fileno(script);
  if (fd > STDERR_FILENO)
    return script;
  int moved_fd = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  FILE *moved = moved_fd < 0 ? nullptr : fdopen(moved_fd, "r");
  int error = errno;
  if (!moved && moved_fd >= 0)
    close(moved_fd);
  fclose(script);
  errno = error;
  return moved;
}

void print_cannot_open(const char *path) { printf("Cannot open %s", path); }

bool show_message_box(const char *, const char *, int) { return false; }

const char *interpreter_path(const char *path) { return path; }

// The build names it (LAUNCHER_PYTHON_PROGRAM): the real path of the
// interpreter whose library the launcher embeds.
const char *interpreter_program(char *, size_t) { return LAUNCHER_PYTHON_PROGRAM; }

// Linked or loaded, the interpreter library's exports are the process's.
library_function interpreter_function(const char *name) {
  return reinterpret_cast<library_function>(dlsym(RTLD_DEFAULT, name));
}

int end_as_interrupted() {
  // Dying by SIGINT tells a calling shell or make that the user pressed
  // Ctrl-C, so that it stops too.
  signal(SIGINT, SIG_DFL);
  raise(SIGINT);
  return 128 + SIGINT;
}
