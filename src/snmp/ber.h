// ber.h: the BER primitives (X.690, definite lengths only) that every encoder
// and decoder of the codec is built on, and the two cursors they work with.
//
// Writing and reading use different cursors. BerCursor writes into a buffer
// that was sized in advance with lengthOctets() and tlvSize(); writing past
// its end is a programming error and stops the program. BerReader reads a
// received datagram; every read goes through one length check, and a read
// that would pass the end consumes nothing, returns failure and marks the
// reader failed for good, so a decode can be judged once at its end.
//
// None of these functions allocates. Neither cursor owns the octets it
// points into; the caller keeps the buffer alive while a cursor is in use.
// The steps every element takes (octets, lengths, tags, numbers) are
// defined here, inline: called out of line, with the cursor kept in memory
// between calls, they took a third of the time of a message's decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "snmp/check.h"
#include "snmp/wire.h"

namespace cfgsnap::snmp {

// BerCursor: the position of the next octet to write in a caller-owned
// buffer. Copies are independent positions in the same buffer.
class BerCursor {
 public:
  explicit BerCursor(std::span<std::uint8_t> buffer)
      : position_(buffer.data()), end_(buffer.data() + buffer.size()) {}

  // Writes one octet and advances. Checks that it fits.
  void putOctet(std::uint8_t octet) {
    // Buffers are sized with the size rules; running out means those rules
    // and an encoder disagree, which no input can cause.
    CFGSNAP_CHECK(position_ != end_);
    *position_++ = octet;
  }
  // Writes the octets in order and advances past them. Checks that they fit.
  void putOctets(std::span<const std::uint8_t> octets) {
    CFGSNAP_CHECK(octets.size() <= remaining());
    if (!octets.empty()) std::memcpy(position_, octets.data(), octets.size());
    position_ += octets.size();
  }

  // Octets still free between the position and the end of the buffer.
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - position_); }
  const std::uint8_t* position() const { return position_; }

 private:
  std::uint8_t* position_;
  std::uint8_t* end_;
};

// BerReader: the position of the next octet to read in a caller-owned, read
// only datagram, bounded by its end. Once a read fails the reader stays
// failed and every later read fails too.
class BerReader {
 public:
  explicit BerReader(std::span<const std::uint8_t> data)
      : position_(data.data()), end_(data.data() + data.size()) {}

  // Reads one octet into `out`. Fails at the end of the data.
  [[nodiscard]] bool readOctet(std::uint8_t& out) {
    if (!ok_ || position_ == end_) {
      ok_ = false;
      return false;
    }
    out = *position_++;
    return true;
  }
  // Hands out a view of the next `count` octets and advances past them.
  // Fails, consuming nothing, when fewer than `count` remain.
  [[nodiscard]] bool readOctets(std::size_t count, std::span<const std::uint8_t>& out) {
    if (!ok_ || count > remaining()) {
      ok_ = false;
      return false;
    }
    out = std::span<const std::uint8_t>(position_, count);
    position_ += count;
    return true;
  }
  // Advances past one octet without looking at it. Fails at the end.
  [[nodiscard]] bool skipOctet() {
    std::uint8_t ignored = 0;
    return readOctet(ignored);
  }

  std::size_t remaining() const { return static_cast<std::size_t>(end_ - position_); }
  const std::uint8_t* position() const { return position_; }
  // True until some read has failed.
  bool ok() const { return ok_; }
  // Marks the reader failed, for a caller that finds the data unacceptable.
  void fail() { ok_ = false; }

 private:
  const std::uint8_t* position_;
  const std::uint8_t* end_;
  bool ok_ = true;
};

// lengthOctets is the number of length octets writeLength uses for n.
constexpr std::uint32_t lengthOctets(std::uint32_t n) {
  if (n <= 126) return 1;
  if (n <= 0xFF) return 2;
  if (n <= 0xFFFF) return 3;
  if (n <= 0xFFFFFF) return 4;
  return 5;
}

// tlvSize is the encoded size of an element with a one-octet tag and n
// content octets. Callers keep n well below 2^32 - 6 (a message is at most a
// few kilobytes; a value's content at most 65535 octets).
constexpr std::uint32_t tlvSize(std::uint32_t n) {
  return 1 + lengthOctets(n) + n;
}

// writeLength writes the definite-form length octets of a content length n
// (X.690 8.1.3): the short form for 0..126, the long form from 127 on, with
// as few octets as hold n. Writes exactly lengthOctets(n) octets.
inline void writeLength(BerCursor& cursor, std::uint32_t n) {
  if (n <= wire::kShortFormMax) {
    cursor.putOctet(static_cast<std::uint8_t>(n));
    return;
  }
  const std::uint32_t count = lengthOctets(n) - 1;
  cursor.putOctet(static_cast<std::uint8_t>(wire::kLongFormBit | count));
  for (std::uint32_t i = count; i > 0; --i) {
    cursor.putOctet(static_cast<std::uint8_t>(n >> (8 * (i - 1))));
  }
}

