// netsnmp_peer.h: NetSnmpPeer, the same two codec operations as
// codec_operations.h done with Net-SNMP's public C API, for comparison in
// one benchmark binary.
//
// encodeSetRequest builds the SetRequest with snmp_pdu_create and
// snmp_pdu_add_variable and encodes it with snmp_build into a send buffer
// allocated per message, as Net-SNMP's own send path does; where that path
// would call sendto, it copies the octets out only when asked. decodeAndRead
// parses a datagram with snmp_parse and reads request-id, error-status and
// binding 1's integer. The object identifiers are handed over as arrays of
// arcs, already parsed; or, with NameSource::kText, parsed from the same
// dotted texts the tool converts, with snmp_parse_oid as snmpset does.
//
// Failures: encodeSetRequest gives 0 octets and decodeAndRead
// nothing when Net-SNMP reports an error. The peer owns its session
// settings; results are values owned by the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "codec_operations.h"

namespace cfgsnap::bench {

class NetSnmpPeer {
 public:
  enum class NameSource { kArcs, kText };

  // Initialises the library once per process, without reading any
  // configuration or MIB file.
  NetSnmpPeer();
  ~NetSnmpPeer();
  NetSnmpPeer(const NetSnmpPeer&) = delete;
  NetSnmpPeer& operator=(const NetSnmpPeer&) = delete;

  // The encoded size; the octets go to `copy` when it is given.
  std::size_t encodeSetRequest(const SetRequestFields& fields,
                               std::vector<std::uint8_t>* copy = nullptr,
                               NameSource names = NameSource::kArcs);
  std::optional<ReplyReading> decodeAndRead(std::span<const std::uint8_t> datagram);

 private:
  struct Session;
  std::unique_ptr<Session> session_;
};

}  // namespace cfgsnap::bench
