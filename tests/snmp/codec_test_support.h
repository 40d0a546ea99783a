// codec_test_support.h: helpers shared by the codec's tests.
//
// hex() turns readable octet text ("30 25 02 01 00") into bytes and toHex()
// goes back, for failure messages. encodeExactly() runs an encoder into a
// buffer of exactly the size it claims, followed by a guard region, and
// checks the size claim: every octet of the buffer is written (the buffer is
// filled twice, once with 00 and once with FF, and both runs must agree) and
// no octet of the guard changes; encodeSized() and encodeWhole() apply it to
// values, bindings and messages. CountedValue is a value that counts how many
// of its kind are alive, so tests can watch ownership.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/ber.h"
#include "snmp/message.h"
#include "snmp/snmp_value.h"

namespace cfgsnap::snmp::test {

inline std::vector<std::uint8_t> hex(std::string_view text) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::vector<std::uint8_t> octets;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\n') continue;
    const int d = digit(c);
    if (d < 0) {
      ADD_FAILURE() << "not a hex digit in test data: '" << c << "'";
      return {};
    }
    if (high < 0) {
      high = d;
    } else {
      octets.push_back(static_cast<std::uint8_t>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) ADD_FAILURE() << "odd number of hex digits in test data";
  return octets;
}

inline std::string toHex(std::span<const std::uint8_t> octets) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t octet : octets) {
    if (!text.empty()) text += ' ';
    text += kDigits[octet >> 4];
    text += kDigits[octet & 0x0F];
  }
  return text;
}

inline std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline constexpr std::size_t kGuardSize = 16;
inline constexpr std::uint8_t kGuardOctet = 0xA5;

// How the encoder under test treats the cursor it is given.
enum class Cursor { kAdvances, kStays };

// Runs encode(cursor) over a buffer of exactly `size` octets followed by the
// guard region, and returns the octets written.
template <typename Encode>
std::vector<std::uint8_t> encodeExactly(std::size_t size, Encode&& encode,
                                        Cursor cursorRule = Cursor::kAdvances) {
  std::vector<std::uint8_t> first;
  for (const std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
    std::vector<std::uint8_t> buffer(size + kGuardSize, kGuardOctet);
    std::fill_n(buffer.begin(), size, fill);
    BerCursor cursor{std::span(buffer).first(size)};
    encode(cursor);
    const std::uint8_t* expected = buffer.data() + (cursorRule == Cursor::kAdvances ? size : 0);
    EXPECT_EQ(cursor.position(), expected)
        << "cursor after encoding is off by " << (cursor.position() - expected) << " octets";
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(size), buffer.end(),
                            [](std::uint8_t o) { return o == kGuardOctet; }))
        << "the guard region after the buffer was written: "
        << toHex(std::span(buffer).subspan(size));
    std::vector<std::uint8_t> written(buffer.begin(),
                                      buffer.begin() + static_cast<std::ptrdiff_t>(size));
    if (fill == 0x00) {
      first = std::move(written);
    } else {
      EXPECT_EQ(toHex(written), toHex(first))
          << "some octet of the sized buffer was left unwritten (it kept the fill octet)";
    }
  }
  return first;
}

// Encodes a value (or anything with encode() and encodedSize()) through
// encodeExactly, sized by its own encodedSize().
template <typename Encodable>
std::vector<std::uint8_t> encodeSized(const Encodable& encodable) {
  return encodeExactly(encodable.encodedSize(), [&](BerCursor& c) { encodable.encode(c); });
}

// Encodes a whole message into exactly encodedSize() octets with the guard
// region behind them; the message leaves the caller's cursor at the start.
// encodeMessage, which allocates its own buffer, must write the same octets.
inline std::vector<std::uint8_t> encodeWhole(const SnmpMessage& message) {
  const auto octets = encodeExactly(
      message.encodedSize(), [&](BerCursor& c) { message.encode(c); }, Cursor::kStays);
  EXPECT_EQ(toHex(encodeMessage(message)), toHex(octets));
  return octets;
}

// A value whose instances count themselves in `live`.
class CountedValue : public SnmpValue {
 public:
  explicit CountedValue(int& live) : SnmpValue(0x04, "Counted"), live_(live) { ++live_; }
  ~CountedValue() override { --live_; }
  CountedValue(const CountedValue&) = delete;
  CountedValue& operator=(const CountedValue&) = delete;

  void encode(BerCursor& cursor) const override {
    cursor.putOctet(0x04);
    cursor.putOctet(0x00);
  }
  const std::string& toText() const override { return label_; }

 private:
  int& live_;
  std::string label_ = "counted";
};

}  // namespace cfgsnap::snmp::test
