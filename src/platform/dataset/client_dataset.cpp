#include "platform/dataset/client_dataset.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "platform/dataset/detail/field_values.hpp"
#include "platform/dataset/detail/filter_expression.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

const Variant& null_value() {
  static const Variant kNull = Variant::MakeNull();
  return kNull;
}

// Whether the stored value of a field matches a Locate key.
bool key_matches(const Variant& stored, const Variant& key, TFieldType type, TLocateOptions options) {
  if (detail::is_text(type)) {
    std::string value = stored.AsString();
    std::string wanted = detail::is_empty(key) ? std::string() : key.AsString();
    if (options & loCaseInsensitive) {
      value = UpperCase(value);
      wanted = UpperCase(wanted);
    }
    if (options & loPartialKey) return value.compare(0, wanted.size(), wanted) == 0;
    return value == wanted;
  }
  const Variant converted = detail::to_field_type(key, type, 0);
  if (detail::is_empty(converted) || detail::is_empty(stored)) {
    return detail::is_empty(converted) && detail::is_empty(stored);
  }
  return detail::compare_values(stored, converted, type) == 0;
}

}  // namespace

// ---- TFieldDefs

TFieldDef& TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  defs_.push_back(TFieldDef{Name, DataType, Size, Required});
  return defs_.back();
}

