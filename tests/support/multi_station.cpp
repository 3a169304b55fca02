#include "support/multi_station.hpp"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/rtl/errors.hpp"
#include "support/database_fixture.hpp"

extern char** environ;

namespace zpk::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string env_text(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path work_dir() {
  fs::path dir = fs::path(ZPK_BINARY_DIR) / "test-databases";
  fs::create_directories(dir);
  return dir;
}

// Host and port of a location prefix: "host/port" or "host" (the default port).
void split_prefix(const std::string& prefix, std::string& host, std::string& port) {
  const size_t slash = prefix.rfind('/');
  host = slash == std::string::npos ? prefix : prefix.substr(0, slash);
  port = slash == std::string::npos ? "3050" : prefix.substr(slash + 1);
}

// Empty when a TCP connection to host:port succeeds within `timeout`, else the reason.
std::string try_connect(const std::string& host, const std::string& port, std::chrono::milliseconds timeout) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    return "cannot resolve " + host + ": " + ::gai_strerror(rc);
  }
  std::string problem = "nothing answers";
  for (addrinfo* a = found; a; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      rc = ::poll(&p, 1, static_cast<int>(timeout.count())) == 1 ? 0 : -1;
      int error = rc == 0 ? 0 : ETIMEDOUT;
      socklen_t len = sizeof error;
      if (rc == 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
      errno = error;
      rc = error == 0 ? 0 : -1;
    }
    if (rc != 0) problem = std::strerror(errno);
    ::close(fd);
    if (rc == 0) {
      ::freeaddrinfo(found);
      return {};
    }
  }
  ::freeaddrinfo(found);
  return problem;
}

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

bool server_configured() {
  return !env_text("ZPK_TEST_SERVER").empty();
}

ServerLocation server_location() {
  ServerLocation server;
  server.prefix = env_text("ZPK_TEST_SERVER");
  if (server.prefix.empty()) {
    throw EZpkError("ZPK_TEST_SERVER is not set: run the tests with scripts/run-tests");
  }
  const std::string data = env_text("ZPK_TEST_SERVER_DATA");
  server.data_dir = data.empty() ? work_dir() : fs::path(data);
  server.credentials = {env_text("ISC_USER"), env_text("ISC_PASSWORD")};
  return server;
}

std::string server_problem() {
  if (!server_configured()) return "ZPK_TEST_SERVER is not set: run the tests with scripts/run-tests";
  std::string host, port;
  split_prefix(server_location().prefix, host, port);
  const std::string problem = try_connect(host, port, 5000ms);
  if (problem.empty()) return {};
  return "the test Firebird server at " + host + "/" + port +
         " (ZPK_TEST_SERVER) does not answer: " + problem + "; is scripts/fbserver running?";
}

bool server_available() {
  return server_configured() && server_problem().empty();
}

ServerDatabase::ServerDatabase(const std::string& label) : server_(server_location()) {
  const fs::path copy = fresh_database(label);
  fs::create_directories(server_.data_dir);
  file_ = server_.data_dir / copy.filename();
  if (file_ != copy) {
    std::error_code ec;
    fs::rename(copy, file_, ec);
    if (ec) {  // another file system
      fs::copy_file(copy, file_, fs::copy_options::overwrite_existing);
      fs::remove(copy, ec);
    }
  }
  location_ = server_.location_of(file_);
}

ServerDatabase::~ServerDatabase() {
  std::error_code ec;
  fs::remove(file_, ec);
}

void ServerDatabase::open(TTIDatabase& database) const {
  database.SetDatabaseName(location_);
  database.SetCredentials(server_.credentials);
  database.Open();
}

void ServerTest::SetUp() {
  ZPK_REQUIRE_TEST_SERVER();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  database_ = std::make_unique<ServerDatabase>(std::string(info->test_suite_name()) + "_" + info->name());
}

void ServerTest::TearDown() {
  database_.reset();
}

fs::path zpk_binary() {
  const std::string env = env_text("ZPK_BINARY");
  if (!env.empty()) return env;
  return fs::path(ZPK_BINARY_DIR) / "apps" / "zpk" / "zpk";
}

std::vector<StationResult> run_stations(int stations, const StationRun& run) {
  const fs::path program = zpk_binary();
  if (!fs::exists(program)) {
    throw EZpkError("the zpk program is missing (" + program.string() + "): build the zpk target");
  }
  DatabaseCredentials credentials = run.credentials;
  if (server_configured() && (credentials.user.empty() || credentials.password.empty())) {
    const DatabaseCredentials server = server_location().credentials;
    if (credentials.user.empty()) credentials.user = server.user;
    if (credentials.password.empty()) credentials.password = server.password;
  }
  std::vector<std::string> environment;
  // The login goes through the environment, not the command line that ps shows.
  if (!credentials.user.empty()) environment.push_back("ISC_USER=" + credentials.user);
  if (!credentials.password.empty()) environment.push_back("ISC_PASSWORD=" + credentials.password);

  std::vector<std::vector<std::string>> processes;
  for (int i = 0; i < stations; ++i) {
    std::vector<std::string> argv = {program.string(), "station", run.workload};
    argv.insert(argv.end(), run.args.begin(), run.args.end());
    for (const std::string& a :
         {std::string("--db"), run.db, std::string("--empresa"), run.empresa, std::string("--usuario"),
          run.usuario, std::string("--count"), std::to_string(run.count), std::string("--station"),
          std::to_string(i), std::string("--start-file"), std::string("{start}")}) {
      argv.push_back(a);
    }
    if (run.extra_args) {
      const std::vector<std::string> extra = run.extra_args(i);
      argv.insert(argv.end(), extra.begin(), extra.end());
    }
    processes.push_back(std::move(argv));
  }
  return run_together(processes, environment, run.timeout);
}

std::vector<StationResult> run_together(const std::vector<std::vector<std::string>>& processes,
                                        const std::vector<std::string>& environment,
                                        std::chrono::seconds timeout) {
  static std::atomic<int> counter{0};
  const fs::path dir =
      work_dir() / ("stations-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
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
    while (!reap_ended()) {
      if (std::chrono::steady_clock::now() > deadline) {
        timed_out = true;
        break;
      }
      std::this_thread::sleep_for(2ms);
    }
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
