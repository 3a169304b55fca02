// INI files with the semantics the ERP's stored station files were written for
// (the Windows profile functions):
// sections and keys are case-insensitive, a missing file, section or key
// reads as empty (or the default given), and writing one value keeps every
// other line, comment and the order of the file. Text is UTF-8.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/errors.hpp"

namespace zpk {

// An INI file that cannot be written, or a value that cannot be stored in one.
class EIniFileError : public EZpkError {
 public:
  using EZpkError::EZpkError;
};

// The lines of one INI text, kept as they are; reading looks them up and
// writing changes only the line of the value written.
class IniDocument {
 public:
  IniDocument() = default;
  // Reads a text; a leading UTF-8 byte-order mark and CR LF line ends are kept for text().
  static IniDocument parse(std::string_view text);
  // The text with every line, ending in a line break.
  std::string text() const;

  // The value of the key in the first section of that name: the text after
  // "=", trimmed, without one pair of enclosing quotes; nullopt when missing.
  std::optional<std::string> find(std::string_view section, std::string_view key) const;
  std::string read(std::string_view section, std::string_view key, std::string_view def = "") const;

  // Sets the value: the key's line is rewritten in place (its spelling and
  // spacing kept); a new key goes after the section's last key; a new section
  // goes at the end. Raises EIniFileError for a line break in any part, "=" in
  // the key or "]" in the section name, which would change what the file says.
  void write(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key's line; false when it was missing.
  bool erase_key(std::string_view section, std::string_view key);
  // Removes the section's header and lines up to the next section; false when missing.
  bool erase_section(std::string_view section);

  bool has_section(std::string_view section) const;
  // Section names and a section's keys, in file order, as spelled in the file.
  std::vector<std::string> sections() const;
  std::vector<std::string> keys(std::string_view section) const;

 private:
  // Index of the first line of the section's header, or nullopt.
  std::optional<size_t> section_line(std::string_view section) const;
  // End (one past the last line) of the section that starts at `header`.
  size_t section_end(size_t header) const;
  std::optional<size_t> key_line(std::string_view section, std::string_view key) const;

  std::vector<std::string> lines_;
  std::string eol_ = "\n";
  bool bom_ = false;
};

// One INI file on disk. Every read reads the file as it is now; every write
// is a read-modify-write under an exclusive lock (so two processes writing
// the same file lose nothing) saved through a temporary file and a rename (so
// a reader or a crash never sees half a file).
class IniFile {
 public:
  explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path& path() const { return path_; }

  // The file's content; empty when the file is missing or unreadable.
  IniDocument load() const;

  // The value, or `def` when the file, section or key is missing.
  std::string read_string(std::string_view section, std::string_view key, std::string_view def = "") const;
  // The value read as an integer, or `def` when missing or not a number.
  int read_integer(std::string_view section, std::string_view key, int def) const;
  bool section_exists(std::string_view section) const;
  bool value_exists(std::string_view section, std::string_view key) const;
  std::vector<std::string> read_sections() const;
  std::vector<std::string> read_section(std::string_view section) const;

  // Writes one value (creating the file, section or key when missing). The
  // folder must exist. Raises EIniFileError when the file cannot be written.
  void write_string(std::string_view section, std::string_view key, std::string_view value);
  void write_integer(std::string_view section, std::string_view key, int value);
  void erase_key(std::string_view section, std::string_view key);
  void erase_section(std::string_view section);

  // Applies `change` to the current content under the lock and saves the result
  // when it differs; a file that did not exist and stays empty is not created.
  void update(const std::function<void(IniDocument&)>& change);

 private:
  std::filesystem::path path_;
};

}  // namespace zpk
