#include "platform/db/detail/row_decoding.hpp"

#include <ibase.h>

#include <cstring>
#include <string_view>

#include "platform/db/detail/blob_access.hpp"
#include "platform/db/detail/firebird_api.hpp"
#include "platform/db/detail/time_conversion.hpp"

namespace zpk::detail {

namespace {

// Firebird's number of the OCTETS character set (binary text, never trimmed).
constexpr unsigned kCharsetOctets = 1;

// The value of type T at `p` (the message keeps no alignment promise).
template <class T>
T load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

FieldDescription describe_field(const ColumnInfo& col) {
  FieldDescription f;
  switch (col.sql_type) {
    case SQL_TEXT:
    case SQL_VARYING:
      f.type = ftString;
      f.size = static_cast<int>(col.charset == kCharsetUtf8 ? col.length / 4 : col.length);
      break;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      f.type = col.scale == 0 ? ftInteger : (col.scale >= -4 ? ftCurrency : ftFloat);
      break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      f.type = ftFloat;
      break;
    case SQL_TYPE_DATE:
      f.type = ftDate;
      break;
    case SQL_TYPE_TIME:
      f.type = ftTime;
      break;
    case SQL_TIMESTAMP:
      f.type = ftDateTime;
      break;
    case SQL_BOOLEAN:
      f.type = ftBoolean;
      break;
    case SQL_BLOB:
      f.type = ftMemo;
      f.blob = true;
      break;
    default:
      f.type = ftString;
      break;
  }
  return f;
}

void decode_cell(const ColumnInfo& col, const unsigned char* row, Firebird::IAttachment* attachment,
                 Firebird::ITransaction* transaction, Firebird::IStatus* status, CellValue& cell) {
  using Kind = CellValue::Kind;
  if (load<int16_t>(row + col.null_offset) != 0) {
    cell.kind = Kind::null;
    return;
  }
  const unsigned char* p = row + col.offset;
  switch (col.sql_type) {
    case SQL_TEXT: {
      std::string_view v(reinterpret_cast<const char*>(p), col.length);
      // CHAR columns come padded with blanks to their length; the ERP's
      // screens and comparisons read them without it.
      if (col.charset != kCharsetOctets) {
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
      }
      cell.kind = Kind::text;
      cell.s.assign(v);
      break;
    }
    case SQL_VARYING: {
      const uint16_t len = load<uint16_t>(p);
      cell.kind = Kind::text;
      cell.s.assign(reinterpret_cast<const char*>(p + 2), len);
      break;
    }
    case SQL_SHORT:
      cell.kind = Kind::integer;
      cell.i = load<int16_t>(p);
      cell.scale = static_cast<int8_t>(col.scale);
      break;
    case SQL_LONG:
      cell.kind = Kind::integer;
      cell.i = load<int32_t>(p);
      cell.scale = static_cast<int8_t>(col.scale);
      break;
    case SQL_INT64:
      cell.kind = Kind::integer;
      cell.i = load<int64_t>(p);
      cell.scale = static_cast<int8_t>(col.scale);
      break;
    case SQL_FLOAT:
      cell.kind = Kind::floating;
      cell.f = load<float>(p);
      break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      cell.kind = Kind::floating;
      cell.f = load<double>(p);
      break;
    case SQL_TYPE_DATE:
      cell.kind = Kind::date;
      cell.f = from_isc_date(load<int32_t>(p));
      break;
    case SQL_TYPE_TIME:
      cell.kind = Kind::time;
      cell.f = from_isc_time(load<uint32_t>(p));
      break;
    case SQL_TIMESTAMP: {
      const ISC_TIMESTAMP v = load<ISC_TIMESTAMP>(p);
      cell.kind = Kind::timestamp;
      cell.f = from_isc_timestamp(v.timestamp_date, v.timestamp_time);
      break;
    }
    case SQL_BOOLEAN:
      cell.kind = Kind::boolean;
      cell.i = *p ? 1 : 0;
      break;
    case SQL_BLOB:
      cell.s = read_blob(attachment, transaction, status, load<ISC_QUAD>(p));
      cell.kind = col.sub_type == 1 ? Kind::memo : Kind::blob;
      break;
    case SQL_NULL:
      cell.kind = Kind::null;
      break;
    default:
      // Arrays and types the library never selects read as text of their bytes.
      cell.kind = Kind::text;
      cell.s.assign(reinterpret_cast<const char*>(p), col.length);
      break;
  }
}

}  // namespace zpk::detail
