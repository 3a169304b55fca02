// TTIQuery: a statement composed as lines of text, with named parameters
// (":NAME"), run on a TTIDatabase. Open fetches the whole result, so the
// record count is exact and the query holds no engine resources afterwards;
// fields read with the runtime's conversions (decimal comma, "dd/mm/yyyy").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/transaction.hpp"
#include "platform/db/values.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/field_type.hpp"
#include "platform/rtl/property.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk {

// The statement's text as a list of lines (Clear, Add, Text).
class SqlLines {
 public:
  explicit SqlLines(std::function<void()> on_change = {}) : on_change_(std::move(on_change)) {}
  SqlLines(const SqlLines&) = delete;
  SqlLines& operator=(const SqlLines&) = delete;

  void Clear();
  // Appends one line (which may itself hold line breaks).
  void Add(std::string_view line);
  int Count() const { return static_cast<int>(lines_.size()); }
  // The line at 0-based `index` (raises EDatabaseError outside the range).
  const std::string& Strings(int index) const;
  const std::string& operator[](int index) const { return Strings(index); }

 private:
  std::string GetText() const;
  void SetText(std::string text);
  void changed();

  std::vector<std::string> lines_;
  std::function<void()> on_change_;

 public:
  // Every line followed by a line feed; setting it splits the text into lines.
  Property<SqlLines, std::string, &SqlLines::GetText, &SqlLines::SetText> Text{this};
};

// A named parameter of a query. Unset parameters bind as NULL.
class TParam {
 public:
  explicit TParam(std::string name) : name_(std::move(name)) {}
  TParam(const TParam&) = delete;
  TParam& operator=(const TParam&) = delete;

  const std::string& Name() const { return name_; }
  // Sets the parameter to NULL.
  void Clear() { value_ = {}; }
  bool IsNull() const { return value_.kind == detail::BoundValue::Kind::null; }
  const detail::BoundValue& bound() const { return value_; }

 private:
  std::string GetAsString() const;
  void SetAsString(std::string v);
  int GetAsInteger() const;
  void SetAsInteger(int v);
  int64_t GetAsLargeInt() const;
  void SetAsLargeInt(int64_t v);
  double GetAsFloat() const;
  void SetAsFloat(double v);
  Currency GetAsCurrency() const;
  void SetAsCurrency(Currency v);
  TDateTime GetAsDate() const;
  void SetAsDate(TDateTime v);
  TDateTime GetAsDateTime() const;
  void SetAsDateTime(TDateTime v);
  bool GetAsBoolean() const;
  void SetAsBoolean(bool v);
  Variant GetValue() const;
  void SetValue(Variant v);

  std::string name_;
  detail::BoundValue value_;

 public:
  Property<TParam, std::string, &TParam::GetAsString, &TParam::SetAsString> AsString{this};
  Property<TParam, int, &TParam::GetAsInteger, &TParam::SetAsInteger> AsInteger{this};
  Property<TParam, int64_t, &TParam::GetAsLargeInt, &TParam::SetAsLargeInt> AsLargeInt{this};
  Property<TParam, double, &TParam::GetAsFloat, &TParam::SetAsFloat> AsFloat{this};
  // Binds exactly, as a NUMERIC with four decimals.
  Property<TParam, Currency, &TParam::GetAsCurrency, &TParam::SetAsCurrency> AsCurrency{this};
  // The date part only.
  Property<TParam, TDateTime, &TParam::GetAsDate, &TParam::SetAsDate> AsDate{this};
  Property<TParam, TDateTime, &TParam::GetAsDateTime, &TParam::SetAsDateTime> AsDateTime{this};
  Property<TParam, bool, &TParam::GetAsBoolean, &TParam::SetAsBoolean> AsBoolean{this};
  // Any value: null and unassigned bind NULL, an array is refused.
  Property<TParam, Variant, &TParam::GetValue, &TParam::SetValue> Value{this};
};

class TTIQuery;

// A column of an open query, read on the current record. Reading an empty
// result gives NULL (which reads as "" or 0).
class TTIField {
 public:
  TTIField(const TTIQuery& query, int index, const detail::ColumnInfo& column);
  TTIField(const TTIField&) = delete;
  TTIField& operator=(const TTIField&) = delete;

  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  // True for BLOB columns (texts and binaries), whose value is read with the rows.
  bool IsBlob() const { return blob_; }
  // Characters of a text column (0 for other types).
  int Size() const { return size_; }
  int Index() const { return index_; }
  bool IsNull() const;

 private:
  const detail::CellValue& cell() const;
  std::string GetAsString() const;
  int GetAsInteger() const;
  int64_t GetAsLargeInt() const;
  double GetAsFloat() const;
  Currency GetAsCurrency() const;
  TDateTime GetAsDateTime() const;
  bool GetAsBoolean() const;
  Variant GetValue() const;

  const TTIQuery& query_;
  int index_;
  std::string name_;
  TFieldType type_;
  bool blob_ = false;
  int size_ = 0;

