#include "support/station_processes.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/rtl/errors.hpp"

extern char** environ;

namespace zpk::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// This process's environment with `overrides` ("NAME=value") added or replacing.
std::vector<std::string> merged_environment(const std::vector<std::string>& overrides) {
  std::vector<std::string> result;
  auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& o : overrides) replaced = replaced || name_of(o) == name_of(entry);
    if (!replaced) result.push_back(entry);
  }
  result.insert(result.end(), overrides.begin(), overrides.end());
  return result;
}

std::vector<char*> c_strings(std::vector<std::string>& items) {
  std::vector<char*> result;
  for (std::string& s : items) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

int exit_code_of(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::string read_all(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

std::vector<StationResult> run_together(const std::vector<std::vector<std::string>>& processes,
                                        const std::vector<std::string>& environment,
                                        std::chrono::seconds timeout,
                                        std::chrono::duration<double>* released_for,
                                        const WhileRunning& while_running) {
  static std::atomic<int> counter{0};
  const fs::path dir = fs::temp_directory_path() /
                       ("zpk-stations-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path start = dir / "start";

  std::vector<std::string> env = merged_environment(environment);
  std::vector<char*> envp = c_strings(env);

  const size_t n = processes.size();
  std::vector<StationResult> results(n);
  std::vector<pid_t> pids(n, -1);
  std::vector<bool> done(n, false);

  auto kill_and_reap = [&](const std::string& why) {
    for (size_t i = 0; i < n; ++i) {
      if (pids[i] <= 0 || done[i]) continue;
      ::kill(pids[i], SIGKILL);
      int status = 0;
      ::waitpid(pids[i], &status, 0);
      results[i].exit_code = exit_code_of(status);
      results[i].ended = std::chrono::steady_clock::now();
      results[i].errors += why;
      done[i] = true;
    }
  };
  // Records the end of every process that has ended; true when all have.
  auto reap_ended = [&] {
    bool all = true;
    for (size_t i = 0; i < n; ++i) {
      if (done[i]) continue;
      int status = 0;
      if (::waitpid(pids[i], &status, WNOHANG) == pids[i]) {
        results[i].exit_code = exit_code_of(status);
        results[i].ended = std::chrono::steady_clock::now();
        done[i] = true;
      } else {
        all = false;
      }
    }
    return all;
  };

  for (size_t i = 0; i < n; ++i) {
    std::vector<std::string> args = processes[i];
    for (std::string& a : args) {
      for (size_t at; (at = a.find("{start}")) != std::string::npos;) a.replace(at, 7, start.string());
    }
    std::vector<char*> argv = c_strings(args);
    const std::string out = (dir / (std::to_string(i) + ".out")).string();
    const std::string err = (dir / (std::to_string(i) + ".err")).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      kill_and_reap("");
      fs::remove_all(dir);
      throw EZpkError("cannot start " + args.front() + ": " + std::strerror(rc));
    }
    pids[i] = pid;
  }

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool timed_out = false;
  // The barrier: every process has connected (its ready file) or has already ended.
  for (;;) {
    reap_ended();
    bool all_ready = true;
    for (size_t i = 0; i < n && all_ready; ++i) {
      all_ready = done[i] || fs::exists(start.string() + ".ready." + std::to_string(pids[i]));
    }
    if (all_ready) break;
    if (std::chrono::steady_clock::now() > deadline) {
      timed_out = true;
      break;
    }
    std::this_thread::sleep_for(1ms);
  }
  if (!timed_out) {
    // Written under another name and renamed: the start file appears whole.
    const fs::path pending = dir / "start.pending";
    std::ofstream(pending) << "go\n";
    fs::rename(pending, start);
    const auto released = std::chrono::steady_clock::now();
    if (while_running) {
      try {
        while_running(pids);
      } catch (...) {
        kill_and_reap("\n[killed: the test failed while the stations ran]\n");
        fs::remove_all(dir);
        throw;
      }
    }
    while (!reap_ended()) {
      if (std::chrono::steady_clock::now() > deadline) {
        timed_out = true;
        break;
      }
      std::this_thread::sleep_for(2ms);
    }
    if (released_for && !timed_out) *released_for = std::chrono::steady_clock::now() - released;
  }
  if (timed_out) {
    kill_and_reap("\n[killed: still running after " + std::to_string(timeout.count()) + " s]\n");
  }

  for (size_t i = 0; i < n; ++i) {
    results[i].lines = lines_of(read_all(dir / (std::to_string(i) + ".out")));
    results[i].errors = read_all(dir / (std::to_string(i) + ".err")) + results[i].errors;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return results;
}

std::vector<std::string> all_lines(const std::vector<StationResult>& results) {
  std::vector<std::string> lines;
  for (const StationResult& r : results) lines.insert(lines.end(), r.lines.begin(), r.lines.end());
  return lines;
}

std::string describe(const std::vector<StationResult>& results) {
  std::string text;
  for (size_t i = 0; i < results.size(); ++i) {
    text += "station " + std::to_string(i) + ": exit " + std::to_string(results[i].exit_code);
    if (!results[i].errors.empty()) text += ", stderr: " + results[i].errors;
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

}  // namespace zpk::test
