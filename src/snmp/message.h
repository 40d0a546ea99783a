// message.h: SnmpMessageBase, the message interface, and SnmpMessage, the
// SNMPv1 message (RFC 1157 4.1): SEQUENCE { version, community, PDU }.
//
// A message owns its version, community, PDU and binding list; every setter
// that installs one of them releases the one it replaces. Callers read it
// through flat accessors that hide the PDU and the list: a missing PDU
// answers 0, nothing, or 0xFF for pduTag; a binding index outside 1..count
// answers "NULL". Texts returned are owned by the message's values and stay
// valid until that value is replaced or the message destroyed.
//
// encodedSize() is exactly the number of octets encode() writes, and encode()
// leaves the caller's cursor where it was, so a buffer sized with
// encodedSize() is filled from its first octet to its last.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "snmp/ber_encodable.h"
#include "snmp/integer_values.h"
#include "snmp/octet_values.h"
#include "snmp/pdu.h"
#include "snmp/var_bind.h"

namespace cfgsnap::snmp {

// The community every new message holds until it is set.
inline constexpr std::string_view kDefaultCommunity = "harbor";
// What the binding accessors answer for a binding that does not exist.
inline constexpr std::string_view kNullText = "NULL";

class SnmpMessageBase : public BerEncodable {
 public:
  virtual std::uint32_t encodedSize() const = 0;
  // The version number. Throws an int of value 0 when there is no version.
  virtual std::int32_t version() const = 0;
  virtual std::optional<std::string_view> communityText() const = 0;
  virtual std::int32_t bindingCount() const = 0;
  // Texts of binding i, counted from 1.
  virtual std::string_view nameText(std::int32_t i) const = 0;
  virtual std::string_view valueTypeName(std::int32_t i) const = 0;
  virtual std::string_view valueText(std::int32_t i) const = 0;
  virtual std::int32_t requestId() const = 0;
  virtual std::int32_t errorIndex() const = 0;
  virtual std::int32_t errorStatus() const = 0;
  virtual std::int32_t genericTrap() const = 0;
  virtual std::int32_t specificTrap() const = 0;
  virtual std::uint32_t timestamp() const = 0;
  virtual std::optional<std::string_view> agentAddressText() const = 0;
  virtual std::optional<std::string_view> enterpriseText() const = 0;
  virtual std::uint8_t pduTag() const = 0;
  // Puts sysUpTime.0 and snmpTrapOID.0 in front of the bindings of an
  // SNMPv2 trap. The base does nothing.
  virtual void addV2TrapBindings(std::uint32_t /*timestamp*/, std::string_view /*enterprise*/,
                                 std::int32_t /*generic*/, std::int32_t /*specific*/) {}

  std::time_t creationTime() const { return creationTime_; }

 protected:
  SnmpMessageBase() : creationTime_(std::time(nullptr)) {}

 private:
  std::time_t creationTime_;
};

class SnmpMessage : public SnmpMessageBase {
 public:
  // An empty message for the decoder to fill: default community, no version,
  // no PDU, no bindings, PDU type code 0.
  SnmpMessage();
  // A message to send. PDU type codes 0xA0 to 0xA4 and 0xA7 create that PDU;
  // any other code leaves the message without one (the code is still kept).
  SnmpMessage(std::uint32_t pduType, std::int32_t version);
  // The start of a received message, as the decoder has read it: the version
  // (null: none), the community (null: the default community), no PDU, no
  // bindings, PDU type code 0. Same as the empty message with those two set,
  // without building a default community only to replace it.
  SnmpMessage(std::unique_ptr<SnmpInteger> version, std::unique_ptr<SnmpString> community);
  SnmpMessage(const SnmpMessage&) = delete;
  SnmpMessage& operator=(const SnmpMessage&) = delete;

  void encode(BerCursor& cursor) const override;
  std::uint32_t encodedSize() const override;
  std::int32_t version() const override;
  std::optional<std::string_view> communityText() const override;
  std::int32_t bindingCount() const override;
  // A binding that exists but lacks the element asked for also answers "NULL".
  std::string_view nameText(std::int32_t i) const override;
  std::string_view valueTypeName(std::int32_t i) const override;
  std::string_view valueText(std::int32_t i) const override;
  std::int32_t requestId() const override;
  std::int32_t errorIndex() const override;
  std::int32_t errorStatus() const override;
  std::int32_t genericTrap() const override;
  std::int32_t specificTrap() const override;
  std::uint32_t timestamp() const override;
  std::optional<std::string_view> agentAddressText() const override;
  std::optional<std::string_view> enterpriseText() const override;
  std::uint8_t pduTag() const override;
  // Only on a message constructed with PDU type code 0xA7. A generic number
  // outside 0..5 names the trap after the enterprise text (empty if none).
  void addV2TrapBindings(std::uint32_t timestamp, std::string_view enterprise, std::int32_t generic,
                         std::int32_t specific) override;

  // Forwarded to the PDU; without a PDU they do nothing.
  virtual void setRequestId(std::int32_t n);
  virtual void setErrorIndex(std::int32_t n);
  virtual void setErrorStatus(std::int32_t n);
  virtual void setGenericTrap(std::int32_t n);
  virtual void setSpecificTrap(std::int32_t n);
  virtual void setTimestamp(std::uint32_t n);
  virtual void setAgentAddress(std::string_view dotted);
  virtual void setEnterprise(std::string_view dotted);

  // Replaces the community by an OCTET STRING of the text. The community
  // object the message holds is reused; texts it gave out become invalid.
  void setCommunity(std::string_view text);
  void setCommunityValue(std::unique_ptr<SnmpString> community);
  void setVersion(std::unique_ptr<SnmpInteger> version);
  // The PDU, still owned by the message, or null.
  SnmpPduBase* pdu() const { return pdu_.get(); }
  // Replaces the PDU; the PDU type code stays as it was.
  void setPdu(std::unique_ptr<SnmpPduBase> pdu);
  // Appends to the binding list; see VarBindList::append for the result.
  VarBind* appendBinding(std::unique_ptr<VarBind> binding);
  // Binding i counted from 1, or null.
  const VarBind* bindingAt(std::int32_t i) const;
  const VarBindList& bindings() const { return bindings_; }
  std::uint32_t pduType() const { return pduType_; }
  // Octets inside the message SEQUENCE.
  std::uint32_t contentSize() const;

 private:
  // Octets of the version and community elements.
  std::uint32_t headSize() const;
  std::uint32_t pduContentSize() const;

  std::unique_ptr<SnmpString> community_;
  std::unique_ptr<SnmpInteger> version_;
  std::uint32_t pduType_ = 0;
  std::unique_ptr<SnmpPduBase> pdu_;
  VarBindList bindings_;
};

// encodeMessage sizes, allocates once and encodes: the result holds exactly
// message.encodedSize() octets.
std::vector<std::uint8_t> encodeMessage(const SnmpMessage& message);

}  // namespace cfgsnap::snmp
