// main.cpp: the cfgsnap executable. Makes a managed switch copy its
// configuration to a TFTP server; see program.h for what a run does and
// config_save.h for the exit codes.
#include <cstdio>

#include "frontend/program.h"

int main(int argc, char** argv) {
  return cfgsnap::frontend::runProgram(argc, argv, stdout);
}
