#include "platform/db/detail/parameter_encoding.hpp"

#include <ibase.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/db/database_error.hpp"
#include "platform/db/detail/blob_access.hpp"
#include "platform/db/detail/firebird_api.hpp"
#include "platform/db/detail/text_length.hpp"
#include "platform/db/detail/time_conversion.hpp"

namespace zpk::detail {

namespace {

using Kind = BoundValue::Kind;

// Text parameters are described with a length of 64 bytes doubled as often as
// needed (capped at the VARCHAR maximum), so that few input formats exist.
int text_bucket_index(size_t bytes) {
  int index = 0;
  for (size_t b = 64; b < bytes && b < kMaxVarchar; b *= 2) ++index;
  return index;
}

unsigned text_bucket_bytes(int index) {
  size_t b = 64;
  for (int k = 0; k < index; ++k) b *= 2;
  return static_cast<unsigned>(std::min<size_t>(b, kMaxVarchar));
}

// A text goes as a blob where the statement takes one, or where no VARCHAR holds it.
bool as_blob(const CachedStatement& cs, unsigned i, const BoundValue& v) {
  return cs.in_types[i] == SQL_BLOB || v.s.size() > kMaxVarchar;
}

// The layout key of `values`: one letter per kind (text with its length bucket).
std::string kind_signature(const CachedStatement& cs, const std::vector<const BoundValue*>& values) {
  std::string sig;
  sig.reserve(cs.in_count * 3);
  for (unsigned i = 0; i < cs.in_count; ++i) {
    const BoundValue& v = *values[i];
    switch (v.kind) {
      case Kind::null:
        sig += 'N';
        break;
      case Kind::text:
        if (as_blob(cs, i, v)) {
          sig += 'L';
        } else {
          sig += 'T';
          sig += static_cast<char>('A' + text_bucket_index(v.s.size()));
        }
        break;
      case Kind::integer:
        sig += 'I';
        break;
      case Kind::floating:
        sig += 'F';
        break;
      case Kind::date:
        sig += 'D';
        break;
      case Kind::timestamp:
        sig += 'S';
        break;
      case Kind::currency:
        sig += 'C';
        break;
      case Kind::boolean:
        sig += 'B';
        break;
    }
    sig += ',';
  }
  return sig;
}

// Describes the input message of signature `sig` to the engine.
InputFormat build_format(const CachedStatement& cs, const std::string& sig, Firebird::IStatus* status,
                         std::string_view sql) {
  Firebird::CheckStatusWrapper st(status);
  Firebird::IMetadataBuilder* b = cs.in_meta->getBuilder(&st);
  check(st, sql);
  size_t pos = 0;
  for (unsigned i = 0; i < cs.in_count; ++i) {
    const char code = sig[pos];
    const size_t comma = sig.find(',', pos);
    const char arg = comma > pos + 1 ? sig[pos + 1] : 'A';
    pos = comma + 1;
    switch (code) {
      case 'N':
        b->setType(&st, i, cs.in_types[i] | 1);
        break;
      case 'T':
        b->setType(&st, i, SQL_VARYING | 1);
        b->setLength(&st, i, text_bucket_bytes(arg - 'A'));
        b->setCharSet(&st, i, kCharsetUtf8);
        b->setScale(&st, i, 0);
        break;
      case 'L':
        b->setType(&st, i, SQL_BLOB | 1);
        b->setSubType(&st, i, 1);
        b->setCharSet(&st, i, kCharsetUtf8);
        b->setLength(&st, i, sizeof(ISC_QUAD));
        b->setScale(&st, i, 0);
        break;
      case 'I':
        b->setType(&st, i, SQL_INT64 | 1);
        b->setLength(&st, i, sizeof(int64_t));
        b->setScale(&st, i, 0);
        break;
      case 'C':
        b->setType(&st, i, SQL_INT64 | 1);
        b->setLength(&st, i, sizeof(int64_t));
        b->setScale(&st, i, -4);
        break;
      case 'F':
        b->setType(&st, i, SQL_DOUBLE | 1);
        b->setLength(&st, i, sizeof(double));
        b->setScale(&st, i, 0);
        break;
      case 'D':
        b->setType(&st, i, SQL_TYPE_DATE | 1);
        b->setLength(&st, i, sizeof(ISC_DATE));
        b->setScale(&st, i, 0);
        break;
      case 'S':
        b->setType(&st, i, SQL_TIMESTAMP | 1);
        b->setLength(&st, i, sizeof(ISC_TIMESTAMP));
        b->setScale(&st, i, 0);
        break;
      case 'B':
        b->setType(&st, i, SQL_BOOLEAN | 1);
        b->setLength(&st, i, 1);
        b->setScale(&st, i, 0);
        break;
    }
  }
  InputFormat f;
  f.meta = b->getMetadata(&st);
  b->release();
  check(st, sql);
  f.length = f.meta->getMessageLength(&st);
  for (unsigned i = 0; i < cs.in_count; ++i) {
    f.offsets.push_back(f.meta->getOffset(&st, i));
    f.null_offsets.push_back(f.meta->getNullOffset(&st, i));
  }
  check(st, sql);
  return f;
}

// Bytes per character of the character sets a text parameter may be described with.
unsigned bytes_per_char(unsigned charset) {
  switch (charset) {
    case 0:  // NONE
    case 1:  // OCTETS
    case 2:  // ASCII
      return 1;
    case 3:  // UNICODE_FSS
      return 3;
    case 4:  // UTF8
      return 4;
    default:
      return 0;
  }
}

// The length of a text as a column of `per_char` bytes per character counts
// it: trailing blanks left out, since the engine drops those rather than
// refuse them.
size_t column_length(std::string_view s, unsigned per_char) {
  return per_char == 1 ? without_trailing_blanks(s).size() : column_characters(s);
}

// Refuses a text longer than the parameter it is bound to takes, before
// anything is sent: the engine's own error counts bytes of what it already
// cut ("expected length 100, actual 400" for ten thousand characters), while
// the column's size is in characters. A text never has more characters than
// bytes, so only one longer in bytes than the limit in characters is counted.
void check_text_lengths(const CachedStatement& cs, const std::vector<const BoundValue*>& values,
                        std::string_view sql) {
  for (unsigned i = 0; i < cs.in_count; ++i) {
    const BoundValue& v = *values[i];
    if (v.kind != Kind::text || (cs.in_types[i] != SQL_TEXT && cs.in_types[i] != SQL_VARYING)) continue;
    const unsigned per_char = bytes_per_char(cs.in_charsets[i]);
    if (per_char == 0) continue;
    const size_t limit = cs.in_lengths[i] / per_char;
    if (v.s.size() <= limit) continue;
    const size_t characters = column_length(v.s, per_char);
    if (characters <= limit) continue;
    throw text_too_long(i, characters, limit, sql);
  }
}

}  // namespace

Firebird::IMessageMetadata* encode_parameters(CachedStatement& cs, Firebird::IAttachment* attachment,
                                              Firebird::ITransaction* transaction, Firebird::IStatus* status,
                                              const std::vector<const BoundValue*>& values,
                                              std::string_view sql) {
  std::vector<unsigned char>& in_buffer = cs.in_buffer;
  in_buffer.clear();
  if (cs.in_count == 0) return nullptr;
  check_text_lengths(cs, values, sql);
  const std::string sig = kind_signature(cs, values);
  auto it = cs.formats.find(sig);
  if (it == cs.formats.end()) it = cs.formats.emplace(sig, build_format(cs, sig, status, sql)).first;
  const InputFormat& format = it->second;
  in_buffer.assign(format.length, 0);
  for (unsigned i = 0; i < cs.in_count; ++i) {
    const BoundValue& v = *values[i];
    unsigned char* p = in_buffer.data() + format.offsets[i];
    int16_t null_flag = 0;
    switch (v.kind) {
      case Kind::null:
        null_flag = -1;
        break;
      case Kind::text:
        if (as_blob(cs, i, v)) {
          const ISC_QUAD id = write_blob(attachment, transaction, status, v.s, sql);
          std::memcpy(p, &id, sizeof id);
        } else {
          const uint16_t len = static_cast<uint16_t>(v.s.size());
          std::memcpy(p, &len, sizeof len);
          std::memcpy(p + 2, v.s.data(), v.s.size());
        }
        break;
      case Kind::integer:
      case Kind::currency:
        std::memcpy(p, &v.i, sizeof v.i);
        break;
      case Kind::floating:
        std::memcpy(p, &v.f, sizeof v.f);
        break;
      case Kind::date: {
        const int32_t d = to_isc_date(v.f);
        std::memcpy(p, &d, sizeof d);
        break;
      }
      case Kind::timestamp: {
        ISC_TIMESTAMP ts;
        int32_t d;
        uint32_t t;
        to_isc_timestamp(v.f, d, t);
        ts.timestamp_date = d;
        ts.timestamp_time = t;
        std::memcpy(p, &ts, sizeof ts);
        break;
      }
      case Kind::boolean:
        *p = v.i ? FB_TRUE : FB_FALSE;
        break;
    }
    std::memcpy(in_buffer.data() + format.null_offsets[i], &null_flag, sizeof null_flag);
  }
  return format.meta;
}

bool literals_fit(const CachedStatement& cs, const std::vector<std::string>& values) {
  if (cs.in_count != values.size()) return false;
  for (size_t i = 0; i < values.size(); ++i) {
    switch (cs.in_types[i]) {
      case SQL_TEXT:
      case SQL_VARYING: {
        // A literal longer than what the compared expression can hold simply
        // does not match; bound, it would fail with a truncation error.
        const unsigned per_char = bytes_per_char(cs.in_charsets[i]);
        if (per_char == 0) return false;
        std::string_view v = values[i];
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
        if (utf8_length(v) > cs.in_lengths[i] / per_char) return false;
        if (per_char == 1 && v.size() > cs.in_lengths[i]) return false;
        break;
      }
      case SQL_TYPE_DATE:
      case SQL_TIMESTAMP:
      case SQL_TYPE_TIME:
        // The engine reads the text as a date in both forms.
        break;
      default:
        // Numbers, Booleans and blobs compare with text by rules of their own.
        return false;
    }
  }
  return true;
}

}  // namespace zpk::detail
