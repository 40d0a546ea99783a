// run_context.h: RunContext, what one run of cfgsnap works from, and the
// command line that fills it.
//
// The command line is four positional arguments (agent, community, TFTP
// server, file name) and an optional fifth, "-l" in either case, which
// selects the log style. parseArguments takes the arguments as they are,
// cutting each to its limit; it fails (returns nothing) on any other count
// or fifth argument, and the caller then prints the usage text. The texts
// printed here go out through emit (output.h) onto the context's stream.
//
// RunContext owns its strings; the output stream is the caller's and must
// outlive the run.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace cfgsnap::frontend {

// Longest agent, community and TFTP server texts; longer ones are cut.
inline constexpr std::size_t kNameLimit = 29;
// Longest file name; a longer one is cut.
inline constexpr std::size_t kFileNameLimit = 59;

struct RunContext {
  std::string agent;        // Dotted address or host name of the switch.
  std::string community;    // Read-write community, shown in clear.
  std::string tftpServer;   // Dotted address or name of the TFTP server.
  std::string fileName;     // Directory and file name on the TFTP server.
  bool logStyle = false;    // One log line per run instead of the console texts.
  std::string dateText;     // Start of the run, log style only: yyyy/MM/dd.
  std::string timeText;     // Start of the run, log style only: HH:mm:ss.
  std::FILE* out = stdout;  // Where every text of the run goes.
};

// Checks the argument count and the optional "-l", and copies the four
// arguments with their limits. argv[0] is the program name and is not used.
// Leaves dateText, timeText and out at their defaults.
std::optional<RunContext> parseArguments(int argc, const char* const* argv);

// Prints the usage text. programName is upper-cased in place (a to z only)
// and shown as it was typed, path included; null shows as empty.
void printUsage(std::FILE* out, char* programName);

// Prints the console header: banner, title and the four parameters.
void printHeader(const RunContext& context);

}  // namespace cfgsnap::frontend
