#include "reporting/layout.hpp"

#include <fmt/format.h>

#include "platform/rtl/strings.hpp"

namespace zpk {

ELayoutError::ELayoutError(std::string file, int line, const std::string& message)
    : EZpkError(line > 0 ? fmt::format("{}, line {}: {}", file, line, message)
                         : fmt::format("{}: {}", file, message)),
      file_(std::move(file)),
      line_(line) {}

const TprBand* TprLayout::Find(TprBandKind kind, int group) const {
  for (const auto& band : Bands) {
    if (band.Kind == kind && band.Group == group) return &band;
  }
  return nullptr;
}

int TprLayout::VariableIndex(std::string_view name) const {
  for (size_t i = 0; i < Variables.size(); ++i) {
    if (SameText(Variables[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

int TprLayout::GroupIndex(std::string_view name) const {
  for (size_t i = 0; i < Groups.size(); ++i) {
    if (SameText(Groups[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace zpk
