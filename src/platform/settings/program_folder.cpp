#include "platform/settings/program_folder.hpp"

#include <mutex>
#include <string>
#include <system_error>

namespace zpk {
namespace {

std::mutex g_mutex;
std::filesystem::path g_folder;

std::filesystem::path executable_folder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : exe.parent_path();
}

}  // namespace

std::filesystem::path program_folder() {
  std::lock_guard lock(g_mutex);
  return g_folder.empty() ? executable_folder() : g_folder;
}

void set_program_folder(std::filesystem::path folder) {
  std::lock_guard lock(g_mutex);
  g_folder = std::move(folder);
}

std::filesystem::path native_path(std::string_view stored) {
  std::string path(stored);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(path);
}

std::filesystem::path program_file(std::string_view name) {
  const std::filesystem::path path = native_path(name);
  return path.is_absolute() ? path : program_folder() / path;
}

}  // namespace zpk