const TFieldDef& TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EDataSetError(fmt::format("field definition {} out of range", index));
  return defs_[static_cast<size_t>(index)];
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i) {
    if (SameText(defs_[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

// ---- TField

TField::TField(TClientDataSet& dataset, int index, TFieldDef def)
    : dataset_(dataset), index_(index), def_(std::move(def)) {}

const Variant& TField::stored() const {
  return dataset_.field_value(index_);
}

void TField::store(const Variant& value) {
  dataset_.set_field_value(index_, detail::to_field_type(value, def_.DataType, def_.Size));
}

bool TField::IsNull() const {
  return detail::is_empty(stored());
}

void TField::Clear() {
  store(Variant::MakeNull());
}

std::string TField::GetAsString() const {
  const Variant& value = stored();
  if (detail::is_empty(value)) return "";
  switch (def_.DataType) {
    case ftString:
    case ftMemo:
      return value.AsString();
    case ftInteger:
      return IntToStr(value.AsInteger());
    case ftFloat:
    case ftCurrency:
      return FloatToStr(value.AsFloat());
    case ftBoolean:
      return value.AsInteger() != 0 ? "True" : "False";
    case ftDate:
      return DateToStr(value.AsDateTime());
    case ftTime:
      return TimeToStr(value.AsDateTime());
    case ftDateTime:
      return DateTimeToStr(value.AsDateTime());
  }
  return value.AsString();
}

void TField::SetAsString(std::string value) {
  store(Variant(std::move(value)));
}

int TField::GetAsInteger() const {
  const Variant& value = stored();
  if (detail::is_empty(value)) return 0;
  switch (def_.DataType) {
    case ftString:
    case ftMemo:
      return StrToInt(value.AsString());
    case ftFloat:
    case ftCurrency:
      return static_cast<int>(Round(value.AsFloat()));
    case ftDate:
    case ftTime:
    case ftDateTime:
      return static_cast<int>(Trunc(value.AsDateTime().Value));
    default:
      return static_cast<int>(value.AsInteger());
  }
}

void TField::SetAsInteger(int value) {
  store(Variant(value));
}

double TField::GetAsFloat() const {
  const Variant& value = stored();
  if (detail::is_empty(value)) return 0;
  switch (def_.DataType) {
    case ftString:
    case ftMemo:
      return StrToFloat(value.AsString());
    case ftDate:
    case ftTime:
    case ftDateTime:
      return value.AsDateTime().Value;
    default:
      return value.AsFloat();
  }
}

void TField::SetAsFloat(double value) {
  store(Variant(value));
}

Currency TField::GetAsCurrency() const {
  return Currency(GetAsFloat());
}

void TField::SetAsCurrency(Currency value) {
  store(Variant(value.ToDouble()));
}

TDateTime TField::GetAsDateTime() const {
  const Variant& value = stored();
  if (detail::is_empty(value)) return DateNull;
  switch (def_.DataType) {
    case ftString:
    case ftMemo:
      return StrToDateTime(value.AsString());
    case ftDate:
    case ftTime:
    case ftDateTime:
      return value.AsDateTime();
    default:
      return TDateTime(value.AsFloat());
  }
}

void TField::SetAsDateTime(TDateTime value) {
  store(Variant(value));
}

bool TField::GetAsBoolean() const {
  const Variant& value = stored();
  if (detail::is_empty(value)) return false;
  switch (def_.DataType) {
    case ftString:
    case ftMemo: {
      // A text reads as true when it starts with T or Y ("True", "Yes"), the
      // runtime's rule that stored flags of this kind were written for.
      const std::string text = value.AsString();
      return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
    }
    case ftDate:
    case ftTime:
    case ftDateTime:
      return value.AsDateTime().Value != 0;
    default:
      return value.AsFloat() != 0;
  }
}

void TField::SetAsBoolean(bool value) {
  store(Variant(value));
}

Variant TField::GetValue() const {
  return stored();
}

// By copy, the shape of a property's setter.
void TField::SetValue(Variant value) {  // NOLINT(performance-unnecessary-value-param)
  store(value);
}

// ---- TClientDataSet

TClientDataSet::TClientDataSet(std::string name) : name_(std::move(name)) {}

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::fail(std::string_view message) const {
  throw EDataSetError(name_.empty() ? std::string(message) : fmt::format("{}: {}", name_, message));
}

void TClientDataSet::check_active() const {
  if (state_ == dsInactive) fail("Cannot perform this operation on a closed dataset");
}

void TClientDataSet::CreateDataSet() {
  if (Active()) fail("Cannot perform this operation on an open dataset");
  if (FieldDefs.Count() == 0) fail("No field definitions to create the dataset from");
  std::vector<std::unique_ptr<TField>> fields;
  for (int i = 0; i < FieldDefs.Count(); ++i) {
    const TFieldDef& def = FieldDefs.Items(i);
    if (FieldDefs.IndexOf(def.Name) != i) fail(fmt::format("Duplicate field name '{}'", def.Name));
    fields.push_back(std::make_unique<TField>(*this, i, def));
  }
  fields_ = std::move(fields);
  records_.clear();
  view_.clear();
  state_ = dsBrowse;
  try {
    compile_index();
    compile_filter();
  } catch (...) {
    Close();
    throw;
  }
  First();
}

void TClientDataSet::Close() {
  state_ = dsInactive;
  filter_expression_.reset();
  index_fields_.clear();
  view_.clear();
  records_.clear();
  fields_.clear();
  buffer_.clear();
  editing_ = insert_before_ = nullptr;
  cursor_ = 0;
  bof_ = eof_ = true;
}

TField& TClientDataSet::Fields(int index) {
  if (index < 0 || index >= FieldCount()) fail(fmt::format("Field index {} out of range", index));
  return *fields_[static_cast<size_t>(index)];
}

TField* TClientDataSet::FindField(std::string_view name) {
  for (auto& field : fields_) {
    if (SameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TField& TClientDataSet::FieldByName(std::string_view name) {
  if (TField* field = FindField(name)) return *field;
  fail(fmt::format("Field '{}' not found", name));
}

const Variant& TClientDataSet::field_value(int index) const {
  if (state_ == dsEdit || state_ == dsInsert) return buffer_[static_cast<size_t>(index)];
  if (state_ == dsInactive || view_.empty()) return null_value();
  return view_[static_cast<size_t>(cursor_)]->values[static_cast<size_t>(index)];
}

void TClientDataSet::set_field_value(int index, Variant value) {
  if (state_ != dsEdit && state_ != dsInsert) fail("Dataset not in edit or insert mode");
  buffer_[static_cast<size_t>(index)] = std::move(value);
}

void TClientDataSet::check_browse_mode() {
  check_active();
  if (state_ == dsEdit || state_ == dsInsert) Post();
}

void TClientDataSet::Append() {
  check_browse_mode();
  buffer_.assign(fields_.size(), Variant::MakeNull());
  insert_before_ = nullptr;
  state_ = dsInsert;
  eof_ = true;
  bof_ = false;
}

void TClientDataSet::Insert() {
  check_browse_mode();
  buffer_.assign(fields_.size(), Variant::MakeNull());
  insert_before_ = view_.empty() ? nullptr : view_[static_cast<size_t>(cursor_)];
  state_ = dsInsert;
}

void TClientDataSet::Edit() {
  check_active();
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (view_.empty()) {
    Insert();
    return;
  }
  editing_ = view_[static_cast<size_t>(cursor_)];
  buffer_ = editing_->values;
  state_ = dsEdit;
}

void TClientDataSet::Post() {
  check_active();
  if (state_ != dsEdit && state_ != dsInsert) return;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i]->Required() && detail::is_empty(buffer_[i])) {
      fail(fmt::format("Field '{}' must have a value", fields_[i]->FieldName()));
    }
  }
  Record* record = nullptr;
  bool appended = false;
  if (state_ == dsInsert) {
    auto owned = std::make_unique<Record>(Record{next_id_++, std::move(buffer_)});
    record = owned.get();
    // Appending (no record to go before) needs no search, so filling a
    // dataset record by record stays linear in its size.
    auto at = insert_before_ == nullptr
                  ? records_.end()
                  : std::find_if(records_.begin(), records_.end(),
                                 [&](const std::unique_ptr<Record>& r) { return r.get() == insert_before_; });
    appended = at == records_.end();
    records_.insert(at, std::move(owned));
  } else {
    record = editing_;
    record->values = std::move(buffer_);
  }
  buffer_.clear();
  editing_ = insert_before_ = nullptr;
  state_ = dsBrowse;
  const int position = place(record, appended);
  if (position >= 0) {
    cursor_ = position;
  } else if (!view_.empty()) {
    cursor_ = std::min(cursor_, static_cast<int>(view_.size()) - 1);
  } else {
    cursor_ = 0;
  }
  bof_ = eof_ = view_.empty();
  if (AfterPost) AfterPost(*this);
}

void TClientDataSet::Cancel() {
  check_active();
  if (state_ != dsEdit && state_ != dsInsert) return;
  buffer_.clear();
  editing_ = insert_before_ = nullptr;
  state_ = dsBrowse;
  bof_ = eof_ = view_.empty();
}

void TClientDataSet::Delete() {
  check_active();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (state_ == dsEdit) Cancel();
  if (view_.empty()) fail("Cannot perform this operation on an empty dataset");
  Record* record = view_[static_cast<size_t>(cursor_)];
  const bool was_last = cursor_ == static_cast<int>(view_.size()) - 1;
  view_.erase(view_.begin() + cursor_);
  std::erase_if(records_, [&](const std::unique_ptr<Record>& r) { return r.get() == record; });
  if (cursor_ >= static_cast<int>(view_.size())) cursor_ = std::max(0, static_cast<int>(view_.size()) - 1);
  bof_ = view_.empty();
  eof_ = view_.empty() || was_last;
}

void TClientDataSet::AppendRecord(const std::vector<Variant>& values) {
  Append();
  try {
    for (size_t i = 0; i < values.size() && i < fields_.size(); ++i) fields_[i]->Value = values[i];
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TClientDataSet::EmptyDataSet() {
  check_active();
  Cancel();
  records_.clear();
  view_.clear();
  cursor_ = 0;
  bof_ = eof_ = true;
}

void TClientDataSet::First() {
  check_browse_mode();
  cursor_ = 0;
  bof_ = true;
  eof_ = view_.empty();
}

void TClientDataSet::Last() {
  check_browse_mode();
  cursor_ = std::max(0, static_cast<int>(view_.size()) - 1);
  eof_ = true;
  bof_ = view_.empty();
}

void TClientDataSet::Next() {
  check_browse_mode();
  if (cursor_ + 1 < static_cast<int>(view_.size())) {
    ++cursor_;
    bof_ = eof_ = false;
  } else {
    eof_ = true;
    bof_ = view_.empty();
  }
}

void TClientDataSet::Prior() {
  check_browse_mode();
  if (cursor_ > 0 && !view_.empty()) {
    --cursor_;
    bof_ = eof_ = false;
  } else {
    bof_ = true;
    eof_ = view_.empty();
  }
}

int TClientDataSet::RecordCount() const {
  check_active();
  return static_cast<int>(view_.size());
}

bool TClientDataSet::IsEmpty() const {
  return RecordCount() == 0 && state_ != dsInsert;
}

int TClientDataSet::GetRecNo() const {
  check_active();
  if (state_ == dsInsert) return -1;
  return view_.empty() ? 0 : cursor_ + 1;
}

void TClientDataSet::SetRecNo(int value) {
  check_browse_mode();
  if (value < 1 || value > static_cast<int>(view_.size())) return;
  cursor_ = value - 1;
  bof_ = eof_ = false;
}

std::vector<int> TClientDataSet::field_list(std::string_view names) {
  std::vector<int> fields;
  for (const auto& piece : SplitText(names, ";")) {
    const std::string name = Trim(piece);
    if (name.empty()) continue;
    fields.push_back(FieldByName(name).Index());
  }
  return fields;
}

bool TClientDataSet::Locate(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  check_browse_mode();
  const std::vector<int> fields = field_list(KeyFields);
  if (fields.empty()) fail("Locate needs at least one field");
  std::vector<Variant> keys;
  if (fields.size() == 1 && !KeyValues.IsArray()) {
    keys.push_back(KeyValues);
  } else if (KeyValues.IsArray() && KeyValues.Items().size() == fields.size()) {
    keys = KeyValues.Items();
  } else {
    fail(fmt::format("Locate on '{}' needs one value per field", KeyFields));
  }
  for (size_t row = 0; row < view_.size(); ++row) {
    bool match = true;
    for (size_t k = 0; k < fields.size() && match; ++k) {
      const int f = fields[k];
      match = key_matches(view_[row]->values[static_cast<size_t>(f)], keys[k],
                          fields_[static_cast<size_t>(f)]->DataType(), Options);
    }
    if (match) {
      cursor_ = static_cast<int>(row);
      bof_ = eof_ = false;
      return true;
    }
  }
  return false;
}

bool TClientDataSet::visible(const Record& record) const {
  return !filter_expression_ || filter_expression_->matches(record.values);
}

bool TClientDataSet::index_less(const Record* a, const Record* b) const {
  for (size_t i = 0; i < index_fields_.size(); ++i) {
    const auto field = static_cast<size_t>(index_fields_[i]);
    const int order = detail::compare_values(a->values[field], b->values[field], fields_[field]->DataType());
    if (order != 0) return index_desc_[i] ? order > 0 : order < 0;
  }
  return a->id < b->id;  // equal keys keep the order the records were added in
}

void TClientDataSet::rebuild_view() {
  view_.clear();
  for (const auto& record : records_) {
    if (visible(*record)) view_.push_back(record.get());
  }
  if (!index_fields_.empty()) {
    std::sort(view_.begin(), view_.end(),
              [this](const Record* a, const Record* b) { return index_less(a, b); });
  }
}

int TClientDataSet::place(Record* record, bool appended) {
  // A record just appended is not among the visible ones yet.
  auto present = appended ? view_.end() : std::find(view_.begin(), view_.end(), record);
  const bool shown = visible(*record);
  if (!index_fields_.empty()) {
    if (present != view_.end()) view_.erase(present);
    if (!shown) return -1;
    auto at = std::upper_bound(view_.begin(), view_.end(), record,
                               [this](const Record* a, const Record* b) { return index_less(a, b); });
    // The insertion first: it may move the records, and begin() must be the new one.
    const auto placed = view_.insert(at, record);
    return static_cast<int>(placed - view_.begin());
  }
  if (shown && present != view_.end()) return static_cast<int>(present - view_.begin());
  if (!shown && present == view_.end()) return -1;
  if (shown && appended) {
    view_.push_back(record);
    return static_cast<int>(view_.size()) - 1;
  }
  rebuild_view();
  auto now = std::find(view_.begin(), view_.end(), record);
  return now == view_.end() ? -1 : static_cast<int>(now - view_.begin());
}

void TClientDataSet::compile_filter() {
  filter_expression_.reset();
  if (Active() && filtered_ && !Trim(filter_).empty()) {
    filter_expression_ = std::make_unique<detail::FilterExpression>(filter_, *this);
  }
}

void TClientDataSet::compile_index() {
  index_fields_ = Active() ? field_list(index_field_names_) : std::vector<int>{};
  index_desc_.assign(index_fields_.size(), false);
  if (index_fields_.empty()) return;
  for (int desc : field_list(index_desc_names_)) {
    for (size_t i = 0; i < index_fields_.size(); ++i) {
      if (index_fields_[i] == desc) index_desc_[i] = true;
    }
  }
}

void TClientDataSet::SetFilter(std::string value) {
  if (Active()) check_browse_mode();
  std::swap(filter_, value);
  try {
    compile_filter();
  } catch (...) {
    std::swap(filter_, value);
    compile_filter();
    throw;
  }
  if (Active()) {
    rebuild_view();
    First();
  }
}

void TClientDataSet::SetFiltered(bool value) {
  if (Active()) check_browse_mode();
  const bool before = filtered_;
  filtered_ = value;
  try {
    compile_filter();
  } catch (...) {
    filtered_ = before;
    compile_filter();
    throw;
  }
  if (Active()) {
    rebuild_view();
    First();
  }
}

void TClientDataSet::SetIndexFieldNames(std::string value) {
  index_name_.clear();
  apply_index(std::move(value), "");
}

void TClientDataSet::AddIndex(const std::string& Name, const std::string& Fields,
                              const std::string& DescFields) {
  index_defs_[UpperCase(Name)] = {Fields, DescFields};
}

void TClientDataSet::SetIndexName(std::string value) {
  if (value.empty()) {
    index_name_.clear();
    apply_index("", "");
    return;
  }
  auto def = index_defs_.find(UpperCase(value));
  if (def == index_defs_.end()) fail(fmt::format("Index '{}' not found", value));
  const auto [fields, desc] = def->second;
  apply_index(fields, desc);
  index_name_ = std::move(value);
}

void TClientDataSet::apply_index(std::string fields_text, std::string desc_text) {
  if (Active()) check_browse_mode();
  Record* current = Active() && !view_.empty() ? view_[static_cast<size_t>(cursor_)] : nullptr;
  std::vector<int> fields = Active() ? field_list(fields_text) : std::vector<int>{};
  if (Active()) field_list(desc_text);  // an unknown descending field is refused before anything changes
  index_field_names_ = std::move(fields_text);
  index_desc_names_ = std::move(desc_text);
  compile_index();
  if (!Active()) return;
  rebuild_view();
  auto at = std::find(view_.begin(), view_.end(), current);
  cursor_ = at == view_.end() ? 0 : static_cast<int>(at - view_.begin());
}

}  // namespace zpk
