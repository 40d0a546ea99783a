// Feeds arbitrary datagrams of up to 4096 octets to MessageDecoder.
//
// Properties: decoding never reads outside the input (the sanitizers and the
// input's exact-size copy see to that); every accessor of a decoded message
// answers; a decoded message re-encodes to exactly encodedSize octets; and a
// message that holds a version and a request PDU re-encodes to octets that
// decode to the same answers and encode to the same octets again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/message_answers.h"
#include "snmp/message_decoder.h"
#include "snmp/wire.h"

using cfgsnap::fuzz::MessageAnswers;
namespace snmp = cfgsnap::snmp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > snmp::wire::kMaxDatagramSize) return -1;
  // An exact-size heap copy, so ASan sees any read one octet past the end.
  const std::vector<std::uint8_t> datagram(data, data + size);
  std::unique_ptr<snmp::SnmpMessage> message = snmp::MessageDecoder(datagram).release();
  if (!message) return 0;

  const MessageAnswers answers = MessageAnswers::capture(*message);
  const std::vector<std::uint8_t> encoded = snmp::encodeMessage(*message);
  FUZZ_CHECK(encoded.size() == message->encodedSize());

  // Only messages with every element present have one canonical encoding;
  // a lenient decode that left the version or a trap field out does not.
  const bool requestPdu =
      answers.pduTag >= snmp::wire::kGetRequest && answers.pduTag <= snmp::wire::kSetRequest;
  if (!answers.version || !(requestPdu || answers.pduTag == snmp::wire::kV2Trap)) return 0;

  std::unique_ptr<snmp::SnmpMessage> again = snmp::MessageDecoder(encoded).release();
  FUZZ_CHECK(again != nullptr);
  FUZZ_CHECK(MessageAnswers::capture(*again) == answers);
  FUZZ_CHECK(snmp::encodeMessage(*again) == encoded);
  return 0;
}
