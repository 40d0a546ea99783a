#include "frontend/run_context.h"

#include <string_view>

#include "frontend/output.h"

namespace cfgsnap::frontend {

namespace {

constexpr const char* kBanner = "Cfgsnap v1.2";

std::string cut(const char* argument, std::size_t limit) {
  return std::string(std::string_view(argument).substr(0, limit));
}

bool isLogOption(std::string_view argument) {
  return argument.size() == 2 && argument[0] == '-' && (argument[1] == 'l' || argument[1] == 'L');
}

}  // namespace

std::optional<RunContext> parseArguments(int argc, const char* const* argv) {
  const bool console = argc == 5;
  const bool log = argc == 6 && argv[5] != nullptr && isLogOption(argv[5]);
  if (!console && !log) return std::nullopt;
  for (int i = 1; i < 5; ++i) {
    if (argv[i] == nullptr) return std::nullopt;
  }
  RunContext context;
  context.agent = cut(argv[1], kNameLimit);
  context.community = cut(argv[2], kNameLimit);
  context.tftpServer = cut(argv[3], kNameLimit);
  context.fileName = cut(argv[4], kFileNameLimit);
  context.logStyle = log;
  return context;
}

void printUsage(std::FILE* out, char* programName) {
  char empty[] = "";
  char* name = programName != nullptr ? programName : empty;
  // Only a to z: the upper-casing must not depend on the locale.
  for (char* c = name; *c != '\0'; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }
  emit(out, "%s\n\n", kBanner);
  emit(out, "  A program to use SNMP to instruct a managed network switch\n");
  emit(out,
       "  to copy its config to a TFTP server.\n\n  To make sure this program runs correctly, "
       "make ");
  emit(out, "sure you have a read-write\n  snmp community string set up on your switch.\n");
  emit(out, "\nUsage:\t\t%s ipAddress community TFTPserver filename [-l]\n\n", name);
  emit(out, "Arguments:\tipAddress = IP address of router (or DNS name)\n");
  emit(out, "\t\tcommunity = SNMP read/write community name on router\n");
  emit(out, "\t\tTFTPserver = IP address of TFTP server\n");
  emit(out, "                             (or DNS name as resolved by the server)\n");
  emit(out, "\t\tfilename = directory and filename to save config\n");
  emit(out, "\t\t[-l] = Output success/failure information in logfile format\n");
}

void printHeader(const RunContext& context) {
  emit(context.out, "%s\n\n", kBanner);
  emit(context.out, "  Copy Config to TFTP server\n\n");
  emit(context.out, "  Agent:\t%s\n", context.agent.c_str());
  emit(context.out, "  Community:\t%s\n", context.community.c_str());
  emit(context.out, "  TFTP server:\t%s\n", context.tftpServer.c_str());
  emit(context.out, "  Filename:\t%s\n", context.fileName.c_str());
}

}  // namespace cfgsnap::frontend
