// The filter of a TClientDataSet, parsed once when it is set: comparisons of
// a field with a literal ("NUMERO = '000123'", "QTDE >= 10.5", "OBS IS NULL")
// joined by AND, OR, NOT and parentheses.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/dataset/client_dataset.hpp"

namespace zpk::detail {

class FilterExpression {
 public:
  // Parses `text` against the dataset's fields; raises EDataSetError when it
  // does not parse or names an unknown field.
  FilterExpression(std::string_view text, TClientDataSet& dataset);
  ~FilterExpression();

  // Whether a record with these stored values passes.
  bool matches(const std::vector<Variant>& values) const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
};

}  // namespace zpk::detail
