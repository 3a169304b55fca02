#include "platform/db/detail/firebird_api.hpp"

#include <ibase.h>

#include <string>
#include <vector>

#include "platform/db/database_error.hpp"

namespace zpk::detail {

static_assert(kDialect == SQL_DIALECT_V6);

Firebird::IMaster* master() {
  static Firebird::IMaster* m = Firebird::fb_get_master_interface();
  return m;
}

void raise_status(Firebird::IStatus* status, std::string_view statement) {
  char message[2048] = {0};
  master()->getUtilInterface()->formatStatus(message, sizeof message - 1, status);
  const intptr_t* vector = status->getErrors();
  char sqlstate[8] = {0};
  fb_sqlstate(sqlstate, vector);
  // The codes of the vector, skipping the arguments that follow each one.
  std::vector<int64_t> codes;
  for (const intptr_t* p = vector; *p != isc_arg_end;) {
    const intptr_t type = *p++;
    if (type == isc_arg_gds) {
      codes.push_back(*p++);
    } else if (type == isc_arg_cstring) {
      p += 2;
    } else {
      p += 1;
    }
  }
  std::string text(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  throw EDatabaseError(std::move(text), sqlstate, std::move(codes), std::string(statement));
}

XpbBuilder::XpbBuilder(Firebird::CheckStatusWrapper& status, unsigned kind) {
  xpb_ = master()->getUtilInterface()->getXpbBuilder(&status, kind, nullptr, 0);
  check(status);
}

XpbBuilder::~XpbBuilder() {
  if (xpb_) xpb_->dispose();
}

}  // namespace zpk::detail
