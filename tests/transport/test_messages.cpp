#include "transport/test_messages.h"

#include <memory>
#include <stdexcept>

#include "snmp/octet_values.h"
#include "snmp/var_bind.h"

namespace cfgsnap::transport::testing {

namespace {
constexpr std::uint32_t kGetRequest = 0xA0;
constexpr std::uint32_t kGetResponse = 0xA2;
}  // namespace

std::unique_ptr<snmp::SnmpMessage> makeReply(std::int32_t requestId, std::uint32_t paddingOctets) {
  auto message = std::make_unique<snmp::SnmpMessage>(kGetResponse, 0);
  message->setCommunity("public");
  message->setRequestId(requestId);
  message->appendBinding(std::make_unique<snmp::VarBind>(
      std::make_unique<snmp::SnmpOid>("1.3.6.1.2.1.1.1.0"),
      std::make_unique<snmp::SnmpString>(std::string(paddingOctets, 'x'))));
  return message;
}

std::vector<std::uint8_t> replyOfSize(std::int32_t requestId, std::uint32_t size) {
  const std::uint32_t bare = makeReply(requestId)->encodedSize();
  // Padding also lengthens the length octets of every enclosing element, so
  // the first guess overshoots by a few octets at most; step down from it.
  for (std::uint32_t padding = size > bare ? size - bare : 0;; --padding) {
    const auto message = makeReply(requestId, padding);
    if (message->encodedSize() == size) return snmp::encodeMessage(*message);
    if (message->encodedSize() < size || padding == 0) break;
  }
  throw std::logic_error("no padding gives that size");
}

CountingMessage::CountingMessage() : snmp::SnmpMessage(kGetRequest, 0) {}

std::uint32_t CountingMessage::encodedSize() const {
  ++sizings_;
  return snmp::SnmpMessage::encodedSize();
}

void CountingMessage::encode(snmp::BerCursor& cursor) const {
  ++encodings_;
  snmp::SnmpMessage::encode(cursor);
}

ThrowingMessage::ThrowingMessage(void (*thrower)())
    : snmp::SnmpMessage(kGetRequest, 0), thrower_(thrower) {}

std::uint32_t ThrowingMessage::encodedSize() const {
  thrower_();
  return snmp::SnmpMessage::encodedSize();
}

}  // namespace cfgsnap::transport::testing
