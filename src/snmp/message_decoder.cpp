#include "snmp/message_decoder.h"

#include "snmp/wire.h"

namespace cfgsnap::snmp {

namespace {

template <typename Value>
std::unique_ptr<SnmpValue> decodeAs(BerReader& reader) {
  auto value = std::make_unique<Value>(reader);
  if (!reader.ok()) return nullptr;
  return value;
}

// Decodes a message; null when the datagram is refused or runs out.
std::unique_ptr<SnmpMessage> decode(BerReader& reader, std::size_t datagramSize) {
  // The message SEQUENCE tag is not examined.
  if (!reader.skipOctet()) return nullptr;
  const std::optional<std::uint32_t> messageLength = readLength(reader);
  // The one plausibility test of the message: its length against the whole
  // datagram, header octets included.
  if (!messageLength || *messageLength > datagramSize) return nullptr;

  // Version and community: a field with another tag keeps its default, and
  // only its identifier octets are consumed. Both are read before the
  // message is made, so that it is made with them instead of with defaults
  // that would be replaced at once.
  std::unique_ptr<SnmpInteger> version;
  std::optional<std::uint32_t> tag = readTag(reader);
  if (!tag) return nullptr;
  if (*tag == wire::kInteger) {
    version = std::make_unique<SnmpInteger>(reader);
    if (!reader.ok()) return nullptr;
  }
  std::unique_ptr<SnmpString> community;
  tag = readTag(reader);
  if (!tag) return nullptr;
  if (*tag == wire::kOctetString) {
    community = std::make_unique<SnmpString>(reader);
    if (!reader.ok()) return nullptr;
  }
  auto message = std::make_unique<SnmpMessage>(std::move(version), std::move(community));

  std::uint8_t pduTag = 0;
  if (!reader.readOctet(pduTag)) return nullptr;
  message->setPdu(makePdu(pduTag));
  // The PDU length is not used: the binding list carries its own bound.
  if (!readLength(reader)) return nullptr;
  if (SnmpPduBase* pdu = message->pdu()) {
    pdu->decodeFields(reader);
    if (!reader.ok()) return nullptr;
  }

  // The binding list tag is not examined; its length bounds the loop and
  // must lie inside the datagram.
  if (!reader.skipOctet()) return nullptr;
  const std::optional<std::uint32_t> listLength = readLength(reader);
  if (!listLength || *listLength > reader.remaining()) return nullptr;
  const std::uint8_t* const listEnd = reader.position() + *listLength;

  // Bindings alternate name, value. The loop compares positions only, so an
  // element may end beyond the list as long as it ends inside the datagram;
  // a binding that got a name but no value is dropped.
  std::unique_ptr<VarBind> binding;
  bool expectName = true;
  while (reader.position() < listEnd) {
    if (expectName) {
      if (!reader.skipOctet() || !readLength(reader)) return nullptr;
    }
    std::uint8_t valueTag = 0;
    if (!reader.readOctet(valueTag)) return nullptr;
    std::unique_ptr<SnmpValue> value = decodeValue(valueTag, reader);
    if (!value) return nullptr;
    if (!binding) binding = std::make_unique<VarBind>();
    if (expectName) {
      binding->setName(std::move(value));
    } else {
      binding->setValue(std::move(value));
      message->appendBinding(std::move(binding));
    }
    expectName = !expectName;
  }
  return message;
}

}  // namespace

std::unique_ptr<SnmpValue> decodeValue(std::uint8_t tag, BerReader& reader) {
  switch (tag) {
    case wire::kInteger:
      return decodeAs<SnmpInteger>(reader);
    case wire::kOctetString:
      return decodeAs<SnmpString>(reader);
    case wire::kObjectIdentifier:
      return decodeAs<SnmpOid>(reader);
    case wire::kIpAddress:
      return decodeAs<SnmpIpAddress>(reader);
    case wire::kCounter:
      return decodeAs<SnmpCounter>(reader);
    case wire::kGauge:
      return decodeAs<SnmpGauge>(reader);
    case wire::kTimeTicks:
      return decodeAs<SnmpTimeTicks>(reader);
    case wire::kCounter64:
      return decodeAs<SnmpCounter64>(reader);
    default:
      return decodeAs<SnmpOpaque>(reader);
  }
}

MessageDecoder::MessageDecoder(std::span<const std::uint8_t> datagram) {
  BerReader reader(datagram);
  message_ = decode(reader, datagram.size());
}

}  // namespace cfgsnap::snmp
