#include "platform/settings/user_settings.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/ini_file.hpp"

namespace zpk {
namespace {

std::mutex g_mutex;
std::filesystem::path g_folder;

std::filesystem::path home_folder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return std::filesystem::temp_directory_path();
}

// The levels of a "\"-separated key, without empty ones ("a\\b\" -> a, b).
std::vector<std::string> levels(std::string_view key) {
  std::vector<std::string> parts;
  for (const auto& part : SplitText(key, "\\")) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}

// A key's first level as a file name: no folder separators or dot names, and
// an existing file whose name differs only in case is reused.
std::filesystem::path file_for(const std::filesystem::path& folder, std::string level) {
  for (char& c : level) {
    if (c == '/') c = '_';
  }
  if (level == "." || level == "..") level = "_";
  const std::string name = level + ".ini";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (SameText(entry.path().filename().string(), name)) return entry.path();
  }
  return folder / name;
}

}  // namespace

std::filesystem::path user_settings_folder() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_folder.empty()) return g_folder;
  }
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    return std::filesystem::path(config) / "zpk";
  }
  return home_folder() / ".config" / "zpk";
}

void set_user_settings_folder(std::filesystem::path folder) {
  std::lock_guard lock(g_mutex);
  g_folder = std::move(folder);
}

UserSettings::UserSettings(std::string_view key) {
  std::vector<std::string> parts = levels(key);
  if (parts.empty()) throw EIniFileError(fmt::format("invalid settings key '{}'", key));
  file_ = file_for(user_settings_folder(), parts.front());
  parts.erase(parts.begin());
  base_ = joined(parts);
}

std::string UserSettings::section_of(std::string_view section) const {
  std::vector<std::string> parts = levels(base_);
  for (auto& part : levels(section)) parts.push_back(std::move(part));
  return joined(parts);
}

std::string UserSettings::read_string(std::string_view section, std::string_view name,
                                      std::string_view def) const {
  return IniFile(file_).read_string(section_of(section), name, def);
}

int UserSettings::read_integer(std::string_view section, std::string_view name, int def) const {
  return IniFile(file_).read_integer(section_of(section), name, def);
}

bool UserSettings::value_exists(std::string_view section, std::string_view name) const {
  return IniFile(file_).value_exists(section_of(section), name);
}

void UserSettings::write_string(std::string_view section, std::string_view name, std::string_view value) {
  std::error_code ec;
  std::filesystem::create_directories(file_.parent_path(), ec);
  if (ec) {
    throw EIniFileError(fmt::format("Unable to create {}: {}", file_.parent_path().string(), ec.message()));
  }
  IniFile(file_).write_string(section_of(section), name, value);
}

void UserSettings::write_integer(std::string_view section, std::string_view name, int value) {
  write_string(section, name, IntToStr(value));
}

void UserSettings::erase_value(std::string_view section, std::string_view name) {
  std::error_code ec;
  if (!std::filesystem::exists(file_, ec)) return;
  IniFile(file_).erase_key(section_of(section), name);
}

}  // namespace zpk
