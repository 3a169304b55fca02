#include "platform/db/detail/connection.hpp"

#include <firebird/Interface.h>
#include <ibase.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/db/database_error.hpp"
#include "platform/db/detail/sql_text.hpp"

namespace zpk::detail {

using Firebird::CheckStatusWrapper;
using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::IResultSet;
using Firebird::IStatement;
using Firebird::IStatus;
using Firebird::ITransaction;
using Firebird::IXpbBuilder;

namespace {

Firebird::IMaster* master() {
  static Firebird::IMaster* m = Firebird::fb_get_master_interface();
  return m;
}

constexpr unsigned kDialect = SQL_DIALECT_V6;
constexpr unsigned kCharsetUtf8 = 4;
constexpr unsigned kMaxVarchar = 32765;
constexpr int32_t kIscDateOf18991230 = 15018;     // days from 1858-11-17 to 1899-12-30
constexpr double kTimeUnitsPerDay = 864000000.0;  // ISC_TIME counts 1/10000 s

// Builds an EDatabaseError from an engine status vector.
[[noreturn]] void raise_status(IStatus* status, std::string_view statement) {
  char message[2048] = {0};
  master()->getUtilInterface()->formatStatus(message, sizeof message - 1, status);
  const intptr_t* vector = status->getErrors();
  char sqlstate[8] = {0};
  fb_sqlstate(sqlstate, vector);
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

void check(CheckStatusWrapper& st, std::string_view statement = {}) {
  if (st.getState() & IStatus::STATE_ERRORS) raise_status(&st, statement);
}

// The XPB builder is an engine object: release it however the scope ends.
struct XpbHolder {
  IXpbBuilder* xpb = nullptr;
  ~XpbHolder() {
    if (xpb) xpb->dispose();
  }
};

unsigned base_type(unsigned t) {
  return t & ~1u;
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

size_t utf8_length(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

// ---------------------------------------------------------------------------
// Dates

int32_t to_isc_date(double days) {
  int32_t date = 0;
  uint32_t time = 0;
  to_isc_timestamp(days, date, time);
  return date;
}

uint32_t to_isc_time(double days) {
  int32_t date = 0;
  uint32_t time = 0;
  to_isc_timestamp(days, date, time);
  return time;
}

void to_isc_timestamp(double days, int32_t& date, uint32_t& time) {
  // The original's convention: the whole part is the day (negative before
  // 1899-12-30), the fraction's magnitude is the time of that day.
  double whole = std::trunc(days);
  int64_t units = std::llround(std::fabs(days - whole) * kTimeUnitsPerDay);
  if (units >= static_cast<int64_t>(kTimeUnitsPerDay)) {
    units -= static_cast<int64_t>(kTimeUnitsPerDay);
    whole += 1;
  }
  date = static_cast<int32_t>(whole) + kIscDateOf18991230;
  time = static_cast<uint32_t>(units);
}

double from_isc_date(int32_t date) {
  return static_cast<double>(date - kIscDateOf18991230);
}

double from_isc_time(uint32_t time) {
  return time / kTimeUnitsPerDay;
}

double from_isc_timestamp(int32_t date, uint32_t time) {
  const double day = from_isc_date(date);
  const double frac = from_isc_time(time);
  return day < 0 ? day - frac : day + frac;
}

// ---------------------------------------------------------------------------
// Prepared statements

// An input message layout for one combination of parameter kinds.
struct InputFormat {
  IMessageMetadata* meta = nullptr;
  unsigned length = 0;
  std::vector<unsigned> offsets;
  std::vector<unsigned> null_offsets;
};

struct CachedStatement {
  IStatement* stmt = nullptr;
  unsigned type = 0;
  bool has_cursor = false;
  IMessageMetadata* in_meta = nullptr;
  unsigned in_count = 0;
  std::vector<unsigned> in_types;  // described types, nullable bit cleared
  std::vector<unsigned> in_lengths;
  std::vector<unsigned> in_charsets;
  IMessageMetadata* out_meta = nullptr;
  unsigned out_length = 0;
  std::shared_ptr<std::vector<ColumnInfo>> columns = std::make_shared<std::vector<ColumnInfo>>();
  // Message buffers, reused: an attachment runs one statement at a time.
  std::vector<unsigned char> in_buffer;
  std::vector<unsigned char> row;
  std::unordered_map<std::string, InputFormat> formats;  // by kind signature
  IStatus* status = nullptr;                             // the connection's, for clean-up

  ~CachedStatement() {
    for (auto& [sig, f] : formats) {
      if (f.meta) f.meta->release();
    }
    if (in_meta) in_meta->release();
    if (out_meta) out_meta->release();
    if (stmt) {
      CheckStatusWrapper st(status);
      stmt->free(&st);
      if (st.getState() & IStatus::STATE_ERRORS) stmt->release();
    }
  }
};

std::unique_ptr<Connection> Connection::open(const ConnectSettings& settings, const CreateSettings* create) {
  std::unique_ptr<Connection> c(new Connection());
  c->status_ = master()->getStatus();
  CheckStatusWrapper st(c->status_);
  XpbHolder dpb;
  dpb.xpb = master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
  check(st);
  dpb.xpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
  if (!settings.user.empty()) dpb.xpb->insertString(&st, isc_dpb_user_name, settings.user.c_str());
  if (!settings.password.empty()) dpb.xpb->insertString(&st, isc_dpb_password, settings.password.c_str());
  if (create) {
    dpb.xpb->insertInt(&st, isc_dpb_page_size, create->page_size);
    dpb.xpb->insertInt(&st, isc_dpb_sql_dialect, static_cast<int>(kDialect));
    dpb.xpb->insertString(&st, isc_dpb_set_db_charset, "UTF8");
    dpb.xpb->insertInt(&st, isc_dpb_force_write, create->forced_writes ? 1 : 0);
  }
  check(st);
  Firebird::IProvider* provider = master()->getDispatcher();
  const unsigned char* buffer = dpb.xpb->getBuffer(&st);
  const unsigned length = dpb.xpb->getBufferLength(&st);
  if (create) {
    c->attachment_ = provider->createDatabase(&st, settings.location.c_str(), length, buffer);
  } else {
    c->attachment_ = provider->attachDatabase(&st, settings.location.c_str(), length, buffer);
  }
  const bool failed = st.getState() & IStatus::STATE_ERRORS;
  provider->release();
  if (failed) {
    try {
      raise_status(c->status_, {});
    } catch (const EDatabaseError& e) {
      // A location that cannot be opened is a connection failure whatever the engine's code.
      EDatabaseError failure(DatabaseErrorKind::connection, e, e.message());
      failure.set_statement(settings.location);
      throw failure;
    }
  }
  return c;
}

Connection::~Connection() {
  clear_statement_cache();
  if (attachment_) {
    CheckStatusWrapper st(status_);
    attachment_->detach(&st);
    if (st.getState() & IStatus::STATE_ERRORS) attachment_->release();
    attachment_ = nullptr;
  }
  if (status_) status_->dispose();
}

void Connection::drop_database() {
  clear_statement_cache();
  CheckStatusWrapper st(status_);
  attachment_->dropDatabase(&st);
  check(st);
  attachment_ = nullptr;
}

ITransaction* Connection::start_transaction(const TransactionSettings& settings) {
  CheckStatusWrapper st(status_);
  XpbHolder tpb;
  tpb.xpb = master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0);
  check(st);
  tpb.xpb->insertTag(&st, settings.read_only ? isc_tpb_read : isc_tpb_write);
  tpb.xpb->insertTag(&st, isc_tpb_read_committed);
  tpb.xpb->insertTag(&st, isc_tpb_rec_version);
  tpb.xpb->insertTag(&st, isc_tpb_wait);
  if (settings.lock_timeout > 0) tpb.xpb->insertInt(&st, isc_tpb_lock_timeout, settings.lock_timeout);
  check(st);
  ITransaction* t =
      attachment_->startTransaction(&st, tpb.xpb->getBufferLength(&st), tpb.xpb->getBuffer(&st));
  check(st);
  return t;
}

void Connection::commit(ITransaction*& transaction) {
  if (!transaction) return;
  CheckStatusWrapper st(status_);
  transaction->commit(&st);
  check(st);
  transaction = nullptr;
}

void Connection::rollback(ITransaction*& transaction) noexcept {
  if (!transaction) return;
  CheckStatusWrapper st(status_);
  transaction->rollback(&st);
  if (st.getState() & IStatus::STATE_ERRORS) transaction->release();
  transaction = nullptr;
}

void Connection::execute_immediate(ITransaction* transaction, std::string_view sql) {
  if (is_ddl_statement(sql)) clear_statement_cache();
  CheckStatusWrapper st(status_);
  attachment_->execute(&st, transaction, static_cast<unsigned>(sql.size()), sql.data(), kDialect, nullptr,
                       nullptr, nullptr, nullptr);
  check(st, sql);
}

void Connection::clear_statement_cache() noexcept {
  index_.clear();
  lru_.clear();
  rejected_shapes_.clear();
}

std::shared_ptr<CachedStatement> Connection::find(std::string_view sql) {
  auto it = index_.find(sql);
  if (it == index_.end()) return nullptr;
  if (it->second != lru_.begin()) lru_.splice(lru_.begin(), lru_, it->second);
  return it->second->second;
}

std::shared_ptr<CachedStatement> Connection::prepare(ITransaction* transaction, std::string_view sql,
                                                     bool cache) {
  auto cs = std::make_shared<CachedStatement>();
  cs->status = status_;
  CheckStatusWrapper st(status_);
  cs->stmt = attachment_->prepare(&st, transaction, static_cast<unsigned>(sql.size()), sql.data(), kDialect,
                                  IStatement::PREPARE_PREFETCH_METADATA);
  check(st, sql);
  cs->type = cs->stmt->getType(&st);
  cs->has_cursor = (cs->stmt->getFlags(&st) & IStatement::FLAG_HAS_CURSOR) != 0;
  cs->in_meta = cs->stmt->getInputMetadata(&st);
  check(st, sql);
  cs->in_count = cs->in_meta->getCount(&st);
  for (unsigned i = 0; i < cs->in_count; ++i) {
    cs->in_types.push_back(base_type(cs->in_meta->getType(&st, i)));
    cs->in_lengths.push_back(cs->in_meta->getLength(&st, i));
    cs->in_charsets.push_back(cs->in_meta->getCharSet(&st, i));
  }
  cs->out_meta = cs->stmt->getOutputMetadata(&st);
  check(st, sql);
  const unsigned out_count = cs->out_meta->getCount(&st);
  cs->out_length = cs->out_meta->getMessageLength(&st);
  std::vector<std::string> seen;
  for (unsigned i = 0; i < out_count; ++i) {
    ColumnInfo col;
    col.name = cs->out_meta->getAlias(&st, i);
    if (col.name.empty()) col.name = cs->out_meta->getField(&st, i);
    col.relation = cs->out_meta->getRelation(&st, i);
    col.sql_type = base_type(cs->out_meta->getType(&st, i));
    col.scale = cs->out_meta->getScale(&st, i);
    col.length = cs->out_meta->getLength(&st, i);
    col.sub_type = static_cast<unsigned>(cs->out_meta->getSubType(&st, i));
    col.charset = cs->out_meta->getCharSet(&st, i);
    col.offset = cs->out_meta->getOffset(&st, i);
    col.null_offset = cs->out_meta->getNullOffset(&st, i);
    // Repeated names get a counter, as the original's datasets do ("NOME_1").
    std::string base = col.name;
    int n = 0;
    while (std::find(seen.begin(), seen.end(), col.name) != seen.end())
      col.name = base + "_" + std::to_string(++n);
    seen.push_back(col.name);
    cs->columns->push_back(std::move(col));
  }
  check(st, sql);
  if (cache && cs->type != isc_info_sql_stmt_ddl) {
    lru_.emplace_front(std::string(sql), cs);
    index_.emplace(lru_.front().first, lru_.begin());
    while (lru_.size() > cache_capacity && cache_capacity > 0) {
      index_.erase(lru_.back().first);
      lru_.pop_back();
    }
  }
  return cs;
}

bool Connection::literals_fit(const CachedStatement& cs, const std::vector<std::string>& values) const {
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

void Connection::run(ITransaction* transaction, std::string_view sql,
                     const std::vector<const BoundValue*>& values, bool literal_binding, ResultData& out) {
  if (literal_binding && auto_parameterize && values.empty()) {
    LiteralShape shape;
    if (lift_compared_literals(sql, shape) && !rejected_shapes_.count(shape.text)) {
      std::shared_ptr<CachedStatement> cs = find(shape.text);
      if (!cs) {
        try {
          cs = prepare(transaction, shape.text, true);
        } catch (const EDatabaseError&) {
          // Not every position takes a marker; the literal text is prepared below.
          if (rejected_shapes_.size() > 1000) rejected_shapes_.clear();
          rejected_shapes_.insert(shape.text);
        }
      }
      if (cs && literals_fit(*cs, shape.values)) {
        std::vector<BoundValue> bound(shape.values.size());
        std::vector<const BoundValue*> ptrs;
        for (size_t i = 0; i < bound.size(); ++i) {
          bound[i].kind = BoundValue::Kind::text;
          bound[i].s = std::move(shape.values[i]);
          ptrs.push_back(&bound[i]);
        }
        execute(*cs, transaction, ptrs, sql, out);
        return;
      }
    }
  }
  const bool ddl = is_ddl_statement(sql);
  if (ddl) clear_statement_cache();
  std::shared_ptr<CachedStatement> cs = ddl ? nullptr : find(sql);
  if (!cs) cs = prepare(transaction, sql, !ddl);
  execute(*cs, transaction, values, sql, out);
}

namespace {

// Decodes one column of a fetched row.
void decode(const ColumnInfo& col, const unsigned char* row, Firebird::IAttachment* att, ITransaction* tra,
            IStatus* status, CellValue& cell) {
  using Kind = CellValue::Kind;
  if (*reinterpret_cast<const int16_t*>(row + col.null_offset) != 0) {
    cell.kind = Kind::null;
    return;
  }
  const unsigned char* p = row + col.offset;
  switch (col.sql_type) {
    case SQL_TEXT: {
      std::string_view v(reinterpret_cast<const char*>(p), col.length);
      // Fixed-length text comes padded with blanks; the original trims them.
      if (col.charset != 1) {
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
      }
      cell.kind = Kind::text;
      cell.s.assign(v);
      break;
    }
    case SQL_VARYING: {
      uint16_t len = 0;
      std::memcpy(&len, p, sizeof len);
      cell.kind = Kind::text;
      cell.s.assign(reinterpret_cast<const char*>(p + 2), len);
      break;
    }
    case SQL_SHORT: {
      int16_t v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::integer;
      cell.i = v;
      cell.scale = static_cast<int8_t>(col.scale);
      break;
    }
    case SQL_LONG: {
      int32_t v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::integer;
      cell.i = v;
      cell.scale = static_cast<int8_t>(col.scale);
      break;
    }
    case SQL_INT64: {
      int64_t v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::integer;
      cell.i = v;
      cell.scale = static_cast<int8_t>(col.scale);
      break;
    }
    case SQL_FLOAT: {
      float v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::floating;
      cell.f = v;
      break;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      double v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::floating;
      cell.f = v;
      break;
    }
    case SQL_TYPE_DATE: {
      int32_t v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::date;
      cell.f = from_isc_date(v);
      break;
    }
    case SQL_TYPE_TIME: {
      uint32_t v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::time;
      cell.f = from_isc_time(v);
      break;
    }
    case SQL_TIMESTAMP: {
      ISC_TIMESTAMP v;
      std::memcpy(&v, p, sizeof v);
      cell.kind = Kind::timestamp;
      cell.f = from_isc_timestamp(v.timestamp_date, v.timestamp_time);
      break;
    }
    case SQL_BOOLEAN:
      cell.kind = Kind::boolean;
      cell.i = *p ? 1 : 0;
      break;
    case SQL_BLOB: {
      ISC_QUAD id;
      std::memcpy(&id, p, sizeof id);
      CheckStatusWrapper st(status);
      Firebird::IBlob* blob = att->openBlob(&st, tra, &id, 0, nullptr);
      check(st);
      std::string data;
      char buffer[32768];
      for (;;) {
        unsigned got = 0;
        const int r = blob->getSegment(&st, sizeof buffer, buffer, &got);
        if (r == IStatus::RESULT_OK || r == IStatus::RESULT_SEGMENT) {
          data.append(buffer, got);
          continue;
        }
        if (r == IStatus::RESULT_NO_DATA) break;
        blob->release();
        check(st);
      }
      blob->close(&st);
      if (st.getState() & IStatus::STATE_ERRORS) blob->release();
      cell.kind = col.sub_type == 1 ? Kind::memo : Kind::blob;
      cell.s = std::move(data);
      break;
    }
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

}  // namespace

void Connection::execute(CachedStatement& cs, ITransaction* transaction,
                         const std::vector<const BoundValue*>& values, std::string_view sql,
                         ResultData& out) {
  using Kind = BoundValue::Kind;
  if (values.size() != cs.in_count) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "the statement takes " + std::to_string(cs.in_count) + " parameters, " +
                             std::to_string(values.size()) + " were given",
                         std::string(sql));
  }
  CheckStatusWrapper st(status_);

  // The input message is described by the values' own types; the engine
  // converts them to the statement's types as it would convert literals.
  IMessageMetadata* in_meta = nullptr;
  const InputFormat* format = nullptr;
  std::vector<unsigned char>& in_buffer = cs.in_buffer;
  in_buffer.clear();
  if (cs.in_count > 0) {
    std::string sig;
    sig.reserve(cs.in_count * 3);
    for (unsigned i = 0; i < cs.in_count; ++i) {
      const BoundValue& v = *values[i];
      switch (v.kind) {
        case Kind::null:
          sig += 'N';
          break;
        case Kind::text:
          if (cs.in_types[i] == SQL_BLOB || v.s.size() > kMaxVarchar) {
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
    auto it = cs.formats.find(sig);
    if (it == cs.formats.end()) {
      IMetadataBuilder* b = cs.in_meta->getBuilder(&st);
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
      it = cs.formats.emplace(sig, std::move(f)).first;
    }
    format = &it->second;
    in_meta = format->meta;
    cs.in_buffer.assign(format->length, 0);
    for (unsigned i = 0; i < cs.in_count; ++i) {
      const BoundValue& v = *values[i];
      unsigned char* p = in_buffer.data() + format->offsets[i];
      int16_t null_flag = 0;
      switch (v.kind) {
        case Kind::null:
          null_flag = -1;
          break;
        case Kind::text:
          if (cs.in_types[i] == SQL_BLOB || v.s.size() > kMaxVarchar) {
            ISC_QUAD id;
            Firebird::IBlob* blob = attachment_->createBlob(&st, transaction, &id, 0, nullptr);
            check(st, sql);
            for (size_t done = 0; done < v.s.size();) {
              const unsigned chunk = static_cast<unsigned>(std::min<size_t>(v.s.size() - done, 32768));
              blob->putSegment(&st, chunk, v.s.data() + done);
              if (st.getState() & IStatus::STATE_ERRORS) {
                blob->release();
                check(st, sql);
              }
              done += chunk;
            }
            blob->close(&st);
            if (st.getState() & IStatus::STATE_ERRORS) {
              blob->release();
              check(st, sql);
            }
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
      std::memcpy(in_buffer.data() + format->null_offsets[i], &null_flag, sizeof null_flag);
    }
  }

  out.columns = cs.columns;
  out.cells.clear();
  out.row_count = 0;
  out.rows_affected = 0;
  std::vector<unsigned char>& row = cs.row;
  row.resize(cs.out_length);
  const std::vector<ColumnInfo>& columns = *cs.columns;
  const size_t ncol = columns.size();
  if (cs.has_cursor) {
    IResultSet* rs = cs.stmt->openCursor(&st, transaction, in_meta,
                                         in_buffer.empty() ? nullptr : in_buffer.data(), cs.out_meta, 0);
    check(st, sql);
    try {
      for (;;) {
        const int r = rs->fetchNext(&st, row.data());
        if (r != IStatus::RESULT_OK) {
          if (r == IStatus::RESULT_ERROR || (st.getState() & IStatus::STATE_ERRORS)) check(st, sql);
          break;
        }
        out.cells.resize(out.cells.size() + ncol);
        CellValue* cells = out.cells.data() + out.row_count * ncol;
        for (size_t c = 0; c < ncol; ++c)
          decode(columns[c], row.data(), attachment_, transaction, status_, cells[c]);
        ++out.row_count;
      }
    } catch (...) {
      rs->release();
      throw;
    }
    rs->close(&st);
    if (st.getState() & IStatus::STATE_ERRORS) {
      rs->release();
      check(st, sql);
    }
    out.rows_affected = static_cast<int64_t>(out.row_count);
  } else {
    cs.stmt->execute(&st, transaction, in_meta, in_buffer.empty() ? nullptr : in_buffer.data(),
                     ncol > 0 ? cs.out_meta : nullptr, ncol > 0 ? row.data() : nullptr);
    check(st, sql);
    if (ncol > 0) {
      // EXECUTE PROCEDURE and RETURNING give one row.
      out.cells.resize(ncol);
      for (size_t c = 0; c < ncol; ++c)
        decode(columns[c], row.data(), attachment_, transaction, status_, out.cells[c]);
      out.row_count = 1;
    }
    out.rows_affected = static_cast<int64_t>(cs.stmt->getAffectedRecords(&st));
    if (st.getState() & IStatus::STATE_ERRORS) out.rows_affected = 0;
  }
}

}  // namespace zpk::detail
