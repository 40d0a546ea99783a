#include "allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

// glibc's allocator under its internal names. Defining malloc and friends in
// the executable makes every caller, shared libraries included, come here;
// forwarding to these keeps glibc's allocator doing the work.
// They throw nothing; saying so lets the wrappers below end in a plain jump.
extern "C" {
void* __libc_malloc(std::size_t size) noexcept;
void* __libc_calloc(std::size_t count, std::size_t size) noexcept;
void* __libc_realloc(void* block, std::size_t size) noexcept;
void* __libc_memalign(std::size_t alignment, std::size_t size) noexcept;
void __libc_free(void* block) noexcept;
}

namespace {

std::atomic<std::uint64_t> gBlocks{0};
std::atomic<std::uint64_t> gOctets{0};

// One writer at a time is assumed (see the header): a plain load and store
// costs the allocator nothing like a locked read-modify-write would, so the
// counting does not weigh on the times measured beside it.
[[gnu::always_inline]] inline void note(std::size_t octets) {
  gBlocks.store(gBlocks.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  gOctets.store(gOctets.load(std::memory_order_relaxed) + octets, std::memory_order_relaxed);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
  note(size);
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
  note(count * size);
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) noexcept {
  note(size);
  return __libc_realloc(block, size);
}

void free(void* block) noexcept {
  __libc_free(block);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  note(size);
  return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
  note(size);
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
  note(size);
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}

}  // extern "C"

namespace cfgsnap::bench {

AllocationCount allocationsSoFar() {
  return {gBlocks.load(std::memory_order_relaxed), gOctets.load(std::memory_order_relaxed)};
}

}  // namespace cfgsnap::bench
