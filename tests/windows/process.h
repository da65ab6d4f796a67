#pragma once

#include <string>

// Starts a Windows program with a command line chosen freely, argument 0
// included, and collects what it wrote and how it ended. Strings are UTF-8;
// the program gets them in UTF-16, as Windows passes them.

struct Outcome {
  unsigned long status = 0;
  std::string out; // with a shared pipe: everything
  std::string err;
};

// Standard output and error on pipes of their own, on one shared pipe, or
// no standard handles at all, as a program started from Explorer has them.
enum class Streams { apart, shared, none };

// The status of a run that was ended for taking too long.
constexpr unsigned long timed_out = 0xDEADu;

std::wstring utf16(const std::string &utf8);

Outcome run(const std::string &application, const std::string &command_line, const std::string &cwd,
            Streams streams = Streams::apart);
