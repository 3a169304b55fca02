#include "platform/db/query.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/db/detail/connection.hpp"
#include "platform/db/detail/engine_handles.hpp"
#include "platform/db/detail/row_decoding.hpp"
#include "platform/db/detail/sql_text.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {

namespace {

using Cell = detail::CellValue;
using Bound = detail::BoundValue;

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y && std::toupper(x) != std::toupper(y)) return false;
  }
  return true;
}

// "1234,5" for 12345 with scale -1: the exact decimal, trailing zeros dropped.
std::string scaled_text(int64_t value, int scale) {
  const bool negative = value < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  if (scale >= 0) {
    if (magnitude != 0) digits.append(static_cast<size_t>(scale), '0');
    return (negative ? "-" : "") + digits;
  }
  const size_t decimals = static_cast<size_t>(-scale);
  if (digits.size() <= decimals) digits.insert(0, decimals - digits.size() + 1, '0');
  std::string whole = digits.substr(0, digits.size() - decimals);
  std::string frac = digits.substr(digits.size() - decimals);
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  std::string text = whole;
  if (!frac.empty()) {
    text += FormatSettings.DecimalSeparator;
    text += frac;
  }
  if (negative && text != "0") text.insert(0, "-");
  return text;
}

// The nearest double to the exact decimal value.
double scaled_double(int64_t value, int scale) {
  if (scale == 0) return static_cast<double>(value);
  std::string text = std::to_string(value) + "e" + std::to_string(scale);
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

Currency scaled_currency(int64_t value, int scale) {
  if (scale == -4) return Currency::FromRaw(value);
  if (scale > -4) {
    int64_t raw = value;
    for (int s = scale; s > -4; --s) raw *= 10;
    return Currency::FromRaw(raw);
  }
  return Currency(scaled_double(value, scale));
}

int checked_int(int64_t v) {
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
    throw EConvertError("'" + std::to_string(v) + "' is not a valid integer value");
  }
  return static_cast<int>(v);
}

Variant bound_as_variant(const Bound& v) {
  switch (v.kind) {
    case Bound::Kind::null:
      return Variant::MakeNull();
    case Bound::Kind::text:
      return Variant(v.s);
    case Bound::Kind::integer:
      return Variant(v.i);
    case Bound::Kind::floating:
      return Variant(v.f);
    case Bound::Kind::date:
    case Bound::Kind::timestamp:
      return Variant(TDateTime(v.f));
    case Bound::Kind::currency:
      return Variant(Currency::FromRaw(v.i).ToDouble());
    case Bound::Kind::boolean:
      return Variant(v.i != 0);
  }
  return {};
}

}  // namespace

// ---------------------------------------------------------------------------
// SqlLines

void SqlLines::changed() {
  if (on_change_) on_change_();
}

void SqlLines::Clear() {
  lines_.clear();
  changed();
}

void SqlLines::Add(std::string_view line) {
  lines_.emplace_back(line);
  changed();
}

const std::string& SqlLines::Strings(int index) const {
  if (index < 0 || index >= Count()) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "list index out of bounds (" + std::to_string(index) + ")");
  }
  return lines_[static_cast<size_t>(index)];
}

std::string SqlLines::GetText() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

void SqlLines::SetText(std::string text) {
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines_.emplace_back(text.substr(start, stop - start));
    start = end + 1;
  }
  changed();
}

// ---------------------------------------------------------------------------
// TParam

