// Tests of the socket layer on loopback: the resolution decisions, the
// bounded readable-wait and the one-datagram read with its size check.
#include "transport/platform.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "transport/loopback_peer.h"

namespace cfgsnap::transport {
namespace {

using Clock = std::chrono::steady_clock;
using testing::LoopbackPeer;

// The octets of an address in network byte order, as they stand in memory.
std::array<std::uint8_t, 4> octetsOf(std::uint32_t networkOrder) {
  std::array<std::uint8_t, 4> octets{};
  std::memcpy(octets.data(), &networkOrder, octets.size());
  return octets;
}

constexpr std::array<std::uint8_t, 4> kLoopback{127, 0, 0, 1};

// Makes a call fail in a known way and gives the code it left, so that a
// later check can tell a freshly recorded code from an older one.
int leaveKnownCode() {
  EXPECT_FALSE(bindAnyAddress(kInvalidSocket));
  const int code = lastSocketError();
  EXPECT_NE(code, 0);
  return code;
}

struct SocketGuard {
  SocketHandle handle = openDatagramSocket();
  ~SocketGuard() { closeSocket(handle); }
};

TEST(DottedAddress, TakesClassicDottedForms) {
  const struct {
    std::string text;
    std::array<std::uint8_t, 4> octets;
  } cases[] = {
      {"127.0.0.1", kLoopback},    {"127.1", kLoopback},
      {"0x7f.0.0.1", kLoopback},   {"0177.0.0.1", kLoopback},
      {"10.1.1.1", {10, 1, 1, 1}}, {"255.255.255.254", {255, 255, 255, 254}},
      {"0.0.0.0", {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto address = dottedAddress(c.text);
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(octetsOf(*address), c.octets);
  }
}

TEST(DottedAddress, RefusesAllOnesAndEverythingElse) {
  const std::string cases[] = {
      "255.255.255.255", "0xffffffff", "",        "localhost",
      "1.2.3.4.5",       "256.1.1.1",  "1.2.3.x", std::string("127.0.0.1\0.5", 12)};
  for (const auto& text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(dottedAddress(text).has_value());
  }
}

TEST(LookUpName, ResolvesLocalhostToItsFirstIpv4Address) {
  const auto address = lookUpName("localhost");
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(octetsOf(*address), kLoopback);
}

TEST(LookUpName, NumericTextEmptyTextAndUnknownNamesDoNotResolve) {
  // 255.255.255.255 reaches the name lookup because the dotted conversion
  // refuses it; the lookup must not turn it into the broadcast address.
  const std::string cases[] = {"255.255.255.255", "127.0.0.1", "", "nosuchhost.invalid",
                               std::string("localhost\0x", 11)};
  for (const auto& name : cases) {
    SCOPED_TRACE(name);
    const int older = leaveKnownCode();
    EXPECT_FALSE(lookUpName(name).has_value());
    EXPECT_NE(lastSocketError(), older);
    EXPECT_NE(lastSocketError(), 0);
  }
}

TEST(BindAnyAddress, GivesASystemChosenPortAndRefusesNoSocket) {
  SocketGuard socket;
  ASSERT_NE(socket.handle, kInvalidSocket);
  EXPECT_EQ(localPort(socket.handle), 0);
  ASSERT_TRUE(bindAnyAddress(socket.handle));
  EXPECT_NE(localPort(socket.handle), 0);
  leaveKnownCode();
}

class BoundSocket : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(socket_.handle, kInvalidSocket);
    ASSERT_TRUE(bindAnyAddress(socket_.handle));
    port_ = localPort(socket_.handle);
  }
  // Sends `size` octets of 'a' from the peer and waits until they are here.
  void deliver(std::size_t size) {
    peer_.sendTo(port_, std::vector<std::uint8_t>(size, 'a'));
    ASSERT_GT(waitReadable(socket_.handle, 1), 0);
  }

  SocketGuard socket_;
  std::uint16_t port_ = 0;
  LoopbackPeer peer_;
};

TEST_F(BoundSocket, WaitTimesOutAfterItsSecondsAndFailsAtOnceWhenNegative) {
  auto start = Clock::now();
  EXPECT_EQ(waitReadable(socket_.handle, 1), 0);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(990));
  EXPECT_LT(waited, std::chrono::milliseconds(2500));

  start = Clock::now();
  EXPECT_LT(waitReadable(socket_.handle, -1), 0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(BoundSocket, ReadsADatagramThatFillsTheBufferExactly) {
  deliver(8);
  std::vector<std::uint8_t> buffer(8);
  EXPECT_EQ(receiveDatagram(socket_.handle, buffer), 8);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(8, 'a'));
}

TEST_F(BoundSocket, RefusesADatagramLongerThanTheBufferAndConsumesIt) {
  deliver(9);
  std::vector<std::uint8_t> buffer(8);
  const int older = leaveKnownCode();
  EXPECT_EQ(receiveDatagram(socket_.handle, buffer), -1);
  EXPECT_NE(lastSocketError(), older);
  EXPECT_NE(lastSocketError(), 0);
  deliver(3);
  EXPECT_EQ(receiveDatagram(socket_.handle, buffer), 3);
}

TEST_F(BoundSocket, AnEmptyDatagramGivesZeroAndACode) {
  deliver(0);
  std::vector<std::uint8_t> buffer(8);
  const int older = leaveKnownCode();
  EXPECT_EQ(receiveDatagram(socket_.handle, buffer), 0);
  EXPECT_NE(lastSocketError(), older);
  EXPECT_NE(lastSocketError(), 0);
}

TEST_F(BoundSocket, ReadingWithNothingWaitingFailsWithoutBlocking) {
  std::vector<std::uint8_t> buffer(8);
  const auto start = Clock::now();
  EXPECT_EQ(receiveDatagram(socket_.handle, buffer), -1);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(BoundSocket, SendsOneDatagramToTheGivenAddress) {
  const std::vector<std::uint8_t> octets{1, 2, 3, 4, 5};
  const Ipv4Endpoint to{*dottedAddress("127.0.0.1"), peer_.port()};
  EXPECT_EQ(sendDatagram(socket_.handle, octets, to), 5);
  const auto got = peer_.receive();
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->octets, octets);
  EXPECT_EQ(got->senderPort, port_);
}

}  // namespace
}  // namespace cfgsnap::transport
