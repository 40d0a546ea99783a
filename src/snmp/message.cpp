#include "snmp/message.h"

#include <string>

#include "snmp/check.h"
#include "snmp/wire.h"

namespace cfgsnap::snmp {

namespace {
constexpr std::string_view kSysUpTime = "1.3.6.1.2.1.1.3.0";
constexpr std::string_view kSnmpTrapOid = "1.3.6.1.6.3.1.1.4.1.0";
constexpr std::string_view kGenericTrapPrefix = "1.3.6.1.3.1.1.5.";
}  // namespace

SnmpMessage::SnmpMessage() : community_(std::make_unique<SnmpString>(kDefaultCommunity)) {}

SnmpMessage::SnmpMessage(std::unique_ptr<SnmpInteger> version,
                         std::unique_ptr<SnmpString> community)
    : community_(community ? std::move(community)
                           : std::make_unique<SnmpString>(kDefaultCommunity)),
      version_(std::move(version)) {}

SnmpMessage::SnmpMessage(std::uint32_t pduType, std::int32_t version)
    : community_(std::make_unique<SnmpString>(kDefaultCommunity)),
      version_(std::make_unique<SnmpInteger>(version)),
      pduType_(pduType),
      pdu_(makePdu(pduType)) {}

std::uint32_t SnmpMessage::pduContentSize() const {
  return pdu_->fieldsSize() + bindings_.encodedSize();
}

std::uint32_t SnmpMessage::headSize() const {
  return (version_ ? version_->encodedSize() : 0) + (community_ ? community_->encodedSize() : 0);
}

std::uint32_t SnmpMessage::contentSize() const {
  return headSize() + (pdu_ ? tlvSize(pduContentSize()) : 0);
}

std::uint32_t SnmpMessage::encodedSize() const {
  return tlvSize(contentSize());
}

void SnmpMessage::encode(BerCursor& cursor) const {
  // The message writes through a copy: the caller's cursor stays at the start
  // of the buffer it is about to send. The sizes are summed once, up front,
  // rather than asked for again at each step.
  BerCursor out = cursor;
  const std::size_t before = out.remaining();
  const std::uint32_t pduContent = pdu_ ? pduContentSize() : 0;
  const std::uint32_t content = headSize() + (pdu_ ? tlvSize(pduContent) : 0);
  out.putOctet(wire::kSequence);
  writeLength(out, content);
  if (version_) version_->encode(out);
  if (community_) community_->encode(out);
  if (pdu_) {
    out.putOctet(pdu_->tag());
    writeLength(out, pduContent);
    pdu_->encodeFields(out);
    bindings_.encode(out);
  }
  CFGSNAP_CHECK(before - out.remaining() == tlvSize(content));
}

std::int32_t SnmpMessage::version() const {
  if (!version_) throw 0;
  return version_->getValue();
}

std::optional<std::string_view> SnmpMessage::communityText() const {
  if (!community_) return std::nullopt;
  return community_->toText();
}

std::int32_t SnmpMessage::bindingCount() const {
  return bindings_.count();
}

const VarBind* SnmpMessage::bindingAt(std::int32_t i) const {
  if (i <= 0) return nullptr;
  const VarBind* binding = bindings_.head();
  while (binding && --i > 0) binding = binding->next();
  return binding;
}

std::string_view SnmpMessage::nameText(std::int32_t i) const {
  const VarBind* binding = bindingAt(i);
  if (!binding || !binding->name()) return kNullText;
  return binding->name()->toText();
}

std::string_view SnmpMessage::valueTypeName(std::int32_t i) const {
  const VarBind* binding = bindingAt(i);
  if (!binding || !binding->value()) return kNullText;
  return binding->value()->typeName();
}

std::string_view SnmpMessage::valueText(std::int32_t i) const {
  const VarBind* binding = bindingAt(i);
  if (!binding || !binding->value()) return kNullText;
  return binding->value()->toText();
}

std::int32_t SnmpMessage::requestId() const {
  return pdu_ ? pdu_->requestId() : 0;
}
std::int32_t SnmpMessage::errorIndex() const {
  return pdu_ ? pdu_->errorIndex() : 0;
}
std::int32_t SnmpMessage::errorStatus() const {
  return pdu_ ? pdu_->errorStatus() : 0;
}
std::int32_t SnmpMessage::genericTrap() const {
  return pdu_ ? pdu_->genericTrap() : 0;
}
std::int32_t SnmpMessage::specificTrap() const {
  return pdu_ ? pdu_->specificTrap() : 0;
}
std::uint32_t SnmpMessage::timestamp() const {
  return pdu_ ? pdu_->timestamp() : 0;
}

std::optional<std::string_view> SnmpMessage::agentAddressText() const {
  return pdu_ ? pdu_->agentAddressText() : std::nullopt;
}

std::optional<std::string_view> SnmpMessage::enterpriseText() const {
  return pdu_ ? pdu_->enterpriseText() : std::nullopt;
}

std::uint8_t SnmpMessage::pduTag() const {
  return pdu_ ? pdu_->tag() : wire::kNoPduTag;
}

void SnmpMessage::addV2TrapBindings(std::uint32_t timestamp, std::string_view enterprise,
                                    std::int32_t generic, std::int32_t specific) {
  if (pduType_ != wire::kV2Trap) return;
  auto upTime = std::make_unique<VarBind>(
      std::make_unique<SnmpOid>(kSysUpTime),
      std::make_unique<SnmpTimeTicks>(static_cast<std::int32_t>(timestamp)));
  // Generic traps map to (generic + 1) under this system's generic-trap
  // prefix, which is not RFC 1907's snmpTraps (1.3.6.1.6.3.1.1.5); managers
  // that expect the latter will not recognise them. Enterprise-specific traps
  // map to enterprise.0.specific as RFC 2576 3.1 has it.
  std::string trapOid;
  if (generic >= 0 && generic <= 5) {
    trapOid = std::string(kGenericTrapPrefix) + std::to_string(generic + 1);
  } else {
    trapOid = std::string(enterprise) + ".0." + std::to_string(specific);
  }
  auto trap = std::make_unique<VarBind>(std::make_unique<SnmpOid>(kSnmpTrapOid),
                                        std::make_unique<SnmpOid>(trapOid));
  std::unique_ptr<VarBind> previous = bindings_.replaceHead(std::move(upTime));
  bindings_.append(std::move(trap));
  bindings_.append(std::move(previous));
}

void SnmpMessage::setRequestId(std::int32_t n) {
  if (pdu_) pdu_->setRequestId(n);
}
void SnmpMessage::setErrorIndex(std::int32_t n) {
  if (pdu_) pdu_->setErrorIndex(n);
}
void SnmpMessage::setErrorStatus(std::int32_t n) {
  if (pdu_) pdu_->setErrorStatus(n);
}
void SnmpMessage::setGenericTrap(std::int32_t n) {
  if (pdu_) pdu_->setGenericTrap(n);
}
void SnmpMessage::setSpecificTrap(std::int32_t n) {
  if (pdu_) pdu_->setSpecificTrap(n);
}
void SnmpMessage::setTimestamp(std::uint32_t n) {
  if (pdu_) pdu_->setTimestamp(n);
}
void SnmpMessage::setAgentAddress(std::string_view dotted) {
  if (pdu_) pdu_->setAgentAddress(dotted);
}
void SnmpMessage::setEnterprise(std::string_view dotted) {
  if (pdu_) pdu_->setEnterprise(dotted);
}

void SnmpMessage::setCommunity(std::string_view text) {
  // Every message starts with a community: reusing that object saves the
  // tool a block on every request.
  if (community_) {
    community_->assignText(text);
  } else {
    community_ = std::make_unique<SnmpString>(text);
  }
}

void SnmpMessage::setCommunityValue(std::unique_ptr<SnmpString> community) {
  community_ = std::move(community);
}

void SnmpMessage::setVersion(std::unique_ptr<SnmpInteger> version) {
  version_ = std::move(version);
}

void SnmpMessage::setPdu(std::unique_ptr<SnmpPduBase> pdu) {
  pdu_ = std::move(pdu);
}

VarBind* SnmpMessage::appendBinding(std::unique_ptr<VarBind> binding) {
  return bindings_.append(std::move(binding));
}

std::vector<std::uint8_t> encodeMessage(const SnmpMessage& message) {
  std::vector<std::uint8_t> buffer(message.encodedSize());
  BerCursor cursor(buffer);
  message.encode(cursor);
  return buffer;
}

}  // namespace cfgsnap::snmp
