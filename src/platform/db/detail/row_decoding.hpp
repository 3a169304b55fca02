// Fetched rows out of the engine's output message: each column's bytes become
// a CellValue (numbers with their scale, dates as TDateTime days, fixed-length
// text without its padding, BLOB contents read whole), and each column's
// engine type the field type the query layer shows.
#pragma once

#include "platform/db/values.hpp"
#include "platform/rtl/field_type.hpp"

namespace Firebird {
class IAttachment;
class IStatus;
class ITransaction;
}  // namespace Firebird

namespace zpk::detail {

// A result column as a field: its type, its size in characters (text only)
// and whether its value is a BLOB's contents.
struct FieldDescription {
  TFieldType type = ftString;
  int size = 0;
  bool blob = false;
};

// The field that shows column `col`: integers with decimals are Currency up to
// four of them (NUMERIC(18,4) amounts) and Float beyond.
FieldDescription describe_field(const ColumnInfo& col);

// Decodes column `col` of the output message `row` into `cell`; a BLOB column
// is read through `attachment` in `transaction`. Raises EDatabaseError.
void decode_cell(const ColumnInfo& col, const unsigned char* row, Firebird::IAttachment* attachment,
                 Firebird::ITransaction* transaction, Firebird::IStatus* status, CellValue& cell);

}  // namespace zpk::detail
