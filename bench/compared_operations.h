// compared_operations.h: the operations that the codec benchmark times and
// that its instruction-count mode counts, each ours and Net-SNMP's, with the
// floor beside them.
//
// Every operation is a plain function that does one unit of work and keeps
// its result from being optimised away. Net-SNMP's are present only when the
// peer was built and setPeer gave one. The peer stays owned by the caller
// and must outlive every call. Nothing here fails: an operation whose peer
// refuses the work just does less, which the checks run beforehand catch.
#pragma once

#include <span>
#include <string_view>

namespace cfgsnap::bench {

class NetSnmpPeer;

struct ComparedOperation {
  // "set_request", "poll_reply", "both" or "floor".
  std::string_view task;
  // "cfgsnap", "netsnmp", "netsnmp_text" (Net-SNMP parsing the names from
  // the tool's dotted texts, as snmpset does) or "memcpy_105".
  std::string_view implementation;
  void (*run)();
};

void setPeer(NetSnmpPeer* peer);
// Ours, then Net-SNMP's when a peer is set, then the floor.
std::span<const ComparedOperation> comparedOperations();

}  // namespace cfgsnap::bench
