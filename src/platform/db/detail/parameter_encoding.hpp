// Parameter values into the engine's input message. The message is described
// by the values' own types (text, integer, float, date...), and the engine
// converts them to the statement's types as it would convert literals; one
// layout is built per combination of kinds and kept with the statement.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/detail/statement_cache.hpp"
#include "platform/db/values.hpp"

namespace zpk::detail {

// Fills `cs.in_buffer` with `values` (one per marker) and returns the layout
// that describes it (nullptr for a statement without parameters). Long texts
// and texts for BLOB parameters are written as blobs first. Raises
// EDatabaseError naming `sql`.
Firebird::IMessageMetadata* encode_parameters(CachedStatement& cs, Firebird::IAttachment* attachment,
                                              Firebird::ITransaction* transaction, Firebird::IStatus* status,
                                              const std::vector<const BoundValue*>& values,
                                              std::string_view sql);

// Whether string literals lifted out of a statement can be bound to its
// markers without changing its result: each marker compares text or a date,
// and each literal fits the text it is compared with (a longer one matches
// nothing as a literal, but would fail as a bound value).
bool literals_fit(const CachedStatement& cs, const std::vector<std::string>& values);

}  // namespace zpk::detail
