#include "reporting/print_queue.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "foundation/station_settings.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"

extern char** environ;

namespace zpk {

namespace fs = std::filesystem;

namespace {

std::mutex g_hooks_mutex;
PrintSpawner g_spawner;
PrinterLister g_lister;

// Runs argv (found in $PATH) with stdin from /dev/null; its stdout goes to
// `out_fd` when not negative. The exit status, or -1 when it did not start.
int run(const std::vector<std::string>& args, int out_fd) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  int rc = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (rc == 0 && out_fd >= 0) rc = posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (rc == 0) rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool run_lp(const std::vector<std::string>& argv) {
  return run(argv, -1) == 0;
}

// `lpstat -e` prints one destination a line.
std::vector<std::string> lpstat_printers() {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  // The child writes into the pipe while we wait, so read it on our side
  // only after it ended: the list of a station fits in the pipe's buffer,
  // and a longer one is cut rather than blocking.
  fcntl(pipe_fds[1], F_SETFL, O_NONBLOCK);
  const int status = run({"lpstat", "-e"}, pipe_fds[1]);
  close(pipe_fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  close(pipe_fds[0]);
  if (status != 0) return {};
  std::vector<std::string> printers;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = Trim(line);
    if (!line.empty()) printers.push_back(line);
  }
  return printers;
}

// A file name for `job_name` free of separators.
std::string safe_job_name(const std::string& job_name) {
  std::string name;
  for (char c : job_name) name += (c == '/' || c == '\\' || c == ':' || c == '\0') ? '_' : c;
  name = Trim(name);
  return name.empty() || name == "." || name == ".." ? "relatorio" : name;
}

}  // namespace

PrintSpawner set_print_spawner(PrintSpawner spawner) {
  std::lock_guard lock(g_hooks_mutex);
  return std::exchange(g_spawner, std::move(spawner));
}

PrinterLister set_printer_lister(PrinterLister lister) {
  std::lock_guard lock(g_hooks_mutex);
  return std::exchange(g_lister, std::move(lister));
}

std::vector<std::string> impressoras_instaladas() {
  PrinterLister lister;
  {
    std::lock_guard lock(g_hooks_mutex);
    lister = g_lister;
  }
  return lister ? lister() : lpstat_printers();
}

fs::path pasta_impressao() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return fs::path(data) / "zpk" / "impressao";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".local" / "share" / "zpk" / "impressao";
}

PrintOutcome send_to_print_queue(const fs::path& file, const std::string& printer, bool raw,
                                 const std::string& job_name) {
  PrintOutcome outcome;
  outcome.printer = Trim(printer);
  if (outcome.printer.empty()) outcome.printer = ImpressoraPadrao();
  if (outcome.printer.empty()) {
    const fs::path folder = pasta_impressao();
    std::error_code ec;
    fs::create_directories(folder, ec);
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const fs::path target = folder / fmt::format("{}_{}_{}{}", safe_job_name(job_name), stamp, counter++,
                                                 file.extension().string());
    fs::copy_file(file, target, fs::copy_options::overwrite_existing, ec);
    if (ec)
      throw EZpkError(
          fmt::format("Não foi possível gravar a impressão em {}: {}", target.string(), ec.message()));
    outcome.file = target.string();
    return outcome;
  }
  std::vector<std::string> argv{"lp", "-d", outcome.printer};
  if (raw) {
    argv.push_back("-o");
    argv.push_back("raw");
  }
  // An absolute path never starts with "-", so lp cannot read it as an option.
  argv.push_back(fs::absolute(file).string());
  PrintSpawner spawner;
  {
    std::lock_guard lock(g_hooks_mutex);
    spawner = g_spawner;
  }
  const bool accepted = spawner ? spawner(argv) : run_lp(argv);
  if (!accepted) throw EZpkError(fmt::format("A impressora {} não aceitou a impressão.", outcome.printer));
  return outcome;
}

}  // namespace zpk
