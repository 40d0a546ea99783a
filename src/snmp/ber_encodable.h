// ber_encodable.h: BerEncodable, the root of every class that writes itself
// in BER.
//
// encode() writes the object at the cursor and advances the cursor past what
// it wrote; the one exception is the whole message, which leaves its caller's
// cursor where it was. Objects are owned through std::unique_ptr and released
// through the virtual destructor.
#pragma once

#include "snmp/ber.h"

namespace cfgsnap::snmp {

class BerEncodable {
 public:
  virtual ~BerEncodable() = default;
  virtual void encode(BerCursor& cursor) const = 0;

 protected:
  BerEncodable() = default;
  BerEncodable(const BerEncodable&) = default;
  BerEncodable& operator=(const BerEncodable&) = default;
};

}  // namespace cfgsnap::snmp