 public:
  // Text: NULL "", a float with the decimal comma (FloatToStr), a NUMERIC
  // exactly ("12,5"), a date "dd/mm/yyyy", a timestamp with its time when it
  // has one, a Boolean "True"/"False", fixed-length text without its padding.
  ReadOnlyProperty<TTIField, std::string, &TTIField::GetAsString> AsString{this};
  // Integer: NULL 0, numbers rounded half to even, text read as an integer
  // (EConvertError when it is not one, or does not fit).
  ReadOnlyProperty<TTIField, int, &TTIField::GetAsInteger> AsInteger{this};
  ReadOnlyProperty<TTIField, int64_t, &TTIField::GetAsLargeInt> AsLargeInt{this};
  // Float: NULL 0, text read with the decimal comma, a date as its day count.
  ReadOnlyProperty<TTIField, double, &TTIField::GetAsFloat> AsFloat{this};
  // Currency: a NUMERIC with up to four decimals converts exactly.
  ReadOnlyProperty<TTIField, Currency, &TTIField::GetAsCurrency> AsCurrency{this};
  // Date-time: NULL DateNull (0), text read as "dd/mm/yyyy[ hh:nn:ss]".
  ReadOnlyProperty<TTIField, TDateTime, &TTIField::GetAsDateTime> AsDateTime{this};
  // Boolean: text starting with T or Y (any case) is true, numbers not 0.
  ReadOnlyProperty<TTIField, bool, &TTIField::GetAsBoolean> AsBoolean{this};
  // The value with its own type: NULL, integer, float (NUMERIC too), text
  // (BLOB text too), or date-time.
  ReadOnlyProperty<TTIField, Variant, &TTIField::GetValue> Value{this};
  ReadOnlyProperty<TTIField, Variant, &TTIField::GetValue> AsVariant{this};
};

class TTIQuery {
 public:
  // A query with no database yet (SetDatabase before Open).
  TTIQuery();
  explicit TTIQuery(TTIDatabase& database);
  ~TTIQuery();
  TTIQuery(const TTIQuery&) = delete;
  TTIQuery& operator=(const TTIQuery&) = delete;

  void SetDatabase(TTIDatabase& database);
  TTIDatabase* Database() const { return database_; }
  // The transaction to run in; without one, the database's default transaction.
  void SetTransaction(TTITransaction& transaction) { transaction_ = &transaction; }
  TTITransaction* Transaction() const;

  // The statement. Changing it closes the query.
  SqlLines SQL;

  // The parameter named `name` (any case); raises EDatabaseError when the
  // statement has no such parameter.
  TParam& ParamByName(std::string_view name);
  // The parameter named `name`, or nullptr.
  TParam* FindParam(std::string_view name);
  int ParamCount();
  // The parameter at 0-based `index`, in order of first appearance.
  TParam& Params(int index);

  // Runs the statement and fetches every row, positioned on the first; does
  // nothing when the query is already open. Raises EDatabaseError (the query
  // is then closed).
  void Open();
  // Discards the result; the statement and parameters stay.
  void Close();
  bool Active() const { return active_; }
  // Open fetches everything already; kept so that callers read as written.
  void FetchAll() {}

  // Open fetches at most `rows` rows (0, the default: every row), for a
  // look-up that reads its first row only; RecordCount counts those fetched.
  void set_fetch_limit(size_t rows) { fetch_limit_ = rows; }

  // Runs a statement that returns no rows; raises EDatabaseError.
  void ExecSQL();
  // Runs it and says whether it worked; a failure is swallowed, except a
  // stop (cancellation.hpp), which is raised.
  bool TryExecSQL();
  // Rows changed by the last ExecSQL (rows fetched after Open).
  int64_t RowsAffected() const { return rows_affected_; }

  // Runs the statement again with the same parameters and returns to the
  // same record number (the last one when fewer rows come back).
  void Refresh();

  bool IsEmpty() const { return result_.row_count == 0; }
  int RecordCount() const { return static_cast<int>(result_.row_count); }
  void First();
  // Moves to the next record; on the last one it sets Eof and stays.
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // The field named `name` (any case); raises EDatabaseError when the result
  // has no such column or the query is not open.
  TTIField& FieldByName(std::string_view name);
  // The field named `name`, or nullptr.
  TTIField* FindField(std::string_view name);
  TTIField& Fields(int index);

 private:
  friend class TTIField;
  int GetRecNo() const { return result_.row_count == 0 ? 0 : static_cast<int>(current_) + 1; }
  void SetRecNo(int value);
  void sql_changed();
  void prepare_params();
  TTIDatabase& require_database() const;
  void run(bool want_rows);
  const detail::CellValue& cell(int column) const;

  TTIDatabase* database_ = nullptr;
  TTITransaction* transaction_ = nullptr;
  bool params_current_ = false;
  std::string rewritten_sql_;
  std::vector<int> slot_params_;  // parameter index of each positional marker
  std::vector<std::unique_ptr<TParam>> params_;
  bool active_ = false;
  detail::ResultData result_;
  std::vector<std::unique_ptr<TTIField>> fields_;
  size_t current_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  int64_t rows_affected_ = 0;
  size_t fetch_limit_ = 0;

 public:
  // 1-based number of the current record (0 when empty); setting it moves there.
  Property<TTIQuery, int, &TTIQuery::GetRecNo, &TTIQuery::SetRecNo> RecNo{this};
};

}  // namespace zpk
