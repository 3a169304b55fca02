// TClientDataSet: the small in-memory dataset the business routines fill and
// walk (import buffers, requirement lists, accounting work areas): typed
// fields, append/insert/edit/post, navigation, locate, a filter on field
// values and an index order. Values are zpk::Variant; the field accessors
// convert with the runtime's rules (decimal comma, "dd/mm/yyyy" dates).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/field_type.hpp"
#include "platform/rtl/property.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk {

// A dataset used the wrong way: a missing field, a write outside Edit or
// Insert, a closed dataset, a filter that does not parse.
class EDataSetError : public EZpkError {
 public:
  using EZpkError::EZpkError;
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
using enum TDataSetState;

// Options of Locate, combined with "|": loCaseInsensitive | loPartialKey.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftString;
  int Size = 0;  // characters of a string field; 0: unlimited
  bool Required = false;
};

// The field definitions a dataset is created from.
class TFieldDefs {
 public:
  // Adds a definition and returns it.
  TFieldDef& Add(const std::string& Name, TFieldType DataType, int Size = 0, bool Required = false);
  void Clear() { defs_.clear(); }
  int Count() const { return static_cast<int>(defs_.size()); }
  // The definition at 0-based `index` (raises EDataSetError outside the range).
  const TFieldDef& Items(int index) const;
  // 0-based position of the definition named `name` (any case), or -1.
  int IndexOf(std::string_view name) const;

 private:
  std::vector<TFieldDef> defs_;
};

class TClientDataSet;

// A field of the current record. Reading an empty dataset gives null; writing
// needs the dataset in Edit or Insert state.
class TField {
 public:
  TField(TClientDataSet& dataset, int index, TFieldDef def);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return def_.Name; }
  TFieldType DataType() const { return def_.DataType; }
  int Size() const { return def_.Size; }
  int Index() const { return index_; }
  bool Required() const { return def_.Required; }

  bool IsNull() const;
  // Sets the field to null.
  void Clear();

 private:
  std::string GetAsString() const;
  void SetAsString(std::string value);
  int GetAsInteger() const;
  void SetAsInteger(int value);
  double GetAsFloat() const;
  void SetAsFloat(double value);
  Currency GetAsCurrency() const;
  void SetAsCurrency(Currency value);
  TDateTime GetAsDateTime() const;
  void SetAsDateTime(TDateTime value);
  bool GetAsBoolean() const;
  void SetAsBoolean(bool value);
  Variant GetValue() const;
  void SetValue(Variant value);

  const Variant& stored() const;
  // Converts a value to the field's type (raising EConvertError when it does
  // not read as one) and stores it in the record being edited.
  void store(const Variant& value);

  TClientDataSet& dataset_;
  int index_;
  TFieldDef def_;

 public:
  // Text: null reads "", numbers with the decimal comma, dates "dd/mm/yyyy",
  // Booleans "True"/"False". Setting "" makes the field null.
  Property<TField, std::string, &TField::GetAsString, &TField::SetAsString> AsString{this};
  // Numbers: null reads 0; text is read with the decimal comma.
  Property<TField, int, &TField::GetAsInteger, &TField::SetAsInteger> AsInteger{this};
  Property<TField, double, &TField::GetAsFloat, &TField::SetAsFloat> AsFloat{this};
  // The number as a four-decimal amount.
  Property<TField, Currency, &TField::GetAsCurrency, &TField::SetAsCurrency> AsCurrency{this};
  Property<TField, TDateTime, &TField::GetAsDateTime, &TField::SetAsDateTime> AsDateTime{this};
  Property<TField, bool, &TField::GetAsBoolean, &TField::SetAsBoolean> AsBoolean{this};
  // The stored value as it is (null when empty).
  Property<TField, Variant, &TField::GetValue, &TField::SetValue> Value{this};
};

namespace detail {
class FilterExpression;
}

class TClientDataSet {
 public:
  explicit TClientDataSet(std::string name = "");
  ~TClientDataSet();
  TClientDataSet(const TClientDataSet&) = delete;
  TClientDataSet& operator=(const TClientDataSet&) = delete;

  const std::string& Name() const { return name_; }

  // The definitions CreateDataSet builds the fields from.
  TFieldDefs FieldDefs;

  // Creates the fields from FieldDefs and opens the dataset empty; raises
  // EDataSetError when it is already open, or without definitions.
  void CreateDataSet();
  // Closes the dataset, discarding its records and fields (the definitions stay).
  void Close();
  bool Active() const { return state_ != dsInactive; }
  TDataSetState State() const { return state_; }

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // The field at 0-based `index`; raises EDataSetError outside the range.
  TField& Fields(int index);
  // The field named `name` (any case); raises EDataSetError when there is none.
  TField& FieldByName(std::string_view name);
  // The field named `name`, or nullptr.
  TField* FindField(std::string_view name);

  // Starts a new record at the end (Append) or before the current one
  // (Insert); a pending edit is posted first.
  void Append();
  void Insert();
  // Starts editing the current record (on an empty dataset: a new record).
  void Edit();
  // Stores the record being edited or inserted; nothing in browse state.
  void Post();
  // Discards the record being edited or inserted.
  void Cancel();
  // Deletes the current record (cancels an insert); raises on an empty dataset.
  void Delete();
  // Appends and posts a record with the values of the first fields, in order.
  void AppendRecord(const std::vector<Variant>& values);
  // Deletes every record, filtered or not.
  void EmptyDataSet();

