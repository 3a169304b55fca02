#include "foundation/external_programs.hpp"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>

#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/ui/dialog_service.hpp"

extern char** environ;

namespace zpk {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_executable(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

bool has_exe_extension(const std::filesystem::path& path) {
  return SameText(path.extension().string(), ".exe");
}

// Starts `program` with `args` (args[0] is its name), optionally in `folder`;
// the child gets default signal handling and none of our descriptors beyond
// stdin, stdout and stderr. The process id, or nullopt when it did not start.
std::optional<pid_t> spawn(const std::filesystem::path& program, const std::vector<std::string>& args,
                           const std::filesystem::path* folder) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return std::nullopt;
  }
  int rc = 0;
  if (folder) rc = posix_spawn_file_actions_addchdir_np(&actions, folder->c_str());
  if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  if (rc == 0) rc = posix_spawnattr_setsigmask(&attributes, &none);
  if (rc == 0) rc = posix_spawnattr_setsigdefault(&attributes, &all);
  if (rc == 0) rc = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (rc == 0) rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  return pid;
}

void wait_for(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

bool default_opener(const std::filesystem::path& file) {
  const auto program = find_program("xdg-open");
  if (!program) return false;
  const auto pid = spawn(*program, {"xdg-open", file.string()}, nullptr);
  if (!pid) return false;
  // Reaped in the background: the viewer may stay open as long as the user likes.
  std::thread([p = *pid] { wait_for(p); }).detach();
  return true;
}

std::mutex g_opener_mutex;
FileOpener g_opener;

}  // namespace

std::vector<std::string> split_command_line(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && is_blank(line[i])) ++i;
  if (i >= n) return args;

  std::string program;
  if (line[i] == '"') {
    ++i;
    while (i < n && line[i] != '"') program += line[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !is_blank(line[i])) program += line[i++];
  }
  args.push_back(std::move(program));

  for (;;) {
    while (i < n && is_blank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !is_blank(line[i]))) {
      const char c = line[i];
      if (c == '\\') {
        size_t count = 0;
        while (i < n && line[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < n && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += c;
        ++i;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::optional<std::filesystem::path> find_program(std::string_view name) {
  if (Trim(name).empty()) return std::nullopt;
  const std::filesystem::path given = program_file(name);
  if (is_executable(given)) return given;
  if (has_exe_extension(given)) {
    std::filesystem::path without = given;
    without.replace_extension();
    if (is_executable(without)) return without;
  }

  std::filesystem::path bare = native_path(name).filename();
  if (has_exe_extension(bare)) bare.replace_extension();
  if (bare.empty() || bare == "." || bare == "..") return std::nullopt;
  if (is_executable(program_folder() / bare)) return program_folder() / bare;
  const char* path_env = std::getenv("PATH");
  for (const std::string& folder : SplitText(path_env ? path_env : "/usr/local/bin:/usr/bin:/bin", ":")) {
    if (folder.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(folder) / bare;
    if (is_executable(candidate)) return candidate;
  }
  return std::nullopt;
}

bool ExecutaEXE(const std::string& Linha) {
  std::vector<std::string> args = split_command_line(Linha);
  if (args.empty()) return false;
  const auto program = find_program(args.front());
  if (!program) return false;
  args.front() = program->string();
  const std::filesystem::path folder = program_folder();
  const auto pid = spawn(*program, args, &folder);
  if (!pid) return false;
  wait_for(*pid);
  return true;
}

void ExecutaBrowser(const void* /*Handle*/, const std::string& URL) {
  MessageRequest request;
  request.kind = DialogKind::web_browser;
  request.type = TMsgDlgType::mtInformation;
  request.caption = "ZELVO Browser";
  request.text = URL;
  request.buttons = {"&Ok"};
  request.default_button = 1;
  dialog_service().show_message(request);
}

size_t RunImageLocally(const std::string& Modulo) {
  std::error_code ec;
  std::filesystem::path target;
  if (Modulo.empty()) {
    target = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return 0;
  } else if (Modulo.find('/') != std::string::npos) {
    target = std::filesystem::weakly_canonical(Modulo, ec);
    if (ec) return 0;
  }

  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (page_size <= 0) return 0;
  const auto page = static_cast<uintptr_t>(page_size);
  std::ifstream maps("/proc/self/maps");
  std::string line;
  size_t pages = 0;
  volatile unsigned char sink = 0;
  while (std::getline(maps, line)) {
    std::istringstream fields(line);
    std::string range, perms, offset_text, device, inode, pathname;
    fields >> range >> perms >> offset_text >> device >> inode;
    std::getline(fields >> std::ws, pathname);
    if (pathname.empty() || pathname.front() != '/' || perms.empty() || perms[0] != 'r') continue;
    const std::filesystem::path mapped(pathname);
    if (target.empty() ? mapped.filename() != Modulo : mapped != target) continue;

    const auto dash = range.find('-');
    if (dash == std::string::npos) continue;
    const uintptr_t start = std::stoull(range.substr(0, dash), nullptr, 16);
    uintptr_t end = std::stoull(range.substr(dash + 1), nullptr, 16);
    const uintptr_t offset = std::stoull(offset_text, nullptr, 16);
    // Pages past the end of the file would fault (SIGBUS): read only what the file backs.
    struct stat info {};
    if (::stat(pathname.c_str(), &info) != 0 || static_cast<uintptr_t>(info.st_size) <= offset) continue;
    const uintptr_t backed = (static_cast<uintptr_t>(info.st_size) - offset + page - 1) / page * page;
    if (end - start > backed) end = start + backed;
    for (uintptr_t address = start; address < end; address += page) {
      sink = sink + *reinterpret_cast<const volatile unsigned char*>(address);
      ++pages;
    }
  }
  return pages;
}

bool open_with_associated_program(const std::filesystem::path& file) {
  FileOpener opener;
  {
    std::lock_guard lock(g_opener_mutex);
    opener = g_opener;
  }
  return opener ? opener(file) : default_opener(file);
}

void set_file_opener(FileOpener opener) {
  std::lock_guard lock(g_opener_mutex);
  g_opener = std::move(opener);
}

}  // namespace zpk
