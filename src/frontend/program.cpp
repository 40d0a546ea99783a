#include "frontend/program.h"

#include "frontend/config_save.h"
#include "frontend/local_time.h"
#include "frontend/run_context.h"

namespace cfgsnap::frontend {

int runProgram(int argc, char** argv, std::FILE* out) {
  auto context = parseArguments(argc, argv);
  if (!context) {
    printUsage(out, argc > 0 ? argv[0] : nullptr);
    return 1;
  }
  context->out = out;
  if (context->logStyle) {
    LocalStamp stamp = takeLocalStamp();
    context->dateText = std::move(stamp.date);
    context->timeText = std::move(stamp.time);
  } else {
    printHeader(*context);
  }
  return runConfigSave(*context);
}

}  // namespace cfgsnap::frontend
