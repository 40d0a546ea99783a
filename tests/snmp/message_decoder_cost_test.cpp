// The decoder's resource use for any datagram: allocations bounded by the
// number of elements it decodes, and work linear in the datagram's size.
//
// This binary replaces the global allocation functions to count blocks, so
// it stays apart from the other codec tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <vector>

#include "snmp/message_decoder.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace cfgsnap::snmp {
namespace {

// A GetResponse holding `count` bindings of `name` = `value`, with the
// long length form wherever the sizes need it.
std::vector<std::uint8_t> responseWith(int count, const std::vector<std::uint8_t>& binding) {
  auto element = [](std::uint8_t tag, const std::vector<std::uint8_t>& content) {
    std::vector<std::uint8_t> out{tag};
    const std::size_t n = content.size();
    if (n <= 126) {
      out.push_back(static_cast<std::uint8_t>(n));
    } else {
      out.insert(out.end(),
                 {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
  };
  std::vector<std::uint8_t> list;
  for (int i = 0; i < count; ++i) {
    const auto one = element(0x30, binding);
    list.insert(list.end(), one.begin(), one.end());
  }
  std::vector<std::uint8_t> pdu{0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00};
  const auto bindings = element(0x30, list);
  pdu.insert(pdu.end(), bindings.begin(), bindings.end());
  std::vector<std::uint8_t> body{0x02, 0x01, 0x00, 0x04, 0x00};
  const auto pduElement = element(0xA2, pdu);
  body.insert(body.end(), pduElement.begin(), pduElement.end());
  return element(0x30, body);
}

// Name 1.3.6.1.2.1.1.1.0, value a short string: three objects per binding
// (the binding, its name, its value), none with contents over 15 octets.
const std::vector<std::uint8_t> kSmallBinding = {0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01,
                                                 0x01, 0x01, 0x00, 0x04, 0x02, 0x6F, 0x6B};

long allocationsToDecode(const std::vector<std::uint8_t>& datagram) {
  const long before = gAllocations.load();
  std::unique_ptr<SnmpMessage> message = MessageDecoder(datagram).release();
  const long used = gAllocations.load() - before;
  EXPECT_NE(message, nullptr);
  return used;
}

TEST(MessageDecoderCost, AllocationsGrowByOneBlockPerDecodedObject) {
  const long one = allocationsToDecode(responseWith(1, kSmallBinding));
  for (int count : {2, 10, 100, 250}) {
    SCOPED_TRACE(count);
    const std::vector<std::uint8_t> datagram = responseWith(count, kSmallBinding);
    ASSERT_LE(datagram.size(), 4096u);
    EXPECT_EQ(allocationsToDecode(datagram) - one, 3 * (count - 1));
  }
}

TEST(MessageDecoderCost, MalformedInputAllocatesNoMoreThanItsElements) {
  // A binding list that claims more than the datagram holds is refused after
  // the header, before any binding is built.
  std::vector<std::uint8_t> datagram = responseWith(100, kSmallBinding);
  const long whole = allocationsToDecode(datagram);
  datagram.resize(datagram.size() - 1);
  const long before = gAllocations.load();
  EXPECT_EQ(MessageDecoder(datagram).release(), nullptr);
  EXPECT_LE(gAllocations.load() - before, whole - 3 * 99);
}

// Best-of-runs time per binding to decode a datagram of `count` bindings.
double secondsPerBinding(int count) {
  const std::vector<std::uint8_t> datagram = responseWith(count, kSmallBinding);
  double best = 1e9;
  for (int run = 0; run < 15; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
      std::unique_ptr<SnmpMessage> message = MessageDecoder(datagram).release();
      EXPECT_NE(message, nullptr);
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / (20.0 * count));
  }
  return best;
}

TEST(MessageDecoderCost, WorkIsLinearInTheNumberOfBindings) {
  // Compared with itself at a fortieth of the size, so the machine's speed
  // cancels out; a step that walked the bindings decoded so far would make
  // the large case many times dearer per binding. The decoder itself puts no
  // ceiling on the datagram size, so the large case goes beyond 4096 octets.
  const double small = secondsPerBinding(50);
  const double large = secondsPerBinding(2000);
  EXPECT_LT(large, 3.0 * small) << "per binding: " << small << " s at 50, " << large
                                << " s at 2000";
}

}  // namespace
}  // namespace cfgsnap::snmp
