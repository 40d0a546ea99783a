// Tests of the agent channel on loopback: resolution and readiness, what a
// not-ready channel does, sending, and replies as the caller sees them.
#include "transport/agent_channel.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "transport/channel_fixture.h"
#include "transport/test_messages.h"

namespace cfgsnap::transport {
namespace {

using namespace std::chrono_literals;
using testing::ChannelOnLoopback;
using testing::CountingMessage;
using testing::LoopbackPeer;
using testing::makeReply;
using testing::ThrowingMessage;
using testing::timed;

TEST(AgentChannelResolution, DottedTextAndNamesReachTheAgent) {
  LoopbackPeer agent;
  for (const char* host : {"127.0.0.1", "127.1", "0x7f.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    AgentChannel channel(agent.port(), host);
    ASSERT_TRUE(channel.ready());
    EXPECT_EQ(channel.lastError(), 0);
    EXPECT_EQ(channel.hostName(), host);
    EXPECT_EQ(channel.timeoutSeconds(), AgentChannel::kDefaultTimeoutSeconds);
    EXPECT_NE(channel.localPort(), 0);
    const auto request = makeReply(1);
    ASSERT_GT(channel.send(*request), 0);
    const auto got = agent.receive();
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->senderPort, channel.localPort());
  }
}

TEST(AgentChannelResolution, UnresolvableHostTextsLeaveTheChannelNotReady) {
  // 255.255.255.255 is the classic conversion's failure value, so it goes to
  // the name lookup, and there is no host of that name. None of these
  // channels is ever asked to send.
  for (const char* host : {"255.255.255.255", "", "nosuchhost.invalid"}) {
    SCOPED_TRACE(host);
    AgentChannel channel(161, host);
    EXPECT_FALSE(channel.ready());
    EXPECT_NE(channel.lastError(), 0);
    EXPECT_EQ(channel.localPort(), 0);  // The socket was never bound.
    EXPECT_EQ(channel.hostName(), host);
  }
}

TEST(AgentChannelNotReady, NeitherEncodesNorWaits) {
  AgentChannel channel(161, "nosuchhost.invalid");
  ASSERT_FALSE(channel.ready());
  const std::int32_t error = channel.lastError();
  channel.setTimeout(5);
  CountingMessage request;
  const auto elapsed = timed([&] {
    EXPECT_EQ(channel.send(request), 0);
    EXPECT_EQ(channel.receive(), nullptr);
  });
  EXPECT_LT(elapsed, 1s);  // Far below the five-second time-out.
  EXPECT_EQ(request.sizings(), 0);
  EXPECT_EQ(request.encodings(), 0);
  EXPECT_EQ(channel.lastError(), error);
}

using AgentChannelSend = ChannelOnLoopback;

TEST_F(AgentChannelSend, ReturnsTheEncodedSizeAndSendsExactlyTheEncoding) {
  const auto request = makeReply(123, 40);
  EXPECT_EQ(channel_.send(*request), static_cast<std::int32_t>(request->encodedSize()));
  const auto got = agent_.receive();
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->octets, snmp::encodeMessage(*request));
}

TEST_F(AgentChannelSend, AnExceptionWhileEncodingGivesZeroAndLeavesLastError) {
  // An empty datagram first, so that lastError holds a code to keep.
  reply({});
  ASSERT_EQ(channel_.receive(), nullptr);
  const std::int32_t error = channel_.lastError();
  ASSERT_NE(error, 0);
  const struct {
    const char* name;
    void (*thrower)();
  } cases[] = {
      {"int", [] { throw 0; }},
      {"bad_alloc", [] { throw std::bad_alloc(); }},
      {"runtime_error", [] { throw std::runtime_error("sizing"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ThrowingMessage request(c.thrower);
    EXPECT_EQ(channel_.send(request), 0);
    EXPECT_EQ(channel_.lastError(), error);
  }
  EXPECT_FALSE(agent_.receive(200ms).has_value());
}

TEST_F(AgentChannelSend, OnlyTheLowSixteenBitsOfThePortReachTheAddress) {
  AgentChannel wide(0x10000 + agent_.port(), "127.0.0.1");
  ASSERT_TRUE(wide.ready());
  EXPECT_EQ(wide.port(), 0x10000 + agent_.port());
  ASSERT_GT(wide.send(*makeReply(1)), 0);
  const auto got = agent_.receive();
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->senderPort, wide.localPort());
}

TEST_F(AgentChannelSend, SetPortRedirectsLaterSends) {
  LoopbackPeer other;
  channel_.setPort(other.port());
  ASSERT_GT(channel_.send(*makeReply(1)), 0);
  EXPECT_TRUE(other.receive().has_value());
  EXPECT_FALSE(agent_.receive(200ms).has_value());
}

using AgentChannelReply = ChannelOnLoopback;

TEST_F(AgentChannelReply, AReplyFromAnotherPortStillReachesTheCaller) {
  ASSERT_GT(channel_.send(*makeReply(234)), 0);
  ASSERT_TRUE(agent_.receive().has_value());
  LoopbackPeer stranger;
  ASSERT_NE(stranger.port(), agent_.port());
  stranger.sendTo(channel_.localPort(), snmp::encodeMessage(*makeReply(234)));
  const auto message = channel_.receive();
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->requestId(), 234);
}

TEST(AgentChannelReplyLifetime, AReceivedMessageOutlivesItsChannel) {
  LoopbackPeer agent;
  std::unique_ptr<snmp::SnmpMessage> message;
  {
    AgentChannel channel(agent.port(), "127.0.0.1");
    ASSERT_TRUE(channel.ready());
    channel.setTimeout(1);
    agent.sendTo(channel.localPort(), snmp::encodeMessage(*makeReply(7, 3)));
    message = channel.receive();
    ASSERT_NE(message, nullptr);
  }
  EXPECT_EQ(message->requestId(), 7);
  EXPECT_EQ(message->communityText(), "public");
  EXPECT_EQ(message->nameText(1), "1.3.6.1.2.1.1.1.0");
  EXPECT_EQ(message->valueText(1), "xxx");
  message->setRequestId(8);
  message->setCommunity("changed");
  EXPECT_EQ(message->requestId(), 8);
  EXPECT_EQ(snmp::encodeMessage(*message).size(), message->encodedSize());
  message.reset();
}

}  // namespace
}  // namespace cfgsnap::transport