std::string TParam::GetAsString() const {
  return bound_as_variant(value_).AsString();
}
void TParam::SetAsString(std::string v) {
  value_ = {};
  value_.kind = Bound::Kind::text;
  value_.s = std::move(v);
}
int TParam::GetAsInteger() const {
  return checked_int(bound_as_variant(value_).AsInteger());
}
void TParam::SetAsInteger(int v) {
  SetAsLargeInt(v);
}
int64_t TParam::GetAsLargeInt() const {
  return bound_as_variant(value_).AsInteger();
}
void TParam::SetAsLargeInt(int64_t v) {
  value_ = {};
  value_.kind = Bound::Kind::integer;
  value_.i = v;
}
double TParam::GetAsFloat() const {
  return bound_as_variant(value_).AsFloat();
}
void TParam::SetAsFloat(double v) {
  value_ = {};
  value_.kind = Bound::Kind::floating;
  value_.f = v;
}
Currency TParam::GetAsCurrency() const {
  if (value_.kind == Bound::Kind::currency) return Currency::FromRaw(value_.i);
  return Currency(GetAsFloat());
}
void TParam::SetAsCurrency(Currency v) {
  value_ = {};
  value_.kind = Bound::Kind::currency;
  value_.i = v.Raw();
}
TDateTime TParam::GetAsDate() const {
  return DateOf(GetAsDateTime());
}
void TParam::SetAsDate(TDateTime v) {
  value_ = {};
  value_.kind = Bound::Kind::date;
  value_.f = v.Value;
}
TDateTime TParam::GetAsDateTime() const {
  return bound_as_variant(value_).AsDateTime();
}
void TParam::SetAsDateTime(TDateTime v) {
  value_ = {};
  value_.kind = Bound::Kind::timestamp;
  value_.f = v.Value;
}
bool TParam::GetAsBoolean() const {
  return bound_as_variant(value_).AsBoolean();
}
void TParam::SetAsBoolean(bool v) {
  value_ = {};
  value_.kind = Bound::Kind::boolean;
  value_.i = v ? 1 : 0;
}
Variant TParam::GetValue() const {
  return bound_as_variant(value_);
}
void TParam::SetValue(Variant v) {
  if (v.IsNull() || v.IsUnassigned()) {
    Clear();
  } else if (v.IsInteger()) {
    SetAsLargeInt(v.AsInteger());
  } else if (v.IsFloat()) {
    SetAsFloat(v.AsFloat());
  } else if (v.IsDateTime()) {
    SetAsDateTime(v.AsDateTime());
  } else if (v.IsText()) {
    SetAsString(v.AsString());
  } else {
    throw EDatabaseError(DatabaseErrorKind::usage, "parameter '" + name_ + "': an array cannot be bound");
  }
}

// ---------------------------------------------------------------------------
// TTIField

TTIField::TTIField(const TTIQuery& query, int index, const detail::ColumnInfo& column)
    : query_(query), index_(index), name_(column.name) {
  const detail::FieldDescription field = detail::describe_field(column);
  type_ = field.type;
  size_ = field.size;
  blob_ = field.blob;
}

const detail::CellValue& TTIField::cell() const {
  return query_.cell(index_);
}

bool TTIField::IsNull() const {
  return cell().kind == Cell::Kind::null;
}

std::string TTIField::GetAsString() const {
  const Cell& c = cell();
  switch (c.kind) {
    case Cell::Kind::null:
      return {};
    case Cell::Kind::integer:
      return c.scale == 0 ? std::to_string(c.i) : scaled_text(c.i, c.scale);
    case Cell::Kind::floating:
      return FloatToStr(c.f);
    case Cell::Kind::text:
    case Cell::Kind::memo:
    case Cell::Kind::blob:
      return c.s;
    case Cell::Kind::date:
      return DateToStr(TDateTime(c.f));
    case Cell::Kind::time:
      return TimeToStr(TDateTime(c.f));
    case Cell::Kind::timestamp:
      return DateTimeToStr(TDateTime(c.f));
    case Cell::Kind::boolean:
      return c.i ? "True" : "False";
  }
  return {};
}

int64_t TTIField::GetAsLargeInt() const {
  const Cell& c = cell();
  switch (c.kind) {
    case Cell::Kind::null:
      return 0;
    case Cell::Kind::integer:
      return c.scale == 0 ? c.i : Round(scaled_double(c.i, c.scale));
    case Cell::Kind::floating:
      return Round(c.f);
    case Cell::Kind::text:
    case Cell::Kind::memo:
    case Cell::Kind::blob:
      return StrToInt64(c.s);
    case Cell::Kind::date:
    case Cell::Kind::time:
    case Cell::Kind::timestamp:
      return Trunc(c.f);
    case Cell::Kind::boolean:
      return c.i;
  }
  return 0;
}

int TTIField::GetAsInteger() const {
  const Cell& c = cell();
  if (c.kind == Cell::Kind::text || c.kind == Cell::Kind::memo) return StrToInt(c.s);
  return checked_int(GetAsLargeInt());
}

double TTIField::GetAsFloat() const {
  const Cell& c = cell();
  switch (c.kind) {
    case Cell::Kind::null:
      return 0;
    case Cell::Kind::integer:
      return scaled_double(c.i, c.scale);
    case Cell::Kind::floating:
    case Cell::Kind::date:
    case Cell::Kind::time:
    case Cell::Kind::timestamp:
      return c.f;
    case Cell::Kind::text:
    case Cell::Kind::memo:
    case Cell::Kind::blob:
      return StrToFloat(c.s);
    case Cell::Kind::boolean:
      return static_cast<double>(c.i);
  }
  return 0;
}

