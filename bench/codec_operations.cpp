#include "codec_operations.h"

#include <charconv>
#include <memory>

#include "snmp/ber.h"
#include "snmp/integer_values.h"
#include "snmp/message.h"
#include "snmp/message_decoder.h"
#include "snmp/octet_values.h"
#include "snmp/var_bind.h"
#include "snmp/wire.h"

namespace cfgsnap::bench {

namespace {

using snmp::SnmpMessage;

void appendBinding(SnmpMessage& message, std::string_view name,
                   std::unique_ptr<snmp::SnmpValue> value) {
  message.appendBinding(
      std::make_unique<snmp::VarBind>(std::make_unique<snmp::SnmpOid>(name), std::move(value)));
}

// atoi's reading: leading blanks, an optional sign, digits up to the first
// other character; no digits give 0.
std::int32_t numberOf(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r')))
    text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// A BER element with a one-octet tag; lengths up to 65535.
void appendElement(std::vector<std::uint8_t>& out, std::uint8_t tag,
                   const std::vector<std::uint8_t>& content) {
  out.push_back(tag);
  const std::size_t n = content.size();
  if (n <= 126) {
    out.push_back(static_cast<std::uint8_t>(n));
  } else if (n <= 0xFF) {
    out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
  } else {
    out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
  }
  out.insert(out.end(), content.begin(), content.end());
}

// The binding that replyWithBindings repeats: the result object = INTEGER 2.
const std::vector<std::uint8_t> kResultBinding = {0x30, 0x10, 0x06, 0x0B, 0x2B, 0x06,
                                                  0x01, 0x04, 0x01, 0x09, 0x05, 0x01,
                                                  0x05, 0x05, 0x00, 0x02, 0x01, 0x02};

// The sub-identifiers after 1.3 in oidTextWithArcs, one to five octets each.
constexpr std::array<std::uint32_t, 8> kArcCycle = {6, 1, 4, 1, 9, 300, 70000, 4000000000u};

}  // namespace

std::vector<std::uint8_t> buildAndEncodeSetRequest(const SetRequestFields& fields) {
  // Built on the heap, as the tool builds it.
  const auto message =
      std::make_unique<SnmpMessage>(snmp::wire::kSetRequest, snmp::wire::kVersion1);
  message->setCommunity(fields.community);
  message->setRequestId(kSetRequestId);
  appendBinding(*message, kSetRequestNames[0],
                std::make_unique<snmp::SnmpString>(fields.tftpServer));
  appendBinding(*message, kSetRequestNames[1], std::make_unique<snmp::SnmpString>(fields.fileName));
  appendBinding(*message, kSetRequestNames[2], std::make_unique<snmp::SnmpInteger>(kTftpModule));
  appendBinding(*message, kSetRequestNames[3],
                std::make_unique<snmp::SnmpInteger>(kTftpActionCopyUp));
  return snmp::encodeMessage(*message);
}

std::optional<ReplyReading> decodeAndRead(std::span<const std::uint8_t> datagram) {
  const std::unique_ptr<SnmpMessage> reply = snmp::MessageDecoder(datagram).release();
  if (!reply) return std::nullopt;
  return ReplyReading{reply->requestId(), reply->errorStatus(), numberOf(reply->valueText(1))};
}

std::vector<std::uint8_t> replyWithBindings(int count) {
  std::vector<std::uint8_t> list;
  for (int i = 0; i < count; ++i)
    list.insert(list.end(), kResultBinding.begin(), kResultBinding.end());
  std::vector<std::uint8_t> pdu = {0x02, 0x02, 0x00, 0xEA, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00};
  appendElement(pdu, snmp::wire::kSequence, list);
  std::vector<std::uint8_t> body = {0x02, 0x01, 0x00, 0x04, 0x00};
  appendElement(body, snmp::wire::kGetResponse, pdu);
  std::vector<std::uint8_t> message;
  appendElement(message, snmp::wire::kSequence, body);
  return message;
}

int mostBindingsIn(std::size_t octets) {
  int count = 1;
  while (replyWithBindings(count + 1).size() <= octets) ++count;
  return count;
}

int decodeBindingCount(std::span<const std::uint8_t> datagram) {
  const std::unique_ptr<SnmpMessage> reply = snmp::MessageDecoder(datagram).release();
  return reply ? reply->bindingCount() : -1;
}

std::string oidTextWithArcs(int count) {
  std::string text = "1.3";
  for (int i = 2; i < count; ++i) {
    text += '.';
    text += std::to_string(kArcCycle[static_cast<std::size_t>(i - 2) % kArcCycle.size()]);
  }
  return text;
}

int mostOidArcs() {
  std::size_t octets = 1;  // The first two arcs share one octet.
  int arcs = 2;
  for (;;) {
    const std::uint32_t next = kArcCycle[static_cast<std::size_t>(arcs - 2) % kArcCycle.size()];
    if (octets + snmp::subIdOctets(next) > snmp::wire::kOidWorkingBufferSize) return arcs;
    octets += snmp::subIdOctets(next);
    ++arcs;
  }
}

std::size_t oidRoundTrip(std::string_view dotted, std::string* text) {
  const snmp::SnmpOid oid(dotted);
  const std::string& shown = oid.toText();
  if (text) *text = shown;
  return oid.content().size();
}

}  // namespace cfgsnap::bench
