#pragma once

#include <cstdio>

// Runs the source read from `script` as the main program of an interpreter
// hosted in this process, known under `path`, and returns the exit status the
// interpreter's own command line would give for the same run. The stream is
// read, not closed.
int run_interpreter(FILE *script, const char *path);
