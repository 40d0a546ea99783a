#include "snmp/octet_values.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "snmp/check.h"
#include "snmp/wire.h"

namespace cfgsnap::snmp {

namespace {

// Appends n in decimal without a temporary string.
void appendNumber(std::string& text, std::uint32_t n) {
  char digits[10];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, n);
  text.append(digits, end.ptr);
}

bool isDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Calls visit(number) for each non-empty "."-separated piece, in order, as
// long as visit returns true. Empty pieces (leading, trailing or doubled
// dots) are skipped. Each piece is read the way atoi reads it: leading white
// space, one optional sign, then digits up to the first other character; no
// digits give 0, and the rest of the piece is ignored. The accumulation
// wraps modulo 2^32 instead of saturating. One pass over the characters:
// object identifiers are converted on every request the tool builds.
template <typename Visit>
void forEachPiece(std::string_view dotted, Visit visit) {
  const char* p = dotted.data();
  const char* const end = p + dotted.size();
  while (p != end) {
    if (*p == '.') {
      ++p;
      continue;
    }
    // Pieces are almost always plain digits; blanks and signs are looked
    // for only when the piece starts with something else.
    bool negative = false;
    if (!isDigit(*p)) {
      while (p != end && isSpace(*p)) ++p;
      if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    }
    std::uint32_t value = 0;
    for (; p != end && isDigit(*p); ++p) {
      value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    }
    while (p != end && *p != '.') ++p;
    if (!visit(negative ? 0u - value : value)) return;
  }
}

}  // namespace

SnmpOctetValue::SnmpOctetValue(BerReader& reader, std::uint16_t tag, const char* typeName)
    : SnmpValue(reader, tag, typeName) {
  // The content starts empty; appending is the cheapest way to fill it.
  std::span<const std::uint8_t> octets;
  if (reader.readOctets(length_, octets))
    content_.append(reinterpret_cast<const char*>(octets.data()), octets.size());
  else
    length_ = 0;
}

void SnmpOctetValue::encode(BerCursor& cursor) const {
  cursor.putOctet(static_cast<std::uint8_t>(tag()));
  writeLength(cursor, length_);
  cursor.putOctets(content());
}

std::span<const std::uint8_t> SnmpOctetValue::content() const {
  return {reinterpret_cast<const std::uint8_t*>(content_.data()), content_.size()};
}

void SnmpOctetValue::assignContent(std::span<const std::uint8_t> octets) {
  CFGSNAP_CHECK(octets.size() <= wire::kMaxContentLength);
  // From a pointer and a count: assigning from an iterator range of octets
  // would build a temporary string first, a second block for long contents.
  // Clearing and appending skips the overlap handling of a general assign.
  content_.clear();
  content_.append(reinterpret_cast<const char*>(octets.data()), octets.size());
  length_ = static_cast<std::uint16_t>(octets.size());
  text_.reset();
}

SnmpString::SnmpString(std::string_view text) : SnmpOctetValue(wire::kOctetString, "String") {
  assignText(text);
}

void SnmpString::assignText(std::string_view text) {
  text = text.substr(0, wire::kMaxContentLength);
  assignContent({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

SnmpString::SnmpString(BerReader& reader) : SnmpOctetValue(reader, wire::kOctetString, "String") {}

const std::string& SnmpString::toText() const {
  if (!text_) {
    const auto octets = content();
    // The text is a C string: a zero octet inside the content ends it.
    const auto end = std::find(octets.begin(), octets.end(), std::uint8_t{0});
    text_.emplace(octets.begin(), end);
  }
  return *text_;
}

SnmpOid::SnmpOid(std::string_view dotted) : SnmpOctetValue(wire::kObjectIdentifier, "OID") {
  assignText(dotted);
}

SnmpOid::SnmpOid(BerReader& reader) : SnmpOctetValue(reader, wire::kObjectIdentifier, "OID") {}

void SnmpOid::assignText(std::string_view dotted) {
  // Octet 0 holds the first two arcs (X.690 8.19.4); it is written once both
  // are known, and missing arcs count as 0. Conversion stops before the first
  // sub-identifier that no longer fits in the working buffer.
  std::array<std::uint8_t, wire::kOidWorkingBufferSize> buffer;
  BerCursor cursor{std::span(buffer).subspan(1)};
  std::uint32_t firstArcs[2] = {0, 0};
  std::size_t index = 0;
  forEachPiece(dotted, [&](std::uint32_t v) {
    if (index < 2) {
      firstArcs[index++] = v;
      return true;
    }
    if (subIdOctets(v) > cursor.remaining()) return false;
    writeSubId(cursor, v);
    return true;
  });
  BerCursor head{std::span(buffer).first(1)};
  writeFirstSubId(head, firstArcs[0], firstArcs[1]);
  assignContent(std::span(buffer).first(buffer.size() - cursor.remaining()));
}

const std::string& SnmpOid::toText() const {
  if (text_) return *text_;
  std::string text;
  const auto octets = content();
  if (!octets.empty()) {
    const FirstArcs arcs = firstArcsOf(octets[0]);
    appendNumber(text, arcs.first);
    text += '.';
    appendNumber(text, arcs.second);
    text += '.';
    std::size_t i = 1;
    while (i < octets.size()) {
      // Base 128 (X.690 8.19.2). A sub-identifier cut short by the end of the
      // content shows as accumulated; nothing past the content is read. An
      // arc beyond 32 bits has no number to show, and the text ends before it.
      std::uint32_t value = 0;
      bool overflow = false;
      std::uint8_t octet = 0;
      do {
        octet = octets[i++];
        if (value > (UINT32_MAX >> 7)) {
          overflow = true;
          break;
        }
        value = (value << 7) | (octet & wire::kSubIdValueMask);
      } while ((octet & wire::kSubIdMoreBit) != 0 && i < octets.size());
      if (overflow) break;
      appendNumber(text, value);
      if (i < octets.size()) text += '.';
    }
  }
  text_ = std::move(text);
  return *text_;
}

SnmpIpAddress::SnmpIpAddress(std::string_view dotted)
    : SnmpOctetValue(wire::kIpAddress, "IpAddress") {
  assignText(dotted);
}

SnmpIpAddress::SnmpIpAddress(BerReader& reader)
    : SnmpOctetValue(reader, wire::kIpAddress, "IpAddress") {}

void SnmpIpAddress::assignText(std::string_view dotted) {
  std::uint8_t octets[4] = {0, 0, 0, 0};
  std::size_t index = 0;
  forEachPiece(dotted, [&](std::uint32_t v) {
    octets[index++] = static_cast<std::uint8_t>(v);
    return index < 4;
  });
  assignContent(octets);
}

const std::string& SnmpIpAddress::toText() const {
  // Rebuilt on every call so the text always shows the current octets.
  std::string text;
  for (std::uint8_t octet : content()) {
    if (!text.empty()) text += '.';
    text += std::to_string(octet);
  }
  text_ = std::move(text);
  return *text_;
}

SnmpOpaque::SnmpOpaque(BerReader& reader) : SnmpOctetValue(reader, wire::kOpaque, "Opaque") {}

const std::string& SnmpOpaque::toText() const {
  if (!text_) {
    std::string text;
    text.reserve(content().size());
    for (std::uint8_t octet : content()) {
      text += (octet >= 0x20 && octet <= 0x7E) ? static_cast<char>(octet) : ' ';
    }
    text_ = std::move(text);
  }
  return *text_;
}

}  // namespace cfgsnap::snmp
