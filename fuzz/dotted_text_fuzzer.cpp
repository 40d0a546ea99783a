// Feeds arbitrary text to the dotted-text conversions of SnmpOid and
// SnmpIpAddress.
//
// Properties: nothing is written past the working buffers (the sanitizers
// watch); an OID never holds more than 4096 content octets and an address
// exactly four; both encode to exactly encodedSize octets; the OID's text,
// converted back, gives the same content.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/octet_values.h"
#include "snmp/wire.h"

namespace snmp = cfgsnap::snmp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const snmp::SnmpOid oid(text);
  FUZZ_CHECK(oid.length() >= 1);
  FUZZ_CHECK(oid.length() <= snmp::wire::kOidWorkingBufferSize);
  FUZZ_CHECK(oid.toBytes().size() == oid.encodedSize());
  // The conversion writes only complete 32-bit sub-identifiers, and every
  // first octet splits into arcs that combine back into it, so the text form
  // converts back to the same content.
  const snmp::SnmpOid back(oid.toText());
  FUZZ_CHECK(std::vector(back.content().begin(), back.content().end()) ==
             std::vector(oid.content().begin(), oid.content().end()));

  const snmp::SnmpIpAddress address(text);
  FUZZ_CHECK(address.length() == 4);
  FUZZ_CHECK(address.toBytes().size() == address.encodedSize());
  const snmp::SnmpIpAddress addressBack(address.toText());
  FUZZ_CHECK(addressBack.toText() == address.toText());
  return 0;
}
