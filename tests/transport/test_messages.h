// test_messages.h: SNMP messages for channel tests: replies of a chosen
// request-id and exact encoded size, and messages that report how often
// they were sized or encoded, or that throw while being sized.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "snmp/message.h"

namespace cfgsnap::transport::testing {

// A GetResponse with community "public", the request-id and one binding
// whose OCTET STRING value holds `paddingOctets` octets of 'x'.
std::unique_ptr<snmp::SnmpMessage> makeReply(std::int32_t requestId,
                                             std::uint32_t paddingOctets = 0);

// The encoding of a reply padded to exactly `size` octets. Throws
// std::logic_error when no padding reaches that size.
std::vector<std::uint8_t> replyOfSize(std::int32_t requestId, std::uint32_t size);

// A GetRequest that counts the calls of encodedSize() and encode().
class CountingMessage : public snmp::SnmpMessage {
 public:
  CountingMessage();
  std::uint32_t encodedSize() const override;
  void encode(snmp::BerCursor& cursor) const override;
  int sizings() const { return sizings_; }
  int encodings() const { return encodings_; }

 private:
  mutable int sizings_ = 0;
  mutable int encodings_ = 0;
};

// A GetRequest whose encodedSize() throws what `thrower` throws.
class ThrowingMessage : public snmp::SnmpMessage {
 public:
  explicit ThrowingMessage(void (*thrower)());
  std::uint32_t encodedSize() const override;

 private:
  void (*thrower_)();
};

}  // namespace cfgsnap::transport::testing
