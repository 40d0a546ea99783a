// allocation_counter.h: counts the heap blocks the benchmark process asks
// for, through every route: operator new, std::string, std::vector and the C
// library's malloc family, which Net-SNMP uses.
//
// allocation_counter.cpp defines malloc, calloc, realloc, the aligned
// variants and free for the whole executable and forwards each call to the C
// library's own allocator, so linking it replaces nothing but adds a count.
// It must not be linked into a sanitizer build, whose runtime provides these
// functions itself. Nothing here fails or owns anything.
#pragma once

#include <cstdint>

namespace cfgsnap::bench {

struct AllocationCount {
  // Blocks requested: malloc, calloc, the aligned variants, and every
  // realloc (which may move the block).
  std::uint64_t blocks = 0;
  // Octets requested by those calls.
  std::uint64_t octets = 0;
};

// The totals since the process started. Meant for a single-threaded
// program: the counts are updated without a locked instruction, so blocks
// allocated by two threads at once may be counted once.
AllocationCount allocationsSoFar();

inline AllocationCount operator-(const AllocationCount& after, const AllocationCount& before) {
  return {after.blocks - before.blocks, after.octets - before.octets};
}

}  // namespace cfgsnap::bench
