#include "snmp/var_bind.h"

#include "snmp/wire.h"

namespace cfgsnap::snmp {

namespace {
// An absent value goes on the wire as NULL: 05 00.
constexpr std::uint32_t kNullSize = 2;
}  // namespace

VarBind::VarBind(std::unique_ptr<SnmpValue> name, std::unique_ptr<SnmpValue> value)
    : name_(std::move(name)), value_(std::move(value)) {}

VarBind::~VarBind() {
  // Unlink the chain one binding at a time: letting each binding destroy its
  // successor would recurse once per binding.
  std::unique_ptr<VarBind> rest = std::move(next_);
  while (rest) rest = std::move(rest->next_);
}

std::uint32_t VarBind::contentSize() const {
  return (name_ ? name_->encodedSize() : 0) + (value_ ? value_->encodedSize() : kNullSize);
}

std::uint32_t VarBind::encodedSize() const {
  return tlvSize(contentSize());
}

void VarBind::encode(BerCursor& cursor) const {
  cursor.putOctet(wire::kSequence);
  writeLength(cursor, contentSize());
  if (name_) name_->encode(cursor);
  if (value_) {
    value_->encode(cursor);
  } else {
    cursor.putOctet(wire::kNull);
    cursor.putOctet(0);
  }
}

VarBind* VarBindList::append(std::unique_ptr<VarBind> binding) {
  if (!binding) return nullptr;
  VarBind* const appended = binding.get();
  // The binding brings its own chain along; the new tail is that chain's end.
  VarBind* newTail = appended;
  while (newTail->next_) newTail = newTail->next_.get();
  if (!head_) {
    head_ = std::move(binding);
    tail_ = newTail;
    return appended;
  }
  tail_->next_ = std::move(binding);
  tail_ = newTail;
  return nullptr;
}

std::unique_ptr<VarBind> VarBindList::replaceHead(std::unique_ptr<VarBind> binding) {
  std::unique_ptr<VarBind> previous = std::move(head_);
  head_ = std::move(binding);
  tail_ = head_.get();
  while (tail_ && tail_->next_) tail_ = tail_->next_.get();
  return previous;
}

std::int32_t VarBindList::count() const {
  std::int32_t n = 0;
  for (const VarBind* b = head_.get(); b; b = b->next()) ++n;
  return n;
}

std::uint32_t VarBindList::contentSize() const {
  std::uint32_t size = 0;
  for (const VarBind* b = head_.get(); b; b = b->next()) size += b->encodedSize();
  return size;
}

std::uint32_t VarBindList::encodedSize() const {
  return tlvSize(contentSize());
}

void VarBindList::encode(BerCursor& cursor) const {
  cursor.putOctet(wire::kSequence);
  writeLength(cursor, contentSize());
  for (const VarBind* b = head_.get(); b; b = b->next()) b->encode(cursor);
}

}  // namespace cfgsnap::snmp
