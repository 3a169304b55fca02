// Values as they cross the engine boundary: what a parameter binds and what a
// fetched column holds, before the query layer's conversions apply. Public
// because queries hold them by value; nothing here names the engine's types.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zpk::detail {

// A parameter's value as set by the caller.
struct BoundValue {
  enum class Kind : uint8_t { null, text, integer, floating, date, timestamp, currency, boolean };
  Kind kind = Kind::null;
  int64_t i = 0;  // integer, boolean, currency (raw, four decimals)
  double f = 0;   // floating, date and timestamp (TDateTime days)
  std::string s;  // text
};

// One fetched value.
struct CellValue {
  enum class Kind : uint8_t { null, integer, floating, text, date, time, timestamp, boolean, memo, blob };
  Kind kind = Kind::null;
  int8_t scale = 0;  // integer: the value is i * 10^scale (NUMERIC/DECIMAL)
  int64_t i = 0;
  double f = 0;   // floating; date/time/timestamp as TDateTime days
  std::string s;  // text, memo and blob contents
};

// What the engine says about a result column.
struct ColumnInfo {
  std::string name;       // alias, as the query's field name
  std::string relation;   // table of the column, when it comes from one
  unsigned sql_type = 0;  // Firebird SQL_* type, nullable bit cleared
  int scale = 0;
  unsigned length = 0;  // bytes in the message
  unsigned sub_type = 0;
  unsigned charset = 0;
  unsigned offset = 0;
  unsigned null_offset = 0;
};

// The whole result of a statement: rows are stored flat, row-major.
struct ResultData {
  std::shared_ptr<const std::vector<ColumnInfo>> columns;  // shared with the prepared statement
  std::vector<CellValue> cells;
  size_t row_count = 0;
  int64_t rows_affected = 0;

  size_t column_count() const { return columns ? columns->size() : 0; }
};

}  // namespace zpk::detail
