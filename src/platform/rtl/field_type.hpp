// TFieldType: the data type of a field, with the runtime's names. The
// in-memory dataset and the query layer describe their fields with it, so a
// routine can copy a query's fields into a dataset by type.
#pragma once

namespace zpk {

enum class TFieldType {
  ftString,
  ftInteger,
  ftFloat,
  ftCurrency,
  ftBoolean,
  ftDate,
  ftTime,
  ftDateTime,
  ftMemo
};
using enum TFieldType;

}  // namespace zpk