  // Navigation over the visible records (filter applied, index order); each
  // posts a pending edit first. Next on the last record sets Eof, Prior on the
  // first sets Bof.
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }

  // Visible records.
  int RecordCount() const;
  bool IsEmpty() const;

  // Moves to the first visible record whose fields `KeyFields` ("A;B") equal
  // `KeyValues` (one value, or an array with one value per field); false and
  // no move when none does. loCaseInsensitive and loPartialKey (the field
  // starts with the value) apply to text fields.
  bool Locate(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options = 0);

  // Defines the index Name over the fields Fields ("A;B"), ascending except
  // those also named in DescFields, which run from the greatest value down;
  // IndexName selects it. Raises EDataSetError for an unknown field once used.
  void AddIndex(const std::string& Name, const std::string& Fields, const std::string& DescFields = "");

  // Called after each record is posted (also a post that navigation makes);
  // a handler may edit and post again.
  std::function<void(TClientDataSet&)> AfterPost;

  // Controls are not bound in this library; kept so that callers read as written.
  void DisableControls() { ++controls_disabled_; }
  void EnableControls() {
    if (controls_disabled_ > 0) --controls_disabled_;
  }
  bool ControlsDisabled() const { return controls_disabled_ > 0; }

 private:
  friend class TField;
  struct Record {
    uint64_t id;
    std::vector<Variant> values;
  };

  int GetRecNo() const;
  void SetRecNo(int value);
  std::string GetFilter() const { return filter_; }
  void SetFilter(std::string value);
  bool GetFiltered() const { return filtered_; }
  void SetFiltered(bool value);
  std::string GetIndexFieldNames() const { return index_field_names_; }
  void SetIndexFieldNames(std::string value);
  std::string GetIndexName() const { return index_name_; }
  void SetIndexName(std::string value);
  // Applies an index order (fields and descending fields) keeping the current record.
  void apply_index(std::string fields, std::string desc_fields);

  [[noreturn]] void fail(std::string_view message) const;
  void check_active() const;
  // Posts a pending edit or insert (what navigation does first).
  void check_browse_mode();
  const Variant& field_value(int index) const;
  void set_field_value(int index, Variant value);
  bool visible(const Record& record) const;
  bool index_less(const Record* a, const Record* b) const;
  // Rebuilds the visible records from scratch (filter or index changed).
  void rebuild_view();
  // Puts a posted record at its place among the visible records; returns its
  // position there, or -1 when the filter hides it.
  int place(Record* record, bool appended);
  void compile_filter();
  void compile_index();
  std::vector<int> field_list(std::string_view names);

 public:
  // Current record's 1-based position among the visible ones (0 when empty,
  // -1 while inserting); setting it moves there.
  Property<TClientDataSet, int, &TClientDataSet::GetRecNo, &TClientDataSet::SetRecNo> RecNo{this};
  // Filter text, such as "NUMERO = '000123'" or "QTDE > 0 AND TIPO <> 'S'":
  // comparisons (=, <>, <, <=, >, >=, IS [NOT] NULL) of a field with a literal,
  // joined by AND, OR, NOT and parentheses. Applies while Filtered is true;
  // changing either moves to the first record.
  Property<TClientDataSet, std::string, &TClientDataSet::GetFilter, &TClientDataSet::SetFilter> Filter{this};
  Property<TClientDataSet, bool, &TClientDataSet::GetFiltered, &TClientDataSet::SetFiltered> Filtered{this};
  // Fields ("A;B") the records are ordered by, ascending (empty: the order
  // they were added in). Text is ordered alphabetically regardless of case
  // and accents, nulls first.
  Property<TClientDataSet, std::string, &TClientDataSet::GetIndexFieldNames,
           &TClientDataSet::SetIndexFieldNames>
      IndexFieldNames{this};
  // Name of an index defined with AddIndex that orders the records (empty:
  // IndexFieldNames orders them); setting IndexFieldNames clears it.
  Property<TClientDataSet, std::string, &TClientDataSet::GetIndexName, &TClientDataSet::SetIndexName>
      IndexName{this};

 private:
  std::string name_;
  TDataSetState state_ = dsInactive;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<std::unique_ptr<Record>> records_;  // in the order they were added
  std::vector<Record*> view_;                     // visible records, in index order
  int cursor_ = 0;                                // position in view_
  bool bof_ = true;
  bool eof_ = true;
  std::vector<Variant> buffer_;      // the record being edited or inserted
  Record* editing_ = nullptr;        // Edit: the record the buffer came from
  Record* insert_before_ = nullptr;  // Insert: the record the new one goes before (nullptr: the end)
  uint64_t next_id_ = 1;
  std::string filter_;
  bool filtered_ = false;
  std::unique_ptr<detail::FilterExpression> filter_expression_;
  std::string index_field_names_;
  std::vector<int> index_fields_;
  std::string index_desc_names_;
  std::vector<bool> index_desc_;  // per entry of index_fields_: descending
  std::string index_name_;
  std::map<std::string, std::pair<std::string, std::string>> index_defs_;  // name -> fields, descending
  int controls_disabled_ = 0;
};

}  // namespace zpk
