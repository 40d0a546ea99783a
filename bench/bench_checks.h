// bench_checks.h: the checks the codec benchmark makes before it times
// anything, so that what it times is known to be right and its allocation
// goals are checked exactly rather than read off a table.
//
// runChecks prints one line per check ("check NAME: ok" or "check NAME:
// FAILED ...") and gives true when all passed. The checks:
//   - our SetRequest is the tool's wire image octet for octet, and our
//     reading of the poll reply gives request-id 234, error-status 0, 2;
//   - with Net-SNMP present (`peer` not null): its encoding of the same
//     SetRequest, with the names given as arcs or parsed from text, equals
//     ours octet for octet, and its decode reads the same;
//   - building and encoding the SetRequest allocates exactly one block per
//     object of the message plus the one send buffer;
//   - decoding allocates no more than one block per object the decoded
//     message holds, for the poll reply and for N bindings;
//   - a community, a short string and an OID of up to 15 content octets
//     cost no block beyond their object, made or decoded;
//   - the scaling inputs are what they claim: N bindings decode to N, the
//     largest fits 4096 octets and one more does not; OID texts of N arcs
//     come back unchanged, and the largest fills the working buffer.
#pragma once

namespace cfgsnap::bench {

class NetSnmpPeer;

bool runChecks(NetSnmpPeer* peer);

}  // namespace cfgsnap::bench