Currency TTIField::GetAsCurrency() const {
  const Cell& c = cell();
  if (c.kind == Cell::Kind::integer) return scaled_currency(c.i, c.scale);
  return Currency(GetAsFloat());
}

TDateTime TTIField::GetAsDateTime() const {
  const Cell& c = cell();
  switch (c.kind) {
    case Cell::Kind::null:
      return DateNull;
    case Cell::Kind::text:
    case Cell::Kind::memo:
      return StrToDateTime(c.s);
    default:
      return TDateTime(GetAsFloat());
  }
}

bool TTIField::GetAsBoolean() const {
  const Cell& c = cell();
  switch (c.kind) {
    case Cell::Kind::null:
      return false;
    case Cell::Kind::text:
    case Cell::Kind::memo: {
      if (c.s.empty()) return false;
      const char first = c.s.front();
      return first == 'T' || first == 't' || first == 'Y' || first == 'y';
    }
    case Cell::Kind::boolean:
    case Cell::Kind::integer:
      return c.i != 0;
    default:
      return GetAsFloat() != 0;
  }
}

Variant TTIField::GetValue() const {
  const Cell& c = cell();
  switch (c.kind) {
    case Cell::Kind::null:
      return Variant::MakeNull();
    case Cell::Kind::integer:
      return c.scale == 0 ? Variant(c.i) : Variant(scaled_double(c.i, c.scale));
    case Cell::Kind::floating:
      return Variant(c.f);
    case Cell::Kind::text:
    case Cell::Kind::memo:
    case Cell::Kind::blob:
      return Variant(c.s);
    case Cell::Kind::date:
    case Cell::Kind::time:
    case Cell::Kind::timestamp:
      return Variant(TDateTime(c.f));
    case Cell::Kind::boolean:
      return Variant(c.i != 0);
  }
  return {};
}

// ---------------------------------------------------------------------------
// TTIQuery

TTIQuery::TTIQuery() : SQL([this] { sql_changed(); }) {}

TTIQuery::TTIQuery(TTIDatabase& database) : TTIQuery() {
  database_ = &database;
}

TTIQuery::~TTIQuery() = default;

void TTIQuery::SetDatabase(TTIDatabase& database) {
  Close();
  database_ = &database;
}

TTITransaction* TTIQuery::Transaction() const {
  if (transaction_) return transaction_;
  return database_ ? &database_->DefaultTransaction() : nullptr;
}

void TTIQuery::sql_changed() {
  Close();
  params_current_ = false;
}

void TTIQuery::prepare_params() {
  if (params_current_) return;
  detail::RewrittenSql rw = detail::rewrite_sql(SQL.Text());
  std::vector<std::unique_ptr<TParam>> old = std::move(params_);
  params_.clear();
  slot_params_.clear();
  for (const std::string& name : rw.slots) {
    int found = -1;
    if (!name.empty()) {
      for (size_t k = 0; k < params_.size(); ++k) {
        if (params_[k]->Name() == name) {
          found = static_cast<int>(k);
          break;
        }
      }
    }
    if (found < 0) {
      // A parameter that survives a change of the text keeps its value.
      std::unique_ptr<TParam> p;
      if (!name.empty()) {
        for (auto& o : old) {
          if (o && o->Name() == name) {
            p = std::move(o);
            break;
          }
        }
      }
      if (!p) p = std::make_unique<TParam>(name);
      params_.push_back(std::move(p));
      found = static_cast<int>(params_.size()) - 1;
    }
    slot_params_.push_back(found);
  }
  rewritten_sql_ = std::move(rw.text);
  params_current_ = true;
}

TParam* TTIQuery::FindParam(std::string_view name) {
  prepare_params();
  for (auto& p : params_) {
    if (same_name(p->Name(), name)) return p.get();
  }
  return nullptr;
}

TParam& TTIQuery::ParamByName(std::string_view name) {
  TParam* p = FindParam(name);
  if (!p) {
    throw EDatabaseError(DatabaseErrorKind::usage, "Parameter '" + std::string(name) + "' not found",
                         SQL.Text());
  }
  return *p;
}

int TTIQuery::ParamCount() {
  prepare_params();
  return static_cast<int>(params_.size());
}

TParam& TTIQuery::Params(int index) {
  prepare_params();
  if (index < 0 || index >= static_cast<int>(params_.size())) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "parameter index out of bounds (" + std::to_string(index) + ")");
  }
  return *params_[static_cast<size_t>(index)];
}

