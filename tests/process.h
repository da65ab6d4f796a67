#pragma once

#include <string>
#include <vector>

// Starts a program as its own process with an argument vector chosen freely,
// argument 0 included, and collects what it wrote and how it ended.

enum class Streams {
  apart,  // standard output and standard error on pipes of their own
  shared, // both on one pipe, as on a console: everything lands in `out`
};

enum class StdoutTarget { pipe, dev_full, closed };

struct Launch {
  std::string program;           // file to execute
  std::vector<std::string> argv; // may be empty: no argument 0 at all
  std::string cwd;
  // Entries NAME=value set NAME over a clean base environment; a bare NAME
  // removes it.
  std::vector<std::string> env;
  Streams streams = Streams::apart;
  StdoutTarget stdout_target = StdoutTarget::pipe;
  bool close_stdin = false;  // else /dev/null
  bool close_stderr = false; // else a pipe
  // Once standard output holds this text, SIGINT is sent to the program, as
  // a terminal does on Ctrl-C.
  std::string interrupt_when;
  // A run still going after this many seconds is killed, with every process
  // it started, and reported as timed out; 0: no limit.
  int timeout_seconds = 0;
};

struct Outcome {
  int status = -1; // exit status, or 128 + signal number
  int signal = 0;  // the signal that ended the program, if one did
  bool timed_out = false;
  std::string out;
  std::string err;
};

Outcome run(const Launch &launch);
