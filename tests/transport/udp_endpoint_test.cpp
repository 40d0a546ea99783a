// Tests of receiving through a channel on loopback: datagram sizes, the
// receive buffer, time-outs and one datagram per receive.
#include "transport/udp_endpoint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "transport/channel_fixture.h"
#include "transport/test_messages.h"

namespace cfgsnap::transport {
namespace {

using namespace std::chrono_literals;
using testing::ChannelOnLoopback;
using testing::makeReply;
using testing::replyOfSize;
using testing::timed;

constexpr std::size_t kCapacity = UdpEndpoint::kReceiveCapacity;

bool zeroFrom(std::span<const std::uint8_t> buffer, std::size_t start) {
  return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(start), buffer.end(),
                     [](std::uint8_t octet) { return octet == 0; });
}

bool startsWith(std::span<const std::uint8_t> buffer, const std::vector<std::uint8_t>& octets) {
  return buffer.size() >= octets.size() && std::equal(octets.begin(), octets.end(), buffer.begin());
}

using ReceiveBuffer = ChannelOnLoopback;

TEST_F(ReceiveBuffer, ADatagramOfExactlyTheCapacityIsReceivedWholeAndDecoded) {
  const std::vector<std::uint8_t> full = replyOfSize(77, kCapacity);
  ASSERT_EQ(full.size(), kCapacity);
  reply(full);
  const auto message = channel_.receive();
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->requestId(), 77);
  EXPECT_EQ(message->bindingCount(), 1);
  EXPECT_EQ(message->valueText(1).back(), 'x');
  EXPECT_EQ(channel_.receivedLength(), static_cast<std::int32_t>(kCapacity));
  EXPECT_TRUE(std::equal(full.begin(), full.end(), channel_.receiveBuffer().begin()));
}

TEST_F(ReceiveBuffer, ALongerDatagramGivesNoMessageAndLeavesThePreviousOneInPlace) {
  const std::vector<std::uint8_t> small = snmp::encodeMessage(*makeReply(1, 10));
  reply(small);
  ASSERT_NE(channel_.receive(), nullptr);
  ASSERT_EQ(channel_.lastError(), 0);

  reply(replyOfSize(2, kCapacity + 1));
  EXPECT_EQ(channel_.receive(), nullptr);
  EXPECT_EQ(channel_.receivedLength(), 0);
  EXPECT_NE(channel_.lastError(), 0);
  EXPECT_TRUE(startsWith(channel_.receiveBuffer(), small));
  EXPECT_TRUE(zeroFrom(channel_.receiveBuffer(), small.size()));
}

TEST_F(ReceiveBuffer, AnEmptyDatagramGivesNoMessageAndRecordsAnError) {
  ASSERT_EQ(channel_.lastError(), 0);
  channel_.setTimeout(5);
  reply({});
  const auto elapsed = timed([&] { EXPECT_EQ(channel_.receive(), nullptr); });
  EXPECT_LT(elapsed, 2s);  // Taken at once, not mistaken for silence.
  EXPECT_EQ(channel_.receivedLength(), 0);
  EXPECT_NE(channel_.lastError(), 0);
}

TEST_F(ReceiveBuffer, IsZeroFilledBehindADatagramShorterThanTheOneBefore) {
  reply(replyOfSize(1, kCapacity));
  ASSERT_NE(channel_.receive(), nullptr);
  const std::vector<std::uint8_t> shorter = snmp::encodeMessage(*makeReply(2));
  reply(shorter);
  ASSERT_NE(channel_.receive(), nullptr);
  EXPECT_EQ(channel_.receivedLength(), static_cast<std::int32_t>(shorter.size()));
  ASSERT_EQ(channel_.receiveBuffer().size(), kCapacity);
  EXPECT_TRUE(startsWith(channel_.receiveBuffer(), shorter));
  EXPECT_TRUE(zeroFrom(channel_.receiveBuffer(), shorter.size()));
}

using ReceiveWait = ChannelOnLoopback;

TEST_F(ReceiveWait, SilenceGivesNoMessageAfterTheTimeout) {
  const auto elapsed = timed([&] { EXPECT_EQ(channel_.receive(), nullptr); });
  EXPECT_GE(elapsed, 990ms);
  EXPECT_LT(elapsed, 2500ms);
  EXPECT_EQ(channel_.receivedLength(), 0);
  EXPECT_EQ(channel_.lastError(), 0);
}

TEST_F(ReceiveWait, ZeroWaitsWithoutLimitForALateReply) {
  channel_.setTimeout(0);
  std::thread late([&] {
    std::this_thread::sleep_for(1200ms);
    reply(snmp::encodeMessage(*makeReply(9)));
  });
  std::unique_ptr<snmp::SnmpMessage> message;
  const auto elapsed = timed([&] { message = channel_.receive(); });
  late.join();
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->requestId(), 9);
  EXPECT_GE(elapsed, 1100ms);
}

TEST(ReceiveWaitClosedPort, ARequestToAClosedPortWaitsOutTheTimeoutAndGivesNone) {
  // The port unreachable answer must neither end the wait early nor pass
  // for a reply.
  AgentChannel channel(testing::closedLoopbackPort(), "127.0.0.1");
  ASSERT_TRUE(channel.ready());
  channel.setTimeout(1);
  const auto request = makeReply(3);
  EXPECT_EQ(channel.send(*request), static_cast<std::int32_t>(request->encodedSize()));
  const auto elapsed = timed([&] { EXPECT_EQ(channel.receive(), nullptr); });
  EXPECT_GE(elapsed, 990ms);
  EXPECT_LT(elapsed, 2500ms);
  EXPECT_EQ(channel.receivedLength(), 0);
}

using OneDatagramPerReceive = ChannelOnLoopback;

TEST_F(OneDatagramPerReceive, OnlyTheFirstOfDuplicateRepliesIsTaken) {
  // Same request-id; the padding tells the copies apart.
  reply(snmp::encodeMessage(*makeReply(5, 1)));
  reply(snmp::encodeMessage(*makeReply(5, 2)));
  const auto first = channel_.receive();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->valueText(1), "x");
  // The duplicate waited untouched behind it.
  const auto second = channel_.receive();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->valueText(1), "xx");
}

TEST_F(OneDatagramPerReceive, GarbageAheadOfTheReplyGivesNoMessageForEachGarbageDatagram) {
  const std::vector<std::vector<std::uint8_t>> garbage{
      {0xFF, 0x00},
      {'h', 'e', 'l', 'l', 'o'},
      {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02},
      {0x30, 0x80, 0x00, 0x00},
  };
  for (const auto& datagram : garbage) reply(datagram);
  reply(snmp::encodeMessage(*makeReply(42)));
  for (const auto& datagram : garbage) {
    SCOPED_TRACE(::testing::PrintToString(datagram));
    EXPECT_EQ(channel_.receive(), nullptr);
    EXPECT_EQ(channel_.receivedLength(), static_cast<std::int32_t>(datagram.size()));
  }
  const auto message = channel_.receive();
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->requestId(), 42);
}

}  // namespace
}  // namespace cfgsnap::transport
