// A fresh folder under the system's temporary folder for one test, removed
// with everything in it at the end, and whole-file reads and writes (binary,
// so line endings are what the test wrote). Header-only.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zpk::test {

class TempFolder {
 public:
  // "<tmp>/zpk-<label>-XXXXXX"; raises std::runtime_error when it cannot be made.
  explicit TempFolder(std::string_view label) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("zpk-" + std::string(label) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes `content` as the whole file, creating its folders.
inline void write_file(const std::filesystem::path& path, std::string_view content) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// The whole file ("" when it cannot be read).
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace zpk::test
