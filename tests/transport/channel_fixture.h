// channel_fixture.h: ChannelOnLoopback, a ready AgentChannel to 127.0.0.1
// with a LoopbackPeer as its agent and a receive time-out of one second, and
// the timing helper the channel tests share.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <span>

#include "transport/agent_channel.h"
#include "transport/loopback_peer.h"

namespace cfgsnap::transport::testing {

// How long `work` took.
template <typename Work>
std::chrono::steady_clock::duration timed(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::steady_clock::now() - start;
}

class ChannelOnLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(channel_.ready());
    channel_.setTimeout(1);
  }
  // The agent sends the octets to the channel's port.
  void reply(std::span<const std::uint8_t> octets) { agent_.sendTo(channel_.localPort(), octets); }

  LoopbackPeer agent_;
  AgentChannel channel_{agent_.port(), "127.0.0.1"};
};

}  // namespace cfgsnap::transport::testing
