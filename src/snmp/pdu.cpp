#include "snmp/pdu.h"

#include <ctime>

#include "snmp/wire.h"

namespace cfgsnap::snmp {

namespace {

std::uint32_t sizeOf(const SnmpValue* value) {
  return value ? value->encodedSize() : 0;
}

void encodeIfPresent(const SnmpValue* value, BerCursor& cursor) {
  if (value) value->encode(cursor);
}

template <typename Number>
std::int32_t numberOf(const std::unique_ptr<Number>& value) {
  return value ? value->getValue() : 0;
}

// Reads one field: when the identifier octets give `expected`, decodes the
// value and installs it; otherwise the field keeps what it held and only the
// identifier octets are consumed, as a lenient reader of RFC 1157 PDUs does.
// A field that holds a value already (every request or response PDU starts
// with its three integers) takes the decoded one in place, so decoding costs
// no block beyond the PDU's own objects.
template <typename Value>
void decodeField(BerReader& reader, std::uint32_t expected, std::unique_ptr<Value>& field) {
  const std::optional<std::uint32_t> tag = readTag(reader);
  if (!tag || *tag != expected) return;
  Value decoded(reader);
  if (!reader.ok()) return;
  if (field) {
    *field = std::move(decoded);
  } else {
    field = std::make_unique<Value>(std::move(decoded));
  }
}

// Sets an integer field, reusing the value it holds.
template <typename Number>
void setNumber(std::unique_ptr<Number>& field, std::int32_t n) {
  if (field) {
    field->setValue(n);
  } else {
    field = std::make_unique<Number>(n);
  }
}

}  // namespace

SnmpPdu::SnmpPdu(std::uint8_t tag)
    : requestId_(std::make_unique<SnmpInteger>(static_cast<std::int32_t>(std::time(nullptr)))),
      errorStatus_(std::make_unique<SnmpInteger>(0)),
      errorIndex_(std::make_unique<SnmpInteger>(0)),
      tag_(tag) {}

void SnmpPdu::encodeFields(BerCursor& cursor) const {
  encodeIfPresent(requestId_.get(), cursor);
  encodeIfPresent(errorStatus_.get(), cursor);
  encodeIfPresent(errorIndex_.get(), cursor);
}

void SnmpPdu::setRequestId(std::int32_t n) {
  setNumber(requestId_, n);
}
std::int32_t SnmpPdu::requestId() const {
  return numberOf(requestId_);
}
void SnmpPdu::setErrorIndex(std::int32_t n) {
  setNumber(errorIndex_, n);
}
std::int32_t SnmpPdu::errorIndex() const {
  return numberOf(errorIndex_);
}
void SnmpPdu::setErrorStatus(std::int32_t n) {
  setNumber(errorStatus_, n);
}
std::int32_t SnmpPdu::errorStatus() const {
  return numberOf(errorStatus_);
}

std::uint32_t SnmpPdu::fieldsSize() const {
  return sizeOf(requestId_.get()) + sizeOf(errorStatus_.get()) + sizeOf(errorIndex_.get());
}

void SnmpPdu::decodeFields(BerReader& reader) {
  decodeField(reader, wire::kInteger, requestId_);
  decodeField(reader, wire::kInteger, errorStatus_);
  decodeField(reader, wire::kInteger, errorIndex_);
}

void SnmpPdu::makeResponse() {
  tag_ = wire::kGetResponse;
}

GetRequestPdu::GetRequestPdu() : SnmpPdu(wire::kGetRequest) {}
GetNextRequestPdu::GetNextRequestPdu() : SnmpPdu(wire::kGetNextRequest) {}
GetResponsePdu::GetResponsePdu() : SnmpPdu(wire::kGetResponse) {}
SetRequestPdu::SetRequestPdu() : SnmpPdu(wire::kSetRequest) {}

V2TrapPdu::V2TrapPdu() : SnmpPdu(wire::kV2Trap), agentAddress_(0xFFFFFFFF) {
  // The dotted form of the address word, octet by octet in network order.
  const auto* octets = reinterpret_cast<const std::uint8_t*>(&agentAddress_);
  for (int i = 0; i < 4; ++i) {
    if (i > 0) agentAddressText_ += '.';
    agentAddressText_ += std::to_string(octets[i]);
  }
}

std::optional<std::string_view> V2TrapPdu::agentAddressText() const {
  return agentAddressText_;
}

void TrapPdu::encodeFields(BerCursor& cursor) const {
  // RFC 1157 4.1.6 field order, whatever order they were set in.
  encodeIfPresent(enterprise_.get(), cursor);
  encodeIfPresent(agentAddress_.get(), cursor);
  encodeIfPresent(genericTrap_.get(), cursor);
  encodeIfPresent(specificTrap_.get(), cursor);
  encodeIfPresent(timestamp_.get(), cursor);
}

void TrapPdu::setGenericTrap(std::int32_t n) {
  setNumber(genericTrap_, n);
}
std::int32_t TrapPdu::genericTrap() const {
  return numberOf(genericTrap_);
}
void TrapPdu::setSpecificTrap(std::int32_t n) {
  setNumber(specificTrap_, n);
}
std::int32_t TrapPdu::specificTrap() const {
  return numberOf(specificTrap_);
}

void TrapPdu::setTimestamp(std::uint32_t n) {
  setNumber(timestamp_, static_cast<std::int32_t>(n));
}

std::uint32_t TrapPdu::timestamp() const {
  return static_cast<std::uint32_t>(numberOf(timestamp_));
}

void TrapPdu::setAgentAddress(std::string_view dotted) {
  agentAddress_ = std::make_unique<SnmpIpAddress>(dotted);
}

std::optional<std::string_view> TrapPdu::agentAddressText() const {
  if (!agentAddress_) return std::nullopt;
  return agentAddress_->toText();
}

void TrapPdu::setEnterprise(std::string_view dotted) {
  enterprise_ = std::make_unique<SnmpOid>(dotted);
}

std::optional<std::string_view> TrapPdu::enterpriseText() const {
  if (!enterprise_) return std::nullopt;
  return enterprise_->toText();
}

std::uint32_t TrapPdu::fieldsSize() const {
  return sizeOf(enterprise_.get()) + sizeOf(agentAddress_.get()) + sizeOf(genericTrap_.get()) +
         sizeOf(specificTrap_.get()) + sizeOf(timestamp_.get());
}

void TrapPdu::decodeFields(BerReader& reader) {
  decodeField(reader, wire::kObjectIdentifier, enterprise_);
  decodeField(reader, wire::kIpAddress, agentAddress_);
  decodeField(reader, wire::kInteger, genericTrap_);
  decodeField(reader, wire::kInteger, specificTrap_);
  decodeField(reader, wire::kTimeTicks, timestamp_);
}

std::uint8_t TrapPdu::tag() const {
  return wire::kTrap;
}

std::unique_ptr<SnmpPduBase> makePdu(std::uint32_t tag) {
  switch (tag) {
    case wire::kGetRequest:
      return std::make_unique<GetRequestPdu>();
    case wire::kGetNextRequest:
      return std::make_unique<GetNextRequestPdu>();
    case wire::kGetResponse:
      return std::make_unique<GetResponsePdu>();
    case wire::kSetRequest:
      return std::make_unique<SetRequestPdu>();
    case wire::kTrap:
      return std::make_unique<TrapPdu>();
    case wire::kV2Trap:
      return std::make_unique<V2TrapPdu>();
    default:
      return nullptr;
  }
}

}  // namespace cfgsnap::snmp
