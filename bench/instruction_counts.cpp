#include "instruction_counts.h"

#include <cstdio>
#include <string>

#include "compared_operations.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define CFGSNAP_HAVE_CALLGRIND 1
#endif

namespace cfgsnap::bench {

bool countInstructions(int repetitions) {
#ifdef CFGSNAP_HAVE_CALLGRIND
  if (!RUNNING_ON_VALGRIND) {
    std::fprintf(stderr,
                 "instruction counts need valgrind --tool=callgrind --collect-atstart=no\n");
    return false;
  }
  for (const ComparedOperation& operation : comparedOperations()) {
    // First calls resolve symbols and fill caches; they are not the
    // operation's cost.
    for (int i = 0; i < 10; ++i) operation.run();
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < repetitions; ++i) operation.run();
    CALLGRIND_TOGGLE_COLLECT;
    const std::string name =
        std::string(operation.task) + "/" + std::string(operation.implementation);
    CALLGRIND_DUMP_STATS_AT(name.c_str());
  }
  std::printf("instruction counts dumped for %d repetitions\n", repetitions);
  return true;
#else
  (void)repetitions;
  std::fprintf(stderr, "built without valgrind/callgrind.h: no instruction counts\n");
  return false;
#endif
}

}  // namespace cfgsnap::bench
