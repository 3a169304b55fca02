#include "platform/settings/ini_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include <fmt/format.h>

#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The name of a section header line ("[name]"), or nullopt for other lines.
std::optional<std::string> header_name(std::string_view line) {
  const std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  const size_t close = trimmed.find(']');
  return Trim(
      std::string_view(trimmed).substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool is_comment(std::string_view line) {
  const std::string trimmed = TrimLeft(line);
  return !trimmed.empty() && trimmed.front() == ';';
}

// Where the "=" of a key line is, or npos for lines that hold no key.
size_t equals_of(std::string_view line) {
  if (is_comment(line) || header_name(line)) return std::string_view::npos;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos || Trim(line.substr(0, eq)).empty()) return std::string_view::npos;
  return eq;
}

std::string key_of(std::string_view line, size_t eq) {
  return Trim(line.substr(0, eq));
}

std::string value_of(std::string_view line, size_t eq) {
  std::string value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

bool has_line_break(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

[[noreturn]] void raise_io(const std::string& what, const std::filesystem::path& path, int error) {
  throw EIniFileError(fmt::format("{} {}: {}", what, path.string(), std::strerror(error)));
}

// A descriptor that closes itself.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Opens (creating when missing) and locks the file. The file may be replaced
// by another writer's rename between open and lock: then the lock is on a
// stale file and the loop locks the new one.
Fd lock_file(const std::filesystem::path& path, bool& created) {
  for (;;) {
    Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    created = fd.get() >= 0;
    if (!created) {
      if (errno != EEXIST) raise_io("Unable to write to", path, errno);
      fd = Fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
      if (fd.get() < 0) {
        if (errno == ENOENT) continue;  // removed between the two opens
        raise_io("Unable to write to", path, errno);
      }
    }
    while (::flock(fd.get(), LOCK_EX) != 0) {
      if (errno != EINTR) raise_io("Unable to lock", path, errno);
    }
    struct stat locked {
    }, current{};
    if (::fstat(fd.get(), &locked) == 0 && ::stat(path.c_str(), &current) == 0 &&
        locked.st_ino == current.st_ino && locked.st_dev == current.st_dev) {
      return fd;
    }
  }
}

std::string read_all(int fd, const std::filesystem::path& path) {
  std::string content;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return content;
    if (n < 0) {
      if (errno == EINTR) continue;
      raise_io("Unable to read", path, errno);
    }
    content.append(buffer, static_cast<size_t>(n));
  }
}

void write_all(int fd, std::string_view text, const std::filesystem::path& path) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      raise_io("Unable to write to", path, errno);
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

// Writes the new content beside the file and renames it over the file, with
// the file's permissions.
void replace_file(const std::filesystem::path& path, std::string_view text, mode_t mode) {
  std::string temp = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) raise_io("Unable to write to", path, errno);
  try {
    write_all(fd.get(), text, path);
    if (::fchmod(fd.get(), mode & 07777) != 0 || ::fsync(fd.get()) != 0)
      raise_io("Unable to write to", path, errno);
    if (::close(fd.release()) != 0) raise_io("Unable to write to", path, errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) raise_io("Unable to write to", path, errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

}  // namespace

// ---- IniDocument

IniDocument IniDocument::parse(std::string_view text) {
  IniDocument doc;
  if (text.substr(0, kBom.size()) == kBom) {
    doc.bom_ = true;
    text.remove_prefix(kBom.size());
  }
  const size_t first_break = text.find('\n');
  if (first_break != std::string_view::npos && first_break > 0 && text[first_break - 1] == '\r')
    doc.eol_ = "\r\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.emplace_back(line);
    start = end + 1;
  }
  return doc;
}

std::string IniDocument::text() const {
  std::string out = bom_ ? std::string(kBom) : std::string();
  for (const auto& line : lines_) {
    out += line;
    out += eol_;
  }
  return out;
}

std::optional<size_t> IniDocument::section_line(std::string_view section) const {
  const std::string wanted = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (auto name = header_name(lines_[i]); name && SameText(*name, wanted)) return i;
  }
  return std::nullopt;
}

size_t IniDocument::section_end(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !header_name(lines_[i])) ++i;
  return i;
}

