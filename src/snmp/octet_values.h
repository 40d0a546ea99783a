// octet_values.h: the octet family of SNMP values.
//
// SnmpOctetValue keeps the content octets exactly as they stand on the wire,
// without tag, length or terminator. Its classes are SnmpString (OCTET
// STRING), SnmpOid (OBJECT IDENTIFIER), SnmpIpAddress and SnmpOpaque. Object
// identifiers and addresses are given and shown as dotted decimal text.
// Contents of up to 15 octets are held inside the value without a separate
// allocation. No operation fails: text conversions accept any text, and
// decoding failures are reported through the reader (see snmp_value.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "snmp/snmp_value.h"

namespace cfgsnap::snmp {

class SnmpOctetValue : public SnmpValue {
 public:
  // Writes tag, length octets and the content octets.
  void encode(BerCursor& cursor) const override;
  std::span<const std::uint8_t> content() const;

 protected:
  SnmpOctetValue(std::uint16_t tag, const char* typeName) : SnmpValue(tag, typeName) {}
  // Reads the length and copies exactly `length` content octets.
  SnmpOctetValue(BerReader& reader, std::uint16_t tag, const char* typeName);

  // Replaces the content and the length, and drops the cached text.
  // The content must hold at most 65535 octets.
  void assignContent(std::span<const std::uint8_t> octets);

 private:
  std::string content_;
};

class SnmpString : public SnmpOctetValue {
 public:
  // The text's characters, cut to 65535 if longer.
  explicit SnmpString(std::string_view text);
  explicit SnmpString(BerReader& reader);

  // Replaces the content by the text's characters, cut to 65535 if longer.
  void assignText(std::string_view text);
  // The octets as characters; a zero octet ends the visible text there.
  const std::string& toText() const override;
};

class SnmpOid : public SnmpOctetValue {
 public:
  explicit SnmpOid(std::string_view dotted);
  explicit SnmpOid(BerReader& reader);

  // Replaces the content by the conversion of dotted text: pieces are split
  // at ".", empty pieces skipped, each read like atoi and wrapped modulo 2^32.
  // The first two pieces (0 when missing) share the first octet; every
  // further piece is one base-128 sub-identifier. A conversion that would
  // need more than 4096 octets stops before the first piece that no longer
  // fits.
  void assignText(std::string_view dotted);

  // Dotted arcs, built once. The first octet always shows two arcs followed
  // by "." (2B shows as "1.3."); empty content shows as "". A last
  // sub-identifier cut short by the end of the content shows as accumulated;
  // an arc that would exceed 32 bits ends the text before it.
  const std::string& toText() const override;
};

class SnmpIpAddress : public SnmpOctetValue {
 public:
  explicit SnmpIpAddress(std::string_view dotted);
  explicit SnmpIpAddress(BerReader& reader);

  // Four octets from the dotted pieces, each modulo 256; pieces after the
  // fourth are ignored and octets that no piece fills are 0.
  void assignText(std::string_view dotted);

  // Each content octet in decimal, joined by "."; rebuilt on every call, so
  // a text returned earlier is replaced.
  const std::string& toText() const override;
};

class SnmpOpaque : public SnmpOctetValue {
 public:
  // Always tag 0x44 and "Opaque", whatever tag octet preceded the element.
  explicit SnmpOpaque(BerReader& reader);
  // Printable octets (0x20 to 0x7E) as they are, every other octet as a
  // blank: one character per content octet.
  const std::string& toText() const override;
};

}  // namespace cfgsnap::snmp
