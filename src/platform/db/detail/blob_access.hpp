// BLOB contents in and out of the engine: a fetched BLOB column holds only the
// blob's id, read here in segments; a long text parameter is written here as a
// new blob whose id is bound in its place.
#pragma once

#include <string>
#include <string_view>

#include "platform/db/detail/firebird_api.hpp"

namespace zpk::detail {

// The whole contents of the blob `id`; raises EDatabaseError.
std::string read_blob(Firebird::IAttachment* attachment, Firebird::ITransaction* transaction,
                      Firebird::IStatus* status, const ISC_QUAD& id);

// Writes `data` as a new blob in `transaction` and returns its id; raises
// EDatabaseError naming `statement`.
ISC_QUAD write_blob(Firebird::IAttachment* attachment, Firebird::ITransaction* transaction,
                    Firebird::IStatus* status, std::string_view data, std::string_view statement);

}  // namespace zpk::detail
