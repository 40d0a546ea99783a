// codec_operations.h: the codec work of one cfgsnap run, done with the same
// calls the tool makes, and the inputs of the scaling benchmarks.
//
// buildAndEncodeSetRequest is the save procedure's first step as it happens
// in the tool: construct the message, set community and request-id, append
// the four bindings of the TFTP group, then size, allocate once and encode,
// as the channel does before sendto. decodeAndRead is the other half: the
// channel's decode of a reply and the three reads the procedure makes.
//
// Nothing here fails except decodeAndRead, which gives nothing for a
// datagram the decoder refuses. Results are values owned by the caller.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cfgsnap::bench {

// The parameters of the benchmarked SetRequest.
struct SetRequestFields {
  std::string_view community = "private";
  std::string_view tftpServer = "10.0.0.5";
  std::string_view fileName = "sw1.cfg";
};

// Request-ids and values the save procedure uses.
inline constexpr std::int32_t kSetRequestId = 123;
inline constexpr std::int32_t kTftpModule = 1;
inline constexpr std::int32_t kTftpActionCopyUp = 3;

// The TFTP group's objects, in the order the SetRequest carries them, and
// the result object that the polls read.
inline constexpr std::array<std::string_view, 4> kSetRequestNames = {
    "1.3.6.1.4.1.9.5.1.5.1.0", "1.3.6.1.4.1.9.5.1.5.2.0", "1.3.6.1.4.1.9.5.1.5.3.0",
    "1.3.6.1.4.1.9.5.1.5.4.0"};
inline constexpr std::string_view kTftpResult = "1.3.6.1.4.1.9.5.1.5.5.0";

// A poll's reply as the switch sends it: version 0, empty community,
// GetResponse with request-id 234, error-status 0, error-index 0, and the
// result object with INTEGER 2 (saved). 39 octets.
inline constexpr std::array<std::uint8_t, 39> kPollReply = {
    0x30, 0x25, 0x02, 0x01, 0x00, 0x04, 0x00, 0xA2, 0x1E, 0x02, 0x02, 0x00, 0xEA,
    0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x12, 0x30, 0x10, 0x06, 0x0B, 0x2B,
    0x06, 0x01, 0x04, 0x01, 0x09, 0x05, 0x01, 0x05, 0x05, 0x00, 0x02, 0x01, 0x02};

// What the procedure reads from a reply: request-id, error-status, and the
// text of binding 1's value converted to a number the way atoi does.
struct ReplyReading {
  std::int32_t requestId = 0;
  std::int32_t errorStatus = 0;
  std::int32_t result = 0;
  friend bool operator==(const ReplyReading&, const ReplyReading&) = default;
};

std::vector<std::uint8_t> buildAndEncodeSetRequest(const SetRequestFields& fields);
std::optional<ReplyReading> decodeAndRead(std::span<const std::uint8_t> datagram);

// A GetResponse of `count` bindings, each the result object with INTEGER 2,
// with the long length form wherever the sizes need it.
std::vector<std::uint8_t> replyWithBindings(int count);
// The most bindings replyWithBindings can put in `octets` octets.
int mostBindingsIn(std::size_t octets);
// Decodes a datagram and gives its binding count; -1 when refused.
int decodeBindingCount(std::span<const std::uint8_t> datagram);

// Dotted text of `count` arcs (count >= 2): 1.3, then a repeating mix of one-
// to five-octet sub-identifiers.
std::string oidTextWithArcs(int count);
// The most arcs oidTextWithArcs can give whose content fits the OID
// working buffer.
int mostOidArcs();
// Converts dotted text to an SnmpOid's content and shows that as text
// again. Gives the content length, and a copy of the text when asked.
std::size_t oidRoundTrip(std::string_view dotted, std::string* text = nullptr);

}  // namespace cfgsnap::bench
