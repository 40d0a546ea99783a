// message_decoder.h: MessageDecoder turns one received datagram into a new
// SnmpMessage.
//
// Decoding happens in the constructor, in one forward pass. It is lenient
// inside the datagram: SEQUENCE tags are skipped unexamined, a version or
// community with another tag is left at its default with only its tag
// consumed, unknown PDU tags give no PDU, unknown value tags give Opaque
// values, and a trailing binding with a name but no value is dropped. It is
// strict at the datagram's edge: a message length greater than the datagram,
// a binding list longer than what remains, any element that runs past the
// end, the indefinite length form, long forms over four octets and value
// lengths over 65535 all give no message. Nothing is read outside the
// datagram, and the message keeps no pointer into it.
//
// The holder owns the message until release() hands it over; a holder
// destroyed without release() destroys the message.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "snmp/message.h"

namespace cfgsnap::snmp {

class MessageDecoder {
 public:
  explicit MessageDecoder(std::span<const std::uint8_t> datagram);

  // The decoded message, now owned by the caller; null when decoding failed
  // or the message was already released.
  std::unique_ptr<SnmpMessage> release() { return std::move(message_); }

 private:
  std::unique_ptr<SnmpMessage> message_;
};

// decodeValue creates a value from the element whose tag octet has just been
// read: Integer, String, OID, IpAddress, Counter, Gauge, TimeTicks and
// Counter64 by their tags, Opaque for every other tag. Null when the reader
// failed.
std::unique_ptr<SnmpValue> decodeValue(std::uint8_t tag, BerReader& reader);

}  // namespace cfgsnap::snmp
