// var_bind.h: VarBind, one variable binding, and VarBindList, the bindings of
// one PDU in wire order.
//
// A binding owns its name and value; an absent value is NULL on the wire. A
// binding also owns the rest of the chain that follows it, and a list owns
// its chain through the head, so releasing a list (or a chain handed out by
// replaceHead) releases every binding in it. Nothing here fails.
#pragma once

#include <cstdint>
#include <memory>

#include "snmp/ber_encodable.h"
#include "snmp/snmp_value.h"

namespace cfgsnap::snmp {

class VarBind : public BerEncodable {
 public:
  VarBind() = default;
  // Takes both; either may be null.
  VarBind(std::unique_ptr<SnmpValue> name, std::unique_ptr<SnmpValue> value);
  // Releases the name, the value and the chain behind this binding, without
  // recursion however long the chain.
  ~VarBind() override;
  VarBind(const VarBind&) = delete;
  VarBind& operator=(const VarBind&) = delete;

  // The name and value, still owned by the binding; null when absent.
  const SnmpValue* name() const { return name_.get(); }
  const SnmpValue* value() const { return value_.get(); }
  // Install a name or value, releasing the one it replaces.
  void setName(std::unique_ptr<SnmpValue> name) { name_ = std::move(name); }
  void setValue(std::unique_ptr<SnmpValue> value) { value_ = std::move(value); }

  // The following binding of the chain, or null.
  const VarBind* next() const { return next_.get(); }

  // A SEQUENCE of the name (when present) and the value, or NULL 05 00.
  void encode(BerCursor& cursor) const override;
  std::uint32_t encodedSize() const;

 private:
  friend class VarBindList;
  std::uint32_t contentSize() const;

  std::unique_ptr<SnmpValue> name_;
  std::unique_ptr<SnmpValue> value_;
  std::unique_ptr<VarBind> next_;
};

class VarBindList : public BerEncodable {
 public:
  VarBindList() = default;
  VarBindList(const VarBindList&) = delete;
  VarBindList& operator=(const VarBindList&) = delete;

  // Links b, with whatever chain follows it, at the end. Returns b when it
  // became the head, null otherwise (and for a null b, which changes nothing).
  VarBind* append(std::unique_ptr<VarBind> binding);
  // Installs b as the head, leaving b's own chain as it is, and hands back
  // the previous head with its chain, which the list no longer owns.
  std::unique_ptr<VarBind> replaceHead(std::unique_ptr<VarBind> binding);

  // The first binding, still owned by the list; null for an empty list.
  const VarBind* head() const { return head_.get(); }
  // The number of bindings in the chain.
  std::int32_t count() const;

  // A SEQUENCE of every binding, in chain order.
  void encode(BerCursor& cursor) const override;
  std::uint32_t encodedSize() const;

 private:
  std::uint32_t contentSize() const;

  std::unique_ptr<VarBind> head_;
  VarBind* tail_ = nullptr;  // Last binding of the chain, owned through head_.
};

}  // namespace cfgsnap::snmp