TTIDatabase& TTIQuery::require_database() const {
  if (!database_) throw EDatabaseError(DatabaseErrorKind::usage, "the query has no database", SQL.Text());
  return *database_;
}

void TTIQuery::Close() {
  active_ = false;
  fields_.clear();
  result_ = {};
  current_ = 0;
  eof_ = true;
  bof_ = true;
}

void TTIQuery::run(bool want_rows) {
  Close();
  prepare_params();
  TTIDatabase& db = require_database();
  TTITransaction& tr = transaction_ ? *transaction_ : db.DefaultTransaction();
  std::vector<const detail::BoundValue*> values;
  values.reserve(slot_params_.size());
  for (int k : slot_params_) values.push_back(&params_[static_cast<size_t>(k)]->bound());
  try {
    detail::Connection& conn = db.connection();
    conn.run(tr.engine().handle, rewritten_sql_, values, true, result_, want_rows ? fetch_limit_ : 0);
  } catch (EDatabaseError& e) {
    result_ = {};
    tr.statement_finished(false);
    // A text too long for its parameter is told by the parameter's name,
    // which is its column's in the statements the library writes.
    if (const auto& too_long = e.text_too_long(); too_long && too_long->marker < slot_params_.size()) {
      const std::string& name = params_[static_cast<size_t>(slot_params_[too_long->marker])]->Name();
      if (!name.empty()) throw EDatabaseError(*too_long, name, SQL.Text());
    }
    e.set_statement(SQL.Text());
    throw;
  } catch (...) {
    result_ = {};
    tr.statement_finished(false);
    throw;
  }
  rows_affected_ = result_.rows_affected;
  tr.statement_finished(true);
  if (!want_rows) {
    result_ = {};
    return;
  }
  const size_t ncol = result_.column_count();
  fields_.reserve(ncol);
  for (size_t i = 0; i < ncol; ++i) {
    fields_.push_back(std::make_unique<TTIField>(*this, static_cast<int>(i), (*result_.columns)[i]));
  }
  active_ = true;
  current_ = 0;
  bof_ = true;
  eof_ = result_.row_count == 0;
}

void TTIQuery::Open() {
  if (active_) return;
  run(true);
}

void TTIQuery::ExecSQL() {
  run(false);
}

bool TTIQuery::TryExecSQL() {
  try {
    run(false);
    return true;
  } catch (const EDatabaseError& e) {
    // A stop is not a failed statement the caller may go past.
    if (e.is_cancelled()) throw;
    return false;
  } catch (const EZpkError&) {
    return false;
  }
}

void TTIQuery::Refresh() {
  const int recno = GetRecNo();
  run(true);
  if (recno > 0) SetRecNo(std::min(recno, RecordCount()));
}

void TTIQuery::SetRecNo(int value) {
  if (value < 1 || value > RecordCount()) return;
  current_ = static_cast<size_t>(value - 1);
  bof_ = false;
  eof_ = false;
}

void TTIQuery::First() {
  current_ = 0;
  bof_ = true;
  eof_ = result_.row_count == 0;
}

void TTIQuery::Next() {
  if (current_ + 1 < result_.row_count) {
    ++current_;
    bof_ = false;
  } else {
    eof_ = true;
  }
}

void TTIQuery::Prior() {
  if (current_ > 0) {
    --current_;
    eof_ = false;
  } else {
    bof_ = true;
  }
}

void TTIQuery::Last() {
  current_ = result_.row_count == 0 ? 0 : result_.row_count - 1;
  eof_ = true;
  bof_ = result_.row_count == 0;
}

TTIField* TTIQuery::FindField(std::string_view name) {
  for (auto& f : fields_) {
    if (same_name(f->FieldName(), name)) return f.get();
  }
  return nullptr;
}

TTIField& TTIQuery::FieldByName(std::string_view name) {
  if (!active_) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "the query is not open (field '" + std::string(name) + "')", SQL.Text());
  }
  TTIField* f = FindField(name);
  if (!f)
    throw EDatabaseError(DatabaseErrorKind::usage, "Field '" + std::string(name) + "' not found", SQL.Text());
  return *f;
}

TTIField& TTIQuery::Fields(int index) {
  if (index < 0 || index >= FieldCount()) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "field index out of bounds (" + std::to_string(index) + ")");
  }
  return *fields_[static_cast<size_t>(index)];
}

const detail::CellValue& TTIQuery::cell(int column) const {
  static const detail::CellValue kNull;
  if (result_.row_count == 0) return kNull;
  return result_.cells[current_ * result_.column_count() + static_cast<size_t>(column)];
}

}  // namespace zpk
