// Fetched rows out of the engine's output message: each column's bytes become
// a CellValue (numbers with their scale, dates as TDateTime days, fixed-length
// text without its padding, BLOB contents read whole).
#pragma once

#include "platform/db/detail/firebird_api.hpp"
#include "platform/db/detail/values.hpp"

namespace zpk::detail {

// Decodes column `col` of the output message `row` into `cell`; a BLOB column
// is read through `attachment` in `transaction`. Raises EDatabaseError.
void decode_cell(const ColumnInfo& col, const unsigned char* row, Firebird::IAttachment* attachment,
                 Firebird::ITransaction* transaction, Firebird::IStatus* status, CellValue& cell);

}  // namespace zpk::detail
