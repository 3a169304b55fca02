// Reads a layout file (.prt) into a TprLayout. The file is outside input:
// anything wrong in it is an ELayoutError naming the file and the line.
#pragma once

#include <string>
#include <string_view>

#include "reporting/layout.hpp"

namespace zpk::detail {

// Layout files larger than this are refused before they are read.
constexpr size_t kMaxLayoutBytes = 1 << 20;

// Parses the text of a layout; `file_name` names it in errors, and its
// folder is where pictures are looked up.
TprLayout ParseLayout(std::string_view text, const std::string& file_name);

// Reads and parses the file at `path`.
TprLayout LoadLayout(const std::string& path);

}  // namespace zpk::detail
