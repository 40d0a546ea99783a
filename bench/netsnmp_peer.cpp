#include "netsnmp_peer.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace cfgsnap::bench {

namespace {

// The TFTP group's objects as arcs, in the order of kSetRequestNames.
constexpr std::size_t kNameLength = 12;
constexpr std::array<std::array<oid, kNameLength>, 4> kNames = {{
    {1, 3, 6, 1, 4, 1, 9, 5, 1, 5, 1, 0},
    {1, 3, 6, 1, 4, 1, 9, 5, 1, 5, 2, 0},
    {1, 3, 6, 1, 4, 1, 9, 5, 1, 5, 3, 0},
    {1, 3, 6, 1, 4, 1, 9, 5, 1, 5, 4, 0},
}};

// Net-SNMP allocates a buffer of this size for each message it sends.
constexpr std::size_t kSendBufferSize = 4096;

// The name of binding `index`: the ready arcs, or the tool's dotted text
// parsed into `parsed`.
const oid* nameOf(std::size_t index, NetSnmpPeer::NameSource source,
                  std::array<oid, MAX_OID_LEN>& parsed, std::size_t& length) {
  if (source == NetSnmpPeer::NameSource::kArcs) {
    length = kNameLength;
    return kNames[index].data();
  }
  // The names are string literals, so their texts end with a zero octet.
  length = parsed.size();
  return snmp_parse_oid(kSetRequestNames[index].data(), parsed.data(), &length);
}

void addString(netsnmp_pdu* pdu, const oid* name, std::size_t length, std::string_view text) {
  snmp_pdu_add_variable(pdu, name, length, ASN_OCTET_STR, text.data(), text.size());
}

void addInteger(netsnmp_pdu* pdu, const oid* name, std::size_t length, long value) {
  snmp_pdu_add_variable(pdu, name, length, ASN_INTEGER, &value, sizeof value);
}

struct PduFree {
  void operator()(netsnmp_pdu* pdu) const { snmp_free_pdu(pdu); }
};
using PduPointer = std::unique_ptr<netsnmp_pdu, PduFree>;

struct BufferFree {
  void operator()(u_char* buffer) const { std::free(buffer); }
};

}  // namespace

struct NetSnmpPeer::Session {
  netsnmp_session settings{};
};

NetSnmpPeer::NetSnmpPeer() : session_(std::make_unique<Session>()) {
  static const bool initialised = [] {
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    setenv("MIBS", "", 1);
    init_snmp("cfgsnap_codec_bench");
    return true;
  }();
  (void)initialised;
  snmp_sess_init(&session_->settings);
  session_->settings.version = SNMP_VERSION_1;
}

NetSnmpPeer::~NetSnmpPeer() = default;

std::size_t NetSnmpPeer::encodeSetRequest(const SetRequestFields& fields,
                                          std::vector<std::uint8_t>* copy, NameSource names) {
  PduPointer pdu(snmp_pdu_create(SNMP_MSG_SET));
  pdu->version = SNMP_VERSION_1;
  pdu->reqid = kSetRequestId;
  pdu->community = static_cast<u_char*>(std::malloc(fields.community.size() + 1));
  std::memcpy(pdu->community, fields.community.data(), fields.community.size());
  pdu->community_len = fields.community.size();
  std::array<oid, MAX_OID_LEN> parsed;
  std::size_t length = 0;
  const oid* name = nameOf(0, names, parsed, length);
  if (!name) return 0;
  addString(pdu.get(), name, length, fields.tftpServer);
  if (!(name = nameOf(1, names, parsed, length))) return 0;
  addString(pdu.get(), name, length, fields.fileName);
  if (!(name = nameOf(2, names, parsed, length))) return 0;
  addInteger(pdu.get(), name, length, kTftpModule);
  if (!(name = nameOf(3, names, parsed, length))) return 0;
  addInteger(pdu.get(), name, length, kTftpActionCopyUp);

  std::unique_ptr<u_char, BufferFree> buffer(static_cast<u_char*>(std::malloc(kSendBufferSize)));
  u_char* packet = buffer.get();
  std::size_t packetLength = kSendBufferSize;
  std::size_t offset = 0;
  const int failed = snmp_build(&packet, &packetLength, &offset, &session_->settings, pdu.get());
  // snmp_build may have moved the buffer to grow it.
  (void)buffer.release();
  buffer.reset(packet);
  if (failed != 0) return 0;
  // Built backwards: the message ends at the end of the buffer.
  const u_char* start = packet + packetLength - offset;
  if (copy) copy->assign(start, start + offset);
  return offset;
}

std::optional<ReplyReading> NetSnmpPeer::decodeAndRead(std::span<const std::uint8_t> datagram) {
  PduPointer pdu(static_cast<netsnmp_pdu*>(std::calloc(1, sizeof(netsnmp_pdu))));
  // snmp_parse takes a writable pointer but only reads the octets.
  auto* data = const_cast<u_char*>(datagram.data());
  if (snmp_parse(nullptr, &session_->settings, pdu.get(), data, datagram.size()) != 0)
    return std::nullopt;
  const netsnmp_variable_list* first = pdu->variables;
  const std::int32_t result =
      first && first->type == ASN_INTEGER ? static_cast<std::int32_t>(*first->val.integer) : 0;
  return ReplyReading{static_cast<std::int32_t>(pdu->reqid),
                      static_cast<std::int32_t>(pdu->errstat), result};
}

}  // namespace cfgsnap::bench
