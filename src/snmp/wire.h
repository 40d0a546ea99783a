// wire.h: the octets that SNMPv1 puts on the wire (RFC 1157, X.690).
//
// Every tag, type code and fixed limit that the codec reads or writes is
// named here once; nothing else in the codec spells a raw tag value.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cfgsnap::snmp::wire {

// Universal tags (X.690 8.3, 8.7, 8.8, 8.19, 8.9).
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kOctetString = 0x04;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kObjectIdentifier = 0x06;
inline constexpr std::uint8_t kSequence = 0x30;

// Application tags of the SNMP SMI (RFC 1155) and Counter64 (RFC 2578).
inline constexpr std::uint8_t kIpAddress = 0x40;
inline constexpr std::uint8_t kCounter = 0x41;
inline constexpr std::uint8_t kGauge = 0x42;
inline constexpr std::uint8_t kTimeTicks = 0x43;
inline constexpr std::uint8_t kOpaque = 0x44;
inline constexpr std::uint8_t kCounter64 = 0x46;

// Context-specific constructed PDU tags (RFC 1157 4.1, RFC 1905 for 0xA7).
inline constexpr std::uint8_t kGetRequest = 0xA0;
inline constexpr std::uint8_t kGetNextRequest = 0xA1;
inline constexpr std::uint8_t kGetResponse = 0xA2;
inline constexpr std::uint8_t kSetRequest = 0xA3;
inline constexpr std::uint8_t kTrap = 0xA4;
inline constexpr std::uint8_t kV2Trap = 0xA7;

// Answer of pduTag() for a message without a PDU.
inline constexpr std::uint8_t kNoPduTag = 0xFF;

// Length octets (X.690 8.1.3): bit 8 of the first octet selects the long
// form, whose low 7 bits count the length octets that follow.
inline constexpr std::uint8_t kLongFormBit = 0x80;
inline constexpr std::uint8_t kLongFormCountMask = 0x7F;
// The short form is written for 0..126 only; 127 takes the long form.
inline constexpr std::uint32_t kShortFormMax = 126;
// Longest long form accepted: four octets, a 32-bit length.
inline constexpr std::uint32_t kMaxLengthOctets = 4;

// Sub-identifiers of an OBJECT IDENTIFIER (X.690 8.19.2): base 128, bit 8 set
// on every octet but the last.
inline constexpr std::uint8_t kSubIdMoreBit = 0x80;
inline constexpr std::uint8_t kSubIdValueMask = 0x7F;

// The SNMP version field of an SNMPv1 message (RFC 1157 4.1).
inline constexpr std::int32_t kVersion1 = 0;

// A value's content length is kept in 16 bits.
inline constexpr std::uint32_t kMaxContentLength = 0xFFFF;

// Working buffer of the OBJECT IDENTIFIER text conversion.
inline constexpr std::size_t kOidWorkingBufferSize = 4096;

// Largest datagram accepted as a reply.
inline constexpr std::size_t kMaxDatagramSize = 4096;

}  // namespace cfgsnap::snmp::wire
