// program.h: runProgram, everything the cfgsnap executable does.
//
// Checks the command line; on a misfit prints the usage text and returns 1
// without touching the network. Otherwise, in log style, takes the run's
// date and time once, before any network activity; in console style prints
// the header. Then runs the configuration save with its fixed settings and
// returns its exit code (config_save.h). All text goes to `out`; argv[0] is
// upper-cased in place when the usage text is printed.
#pragma once

#include <cstdio>

namespace cfgsnap::frontend {

int runProgram(int argc, char** argv, std::FILE* out);

}  // namespace cfgsnap::frontend
