// The local authoriser as a child process of zpk.
#include "demo_authoriser.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/rand.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "platform/db/cancellation.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/schema_setup.hpp"

namespace zpk::cli {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Debian's interpreter: it has the modules the tool needs (python3-lxml,
// python3-xmlsec, python3-cryptography), whatever python3 comes first on PATH.
constexpr const char* kPython = "/usr/bin/python3";

// The last line the tool wrote to its log, for an error message.
std::string last_line(const fs::path& log) {
  std::ifstream in(log);
  std::string line, last;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
  }
  return last.empty() ? "(nothing in " + log.string() + ")" : last;
}

// Starts `args` (the program first) with standard input from /dev/null and
// its output appended to `log`. The child gets a process group of its own
// (a Ctrl-C at the terminal is zpk's to pass on, not the tool's to take),
// the signals that zpk's StopSignals keeps blocked unblocked again, and is
// ended by the kernel should zpk die without stopping it.
pid_t spawn(const std::vector<std::string>& args, const fs::path& log) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const char* log_name = log.c_str();
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) throw EZpkError(fmt::format("cannot start {}: {}", args.front(), std::strerror(errno)));
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec: zpk has other threads.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    const int in = ::open("/dev/null", O_RDONLY);
    if (in >= 0) ::dup2(in, STDIN_FILENO);
    const int out = ::open(log_name, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW, 0600);
    if (out >= 0) {
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Ends `pid`: SIGTERM, and SIGKILL when it has not ended within `bound`.
void end_process(pid_t pid, std::chrono::milliseconds bound) noexcept {
  ::kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < deadline) {
    const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return;
    std::this_thread::sleep_for(20ms);
  }
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// A password of its own for the A1, in a file only this user reads.
std::string write_password(const fs::path& file) {
  unsigned char bytes[12];
  if (RAND_bytes(bytes, sizeof bytes) != 1)
    throw EZpkError("cannot draw a password for the test certificate");
  std::string password;
  for (unsigned char b : bytes) password += fmt::format("{:02x}", b);
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw EZpkError(fmt::format("cannot create {}: {}", file.string(), std::strerror(errno)));
  const std::string line = password + "\n";
  const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  if (::close(fd) != 0 || !written) throw EZpkError(fmt::format("cannot write {}", file.string()));
  return password;
}

}  // namespace

fs::path authoriser_script() {
  const fs::path script = find_schema_dir().parent_path() / "tools" / "autorizador" / "autorizador.py";
  if (!fs::is_regular_file(script))
    throw EZpkError(
        fmt::format("the local NF-e authoriser is not installed: {} is missing", script.string()));
  return script;
}

DemoAuthoriser::DemoAuthoriser(const std::string& cnpj, const std::string& tpamb)
    : folder_("autorizador"), cnpj_(cnpj) {
  if (::access(kPython, X_OK) != 0)
    throw EZpkError(
        fmt::format("the local NF-e authoriser needs {} (Debian's python3 with python3-lxml, "
                    "python3-xmlsec and python3-cryptography)",
                    kPython));
  const std::string script = authoriser_script().string();
  const fs::path log = folder_ / "autorizador.log";
  password_ = write_password(password_file());
  try {
    // The PKI: RSA keys take a moment on a slow machine, hence the generous bound.
    pid_ = spawn({kPython, script, "certs", folder_.path().string(), "--cnpj", cnpj_, "--password-file",
                  password_file().string()},
                 log);
    const auto made_by = std::chrono::steady_clock::now() + 120s;
    for (;;) {
      int status = 0;
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
          throw EZpkError(
              fmt::format("the local authoriser could not make its test certificates: {}", last_line(log)));
        break;
      }
      throw_if_stop_requested();
      if (std::chrono::steady_clock::now() > made_by)
        throw EZpkError("the local authoriser did not make its test certificates within 120 s");
      std::this_thread::sleep_for(20ms);
    }

    const fs::path port_file = folder_ / "porta";
    pid_ = spawn({kPython, script, "serve", "--cert", (folder_ / "server.pem").string(), "--key",
                  (folder_ / "server.key").string(), "--client-ca", ca().string(), "--state",
                  (folder_ / "estado").string(), "--port", "0", "--port-file", port_file.string(), "--tpamb",
                  tpamb.empty() ? "2" : tpamb, "--schemas", (find_schema_dir() / "nfe").string()},
                 log);
    // Python loads the schemas before it listens; the port file (written
    // whole, by rename) says it is ready.
    const auto serving_by = std::chrono::steady_clock::now() + 60s;
    while (port_ <= 0) {
      std::ifstream in(port_file);
      if (in >> port_ && port_ > 0) break;
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        throw EZpkError(fmt::format("the local authoriser stopped before serving: {}", last_line(log)));
      }
      throw_if_stop_requested();
      if (std::chrono::steady_clock::now() > serving_by)
        throw EZpkError(fmt::format("the local authoriser did not serve within 60 s: {}", last_line(log)));
      std::this_thread::sleep_for(20ms);
    }
  } catch (...) {
    stop();
    throw;
  }
}

DemoAuthoriser::~DemoAuthoriser() {
  // The keys go first: the server has them in memory, and a zpk stopped by a
  // signal is given little time before it ends regardless.
  if (pid_ > 0) ::kill(pid_, SIGTERM);
  std::error_code ignored;
  fs::remove_all(folder_.path(), ignored);
  stop();
}

void DemoAuthoriser::stop() noexcept {
  if (pid_ <= 0) return;
  // It answers SIGTERM by finishing the request in hand and saving its state.
  end_process(pid_, 10s);
  pid_ = -1;
}

std::string DemoAuthoriser::base_url() const {
  return fmt::format("https://127.0.0.1:{}", port_);
}

nfe::A1Certificate DemoAuthoriser::certificate() const {
  return nfe::A1Certificate{folder_ / fmt::format("a1-{}.pfx", cnpj_), password_};
}

}  // namespace zpk::cli
