// Prepare's work: walks a layout's bands over its datasets and lays the
// printed bands out on pages, with group breaks, totals and page numbers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/variant.hpp"
#include "reporting/layout.hpp"

namespace zpk::detail {

// A dataset as the builder reads it: field names, then one record at a time.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual std::vector<std::string> FieldNames() = 0;
  virtual void First() = 0;
  virtual bool Eof() = 0;
  virtual void Next() = 0;
  // The current record's values, one per field name.
  virtual void Read(std::vector<Variant>& values) = 0;
};

// What the report around the builder supplies.
struct BuildContext {
  // The dataset bound under `name` (any case), or nullptr.
  std::function<RowSource*(std::string_view name)> DataSet;
  // A report variable set by the caller, or nullptr.
  std::function<const Variant*(std::string_view name)> Variable;
  // The host's function `name`; false when nobody handled it.
  std::function<bool(const std::string& name, const std::vector<Variant>& args, Variant& value)> Function;
  int MaxPages = 10000;
};

// The pages of `layout`; empty when its detail dataset has no records.
// Raises ELayoutError (file and line) for anything the data makes wrong.
std::vector<TprPage> BuildPages(TprLayout& layout, const BuildContext& context);

// Expands `text` with the report variables and the layout's variables.
std::string ExpandText(TprLayout* layout, const BuildContext& context, const std::string& text);

}  // namespace zpk::detail