// readLength reads definite-form length octets. The short form gives 0..127.
// Fails, with the reader marked failed, on the indefinite form 0x80, on a long
// form of more than four octets, and when the length octets run past the end.
// The length itself is not compared with the data; callers that read that
// many octets get a bounded read.
[[nodiscard]] inline std::optional<std::uint32_t> readLength(BerReader& reader) {
  std::uint8_t first = 0;
  if (!reader.readOctet(first)) return std::nullopt;
  if ((first & wire::kLongFormBit) == 0) return first;

  const std::uint32_t count = first & wire::kLongFormCountMask;
  // 0x80 is the indefinite form, which SNMP never uses (RFC 1157 4: definite
  // lengths only); more than four octets cannot be a length we could hold.
  if (count == 0 || count > wire::kMaxLengthOctets) {
    reader.fail();
    return std::nullopt;
  }
  std::span<const std::uint8_t> octets;
  if (!reader.readOctets(count, octets)) return std::nullopt;
  std::uint32_t length = 0;
  for (std::uint8_t octet : octets) length = (length << 8) | octet;
  return length;
}

// readTag reads identifier octets. A first octet with bit 8 clear is the tag
// number itself. A first octet with bit 8 set starts a number from its low 7
// bits and reads on: the next octet with bit 8 clear ends it without adding to
// it, each octet with bit 8 set before that appends its low 7 bits. Fails at
// the end of the data, or when the number would not fit in 32 bits.
[[nodiscard]] inline std::optional<std::uint32_t> readTag(BerReader& reader) {
  std::uint8_t octet = 0;
  if (!reader.readOctet(octet)) return std::nullopt;
  if ((octet & 0x80) == 0) return octet;

  std::uint32_t tag = octet & 0x7Fu;
  for (;;) {
    if (!reader.readOctet(octet)) return std::nullopt;
    if ((octet & 0x80) == 0) return tag;
    if (tag > (UINT32_MAX >> 7)) {
      reader.fail();
      return std::nullopt;
    }
    tag = (tag << 7) | (octet & 0x7Fu);
  }
}

// readUnsigned reads `count` content octets as a big-endian unsigned number
// kept to its low 32 bits; no sign is extended. A count of 0 gives 0 and
// consumes nothing. Fails when fewer than `count` octets remain.
[[nodiscard]] inline std::optional<std::uint32_t> readUnsigned(BerReader& reader,
                                                               std::uint32_t count) {
  std::span<const std::uint8_t> octets;
  if (!reader.readOctets(count, octets)) return std::nullopt;
  // Octets beyond the fourth push the older ones out: only the low 32 bits of
  // an over-long number remain, and the value keeps its length separately.
  std::uint32_t value = 0;
  for (std::uint8_t octet : octets) value = (value << 8) | octet;
  return value;
}

// subIdOctets is the number of octets writeSubId uses for v: 1 to 5.
constexpr std::uint32_t subIdOctets(std::uint32_t v) {
  std::uint32_t count = 1;
  while (v >= 0x80) {
    v >>= 7;
    ++count;
  }
  return count;
}

// writeSubId writes v in base 128, most significant group first, bit 8 set
// on all but the last octet (X.690 8.19.2). Returns the octets written, 1 to 5.
inline std::uint32_t writeSubId(BerCursor& cursor, std::uint32_t v) {
  const std::uint32_t count = subIdOctets(v);
  for (std::uint32_t i = count; i > 1; --i) {
    cursor.putOctet(static_cast<std::uint8_t>(wire::kSubIdMoreBit | ((v >> (7 * (i - 1))) & 0x7F)));
  }
  cursor.putOctet(static_cast<std::uint8_t>(v & wire::kSubIdValueMask));
  return count;
}

// readSubId reads one base-128 sub-identifier. Fails when the continuation
// bit runs off the end of the data or the value would exceed 32 bits.
[[nodiscard]] std::optional<std::uint32_t> readSubId(BerReader& reader);

// writeFirstSubId writes the first two arcs as the single octet
// (40 * first + second) modulo 256 (X.690 8.19.4).
inline void writeFirstSubId(BerCursor& cursor, std::uint32_t first, std::uint32_t second) {
  // The combined arcs always take exactly one octet; larger values wrap.
  cursor.putOctet(static_cast<std::uint8_t>(40 * first + second));
}

// FirstArcs: the first two arcs of an object identifier, as one octet gives them.
struct FirstArcs {
  std::uint16_t first;
  std::uint16_t second;
  friend bool operator==(const FirstArcs&, const FirstArcs&) = default;
};

// firstArcsOf splits the first content octet of an object identifier:
// below 40 is arc 0, below 80 is arc 1, everything else is arc 2.
inline FirstArcs firstArcsOf(std::uint8_t octet) {
  if (octet < 40) return {0, octet};
  if (octet < 80) return {1, static_cast<std::uint16_t>(octet - 40)};
  return {2, static_cast<std::uint16_t>(octet - 80)};
}

// readFirstSubId reads the first content octet of an object identifier and
// splits it with firstArcsOf. Fails at the end of the data.
[[nodiscard]] std::optional<FirstArcs> readFirstSubId(BerReader& reader);

}  // namespace cfgsnap::snmp
