// pdu.h: the PDUs. SnmpPduBase is the interface every PDU is used through;
// SnmpPdu implements the request and response kinds (RFC 1157 4.1.2 to
// 4.1.5, and the SNMPv2 trap, which has the same fields), and TrapPdu the
// SNMPv1 trap (RFC 1157 4.1.6).
//
// A PDU encodes and decodes its own fields only: the message writes the PDU
// tag and length and carries the binding list. Accessors of fields that a kind
// does not have answer 0 or nothing, and their setters do nothing. A PDU owns
// its field values. decodeFields reports failure through the reader.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "snmp/ber_encodable.h"
#include "snmp/integer_values.h"
#include "snmp/octet_values.h"

namespace cfgsnap::snmp {

class SnmpPduBase : public BerEncodable {
 public:
  // A PDU's encoding is its fields.
  void encode(BerCursor& cursor) const final { encodeFields(cursor); }
  virtual void encodeFields(BerCursor& cursor) const = 0;

  virtual void setRequestId(std::int32_t) {}
  virtual std::int32_t requestId() const { return 0; }
  virtual void setErrorIndex(std::int32_t) {}
  virtual std::int32_t errorIndex() const { return 0; }
  virtual void setErrorStatus(std::int32_t) {}
  virtual std::int32_t errorStatus() const { return 0; }
  virtual void setGenericTrap(std::int32_t) {}
  virtual std::int32_t genericTrap() const { return 0; }
  virtual void setSpecificTrap(std::int32_t) {}
  virtual std::int32_t specificTrap() const { return 0; }
  virtual void setTimestamp(std::uint32_t) {}
  virtual std::uint32_t timestamp() const { return 0; }
  virtual void setAgentAddress(std::string_view) {}
  // Dotted text owned by the PDU, or nothing.
  virtual std::optional<std::string_view> agentAddressText() const { return std::nullopt; }
  virtual void setEnterprise(std::string_view) {}
  virtual std::optional<std::string_view> enterpriseText() const { return std::nullopt; }

  // The exact number of octets encodeFields writes.
  virtual std::uint32_t fieldsSize() const = 0;
  // Reads the fields in wire order from just after the PDU length. A field
  // whose tag does not match keeps what it held, and only its identifier
  // octets are consumed. Reads past the data leave the reader failed.
  virtual void decodeFields(BerReader& reader) = 0;
  virtual std::uint8_t tag() const = 0;
};

// SnmpPdu: request-id, error-status and error-index, each an SnmpInteger.
// The request-id starts as the clock in seconds, the other two as 0.
class SnmpPdu : public SnmpPduBase {
 public:
  void encodeFields(BerCursor& cursor) const override;
  void setRequestId(std::int32_t n) override;
  std::int32_t requestId() const override;
  void setErrorIndex(std::int32_t n) override;
  std::int32_t errorIndex() const override;
  void setErrorStatus(std::int32_t n) override;
  std::int32_t errorStatus() const override;
  std::uint32_t fieldsSize() const override;
  void decodeFields(BerReader& reader) override;
  std::uint8_t tag() const override { return tag_; }

  // Turns the PDU into a GetResponse; the fields stay as they are.
  virtual void makeResponse();

 protected:
  explicit SnmpPdu(std::uint8_t tag);

 private:
  std::unique_ptr<SnmpInteger> requestId_;
  std::unique_ptr<SnmpInteger> errorStatus_;
  std::unique_ptr<SnmpInteger> errorIndex_;
  std::uint8_t tag_;
};

class GetRequestPdu : public SnmpPdu {
 public:
  GetRequestPdu();
};

class GetNextRequestPdu : public SnmpPdu {
 public:
  GetNextRequestPdu();
};

class GetResponsePdu : public SnmpPdu {
 public:
  GetResponsePdu();
};

class SetRequestPdu : public SnmpPdu {
 public:
  SetRequestPdu();
};

// V2TrapPdu: the request fields plus an IPv4 agent address word that is
// always all ones, so its agent address text is always 255.255.255.255.
class V2TrapPdu : public SnmpPdu {
 public:
  V2TrapPdu();
  std::optional<std::string_view> agentAddressText() const override;

 private:
  std::uint32_t agentAddress_;  // Network byte order.
  std::string agentAddressText_;
};

// TrapPdu: enterprise, agent address, generic-trap, specific-trap and
// time-stamp, every one absent until set or decoded; absent fields are
// skipped when encoding. Its tag is always 0xA4.
class TrapPdu : public SnmpPduBase {
 public:
  TrapPdu() = default;
  void encodeFields(BerCursor& cursor) const override;
  void setGenericTrap(std::int32_t n) override;
  std::int32_t genericTrap() const override;
  void setSpecificTrap(std::int32_t n) override;
  std::int32_t specificTrap() const override;
  void setTimestamp(std::uint32_t n) override;
  std::uint32_t timestamp() const override;
  void setAgentAddress(std::string_view dotted) override;
  std::optional<std::string_view> agentAddressText() const override;
  void setEnterprise(std::string_view dotted) override;
  std::optional<std::string_view> enterpriseText() const override;
  std::uint32_t fieldsSize() const override;
  void decodeFields(BerReader& reader) override;
  std::uint8_t tag() const override;

 private:
  std::unique_ptr<SnmpInteger> genericTrap_;
  std::unique_ptr<SnmpInteger> specificTrap_;
  std::unique_ptr<SnmpTimeTicks> timestamp_;
  std::unique_ptr<SnmpOid> enterprise_;
  std::unique_ptr<SnmpIpAddress> agentAddress_;
};

// makePdu creates the PDU kind for a tag octet: 0xA0 to 0xA4 and 0xA7.
// Any other tag, 0xA5 and 0xA6 included, gives null.
std::unique_ptr<SnmpPduBase> makePdu(std::uint32_t tag);

}  // namespace cfgsnap::snmp
