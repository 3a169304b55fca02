// The Firebird OO API as the database layer uses it: the master interface,
// status checks that raise EDatabaseError, and the dialect and character set
// of every attachment. Only the layer's detail sources include it.
#pragma once

#include <firebird/Interface.h>

#include <string_view>

namespace zpk::detail {

// Dialect 3: quoted identifiers, exact NUMERIC, DATE without time.
constexpr unsigned kDialect = 3;
// Firebird's number of the UTF8 character set.
constexpr unsigned kCharsetUtf8 = 4;
// The longest VARCHAR a message can carry, in bytes.
constexpr unsigned kMaxVarchar = 32765;

// The client library's master interface.
Firebird::IMaster* master();

// Raises the EDatabaseError that `status` describes, naming `statement`.
[[noreturn]] void raise_status(Firebird::IStatus* status, std::string_view statement);

// Raises when the last call left an error in `status`.
inline void check(Firebird::CheckStatusWrapper& status, std::string_view statement = {}) {
  if (status.getState() & Firebird::IStatus::STATE_ERRORS) raise_status(&status, statement);
}

// True when the last call left an error in `status`.
inline bool failed(Firebird::CheckStatusWrapper& status) {
  return (status.getState() & Firebird::IStatus::STATE_ERRORS) != 0;
}

// An SQL type as described, without its "nullable" bit.
inline unsigned base_type(unsigned sql_type) {
  return sql_type & ~1u;
}

// A parameter block builder (DPB, TPB), disposed however the scope ends.
class XpbBuilder {
 public:
  XpbBuilder(Firebird::CheckStatusWrapper& status, unsigned kind);
  ~XpbBuilder();
  XpbBuilder(const XpbBuilder&) = delete;
  XpbBuilder& operator=(const XpbBuilder&) = delete;
  Firebird::IXpbBuilder* operator->() const { return xpb_; }

 private:
  Firebird::IXpbBuilder* xpb_ = nullptr;
};

}  // namespace zpk::detail
