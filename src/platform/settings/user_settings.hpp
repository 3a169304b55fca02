// The per-user settings store that keeps what the ERP's stations keep under registry keys
// of the current user ("Venda", "Zelvo\RelWin"): INI files under
// $XDG_CONFIG_HOME/zpk/ (default ~/.config/zpk/), with the same key, section
// and name structure. The first part of a key names the file ("Venda" ->
// Venda.ini); the rest of the key and the section form the INI section
// ("Zelvo\RelWin" -> section "RelWin" of Zelvo.ini).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zpk {

// The folder set by the host (or a test), else $XDG_CONFIG_HOME/zpk, else ~/.config/zpk.
std::filesystem::path user_settings_folder();
// Sets the folder; an empty path returns to the environment's.
void set_user_settings_folder(std::filesystem::path folder);

// One registry key of the current user. Keys, sections and names are
// case-insensitive like the registry's; values are texts.
class UserSettings {
 public:
  // `key` such as "Venda" or "Zelvo\RelWin"; raises EIniFileError when empty.
  explicit UserSettings(std::string_view key);

  // A value of the sub-key `section` ("" = the key itself; "\" separates levels,
  // as in "Parametros\Balanca\Toledo"); `def` when missing.
  std::string read_string(std::string_view section, std::string_view name, std::string_view def = "") const;
  // The value as an integer; `def` when missing or not a number.
  int read_integer(std::string_view section, std::string_view name, int def) const;
  bool value_exists(std::string_view section, std::string_view name) const;
  // Writes a value, creating the folder, file, section or name when missing.
  void write_string(std::string_view section, std::string_view name, std::string_view value);
  void write_integer(std::string_view section, std::string_view name, int value);
  void erase_value(std::string_view section, std::string_view name);

  // The INI file behind the key, and the INI section of one of its sub-keys.
  const std::filesystem::path& file() const { return file_; }
  std::string section_of(std::string_view section) const;

 private:
  std::filesystem::path file_;
  std::string base_;  // the key below its first part, "\"-separated
};

}  // namespace zpk
