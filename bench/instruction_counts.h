// instruction_counts.h: the codec benchmark's instruction-count mode, for a
// comparison that the machine's load cannot skew.
//
// Run under `valgrind --tool=callgrind --collect-atstart=no`, countInstructions
// runs every compared operation (compared_operations.h) a few times to warm
// it up, then `repetitions` times with collection switched on around the
// loop only, and dumps the counts under the name "TASK/IMPLEMENTATION". Each
// dump file then holds that loop's instructions alone; bench/run-all divides
// them by the repetitions. Without valgrind, or in a build without its
// header, it prints why and gives false.
#pragma once

namespace cfgsnap::bench {

bool countInstructions(int repetitions);

}  // namespace cfgsnap::bench