std::optional<size_t> IniDocument::key_line(std::string_view section, std::string_view key) const {
  const auto header = section_line(section);
  if (!header) return std::nullopt;
  const std::string wanted = Trim(key);
  for (size_t i = *header + 1, end = section_end(*header); i < end; ++i) {
    const size_t eq = equals_of(lines_[i]);
    if (eq != std::string::npos && SameText(key_of(lines_[i], eq), wanted)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::find(std::string_view section, std::string_view key) const {
  const auto line = key_line(section, key);
  if (!line) return std::nullopt;
  return value_of(lines_[*line], equals_of(lines_[*line]));
}

std::string IniDocument::read(std::string_view section, std::string_view key, std::string_view def) const {
  auto value = find(section, key);
  return value ? *value : std::string(def);
}

void IniDocument::write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string section_name = Trim(section);
  const std::string key_name = Trim(key);
  if (has_line_break(section) || section.find(']') != std::string_view::npos) {
    throw EIniFileError(fmt::format("invalid INI section name '{}'", section));
  }
  if (key_name.empty() || has_line_break(key) || key.find('=') != std::string_view::npos ||
      key_name.front() == ';' || key_name.front() == '[') {
    throw EIniFileError(fmt::format("invalid INI key '{}'", key));
  }
  if (has_line_break(value)) {
    throw EIniFileError(fmt::format("INI value of '{}' holds a line break", key_name));
  }

  if (const auto line = key_line(section_name, key_name)) {
    std::string& text = lines_[*line];
    const size_t eq = equals_of(text);
    const size_t value_start = text.find_first_not_of(" \t", eq + 1);
    const size_t keep = value_start == std::string::npos ? text.size() : value_start;
    text = text.substr(0, keep) + std::string(value);
    return;
  }
  const std::string new_line = key_name + "=" + std::string(value);
  if (const auto header = section_line(section_name)) {
    size_t insert_at = *header + 1;
    for (size_t i = *header + 1, end = section_end(*header); i < end; ++i) {
      if (equals_of(lines_[i]) != std::string::npos) insert_at = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), new_line);
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
  lines_.push_back("[" + section_name + "]");
  lines_.push_back(new_line);
}

bool IniDocument::erase_key(std::string_view section, std::string_view key) {
  const auto line = key_line(section, key);
  if (!line) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
  return true;
}

bool IniDocument::erase_section(std::string_view section) {
  const auto header = section_line(section);
  if (!header) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
               lines_.begin() + static_cast<std::ptrdiff_t>(section_end(*header)));
  return true;
}

bool IniDocument::has_section(std::string_view section) const {
  return section_line(section).has_value();
}

std::vector<std::string> IniDocument::sections() const {
  std::vector<std::string> names;
  for (const auto& line : lines_) {
    auto name = header_name(line);
    if (!name) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || SameText(n, *name);
    if (!seen) names.push_back(*name);
  }
  return names;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
  std::vector<std::string> names;
  const auto header = section_line(section);
  if (!header) return names;
  for (size_t i = *header + 1, end = section_end(*header); i < end; ++i) {
    const size_t eq = equals_of(lines_[i]);
    if (eq != std::string::npos) names.push_back(key_of(lines_[i], eq));
  }
  return names;
}

// ---- IniFile

IniDocument IniFile::load() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return IniDocument();
  std::ostringstream content;
  content << in.rdbuf();
  return IniDocument::parse(content.str());
}

std::string IniFile::read_string(std::string_view section, std::string_view key, std::string_view def) const {
  return load().read(section, key, def);
}

int IniFile::read_integer(std::string_view section, std::string_view key, int def) const {
  const auto value = load().find(section, key);
  return value ? StrToIntDef(*value, def) : def;
}

bool IniFile::section_exists(std::string_view section) const {
  return load().has_section(section);
}

bool IniFile::value_exists(std::string_view section, std::string_view key) const {
  return load().find(section, key).has_value();
}

std::vector<std::string> IniFile::read_sections() const {
  return load().sections();
}

std::vector<std::string> IniFile::read_section(std::string_view section) const {
  return load().keys(section);
}

void IniFile::write_string(std::string_view section, std::string_view key, std::string_view value) {
  update([&](IniDocument& doc) { doc.write(section, key, value); });
}

void IniFile::write_integer(std::string_view section, std::string_view key, int value) {
  write_string(section, key, IntToStr(value));
}

void IniFile::erase_key(std::string_view section, std::string_view key) {
  update([&](IniDocument& doc) { doc.erase_key(section, key); });
}

void IniFile::erase_section(std::string_view section) {
  update([&](IniDocument& doc) { doc.erase_section(section); });
}

void IniFile::update(const std::function<void(IniDocument&)>& change) {
  // Write through a symbolic link to the file it names, keeping the link.
  std::error_code ec;
  const std::filesystem::path target =
      std::filesystem::is_symlink(path_, ec) ? std::filesystem::weakly_canonical(path_, ec) : path_;
  bool created = false;
  Fd fd = lock_file(target, created);
  const std::string before = read_all(fd.get(), target);
  IniDocument doc = IniDocument::parse(before);
  try {
    change(doc);
  } catch (...) {
    if (created) ::unlink(target.c_str());
    throw;
  }
  const std::string after = doc.text();
  if (after == before) {
    if (created) ::unlink(target.c_str());
    return;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) raise_io("Unable to write to", target, errno);
  replace_file(target, after, info.st_mode);
}

}  // namespace zpk
