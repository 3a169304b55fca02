// A private temporary folder for files that hold keys or passwords: made
// atomically by mkdtemp (mode 0700, under a name nobody could have taken
// first) and removed with everything in it when the object ends, on every
// way out of its scope, an exception included.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/rtl/errors.hpp"

namespace zpk::cli {

class PrivateFolder {
 public:
  // "<temporary folder>/zpk-<label>-XXXXXX"; raises EZpkError when it cannot be made.
  explicit PrivateFolder(std::string_view label) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("zpk-" + std::string(label) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw EZpkError("cannot create a private folder " + pattern);
    path_ = pattern;
  }
  ~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace zpk::cli
