// Starting and stopping the local NF-e authoriser for tests.
#include "support/local_authoriser.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/temp_folder.hpp"

namespace zpk::test {
namespace {

// Debian's interpreter, which has the modules the authoriser uses (lxml,
// xmlsec, cryptography), whatever python3 comes first on PATH.
constexpr const char* kPython = "/usr/bin/python3";

// Starts the command with its output going to `log`; returns its PID.
pid_t spawn(const std::vector<std::string>& args, const std::filesystem::path& log) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Runs the command to its end; its exit status.
int run(const std::vector<std::string>& args, const std::filesystem::path& log) {
  int status = 0;
  ::waitpid(spawn(args, log), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::filesystem::path authoriser_script() {
  return std::filesystem::path(ZPK_SOURCE_DIR) / "tools" / "autorizador" / "autorizador.py";
}

AuthoriserCertificates::AuthoriserCertificates(const std::filesystem::path& folder,
                                               const std::vector<std::string>& cnpjs,
                                               const std::string& expired_cnpj)
    : folder_(folder) {
  std::filesystem::create_directories(folder_);
  std::vector<std::string> args{kPython, authoriser_script().string(), "certs", folder_.string()};
  for (const auto& c : cnpjs) {
    args.push_back("--cnpj");
    args.push_back(c);
  }
  if (!expired_cnpj.empty()) {
    args.push_back("--expired-cnpj");
    args.push_back(expired_cnpj);
  }
  if (run(args, folder_ / "certs.log") != 0) {
    throw std::runtime_error("the authoriser's certificates were not made: " +
                             read_file(folder_ / "certs.log"));
  }
}

std::filesystem::path AuthoriserCertificates::a1(std::string_view cnpj) const {
  return folder_ / ("a1-" + std::string(cnpj) + ".pfx");
}

std::filesystem::path AuthoriserCertificates::expired_a1(std::string_view cnpj) const {
  return folder_ / ("a1-" + std::string(cnpj) + "-expired.pfx");
}

LocalAuthoriser::LocalAuthoriser(const AuthoriserCertificates& certs, const std::filesystem::path& state,
                                 ServerIdentity identity, const std::string& svc, const std::string& tpamb)
    : state_(state) {
  std::filesystem::create_directories(state_);
  const auto port_file = state_ / "port";
  std::filesystem::remove(port_file);
  const char* name = identity == ServerIdentity::trusted     ? "server"
                     : identity == ServerIdentity::untrusted ? "server-untrusted"
                                                             : "server-wrongname";
  std::vector<std::string> args{kPython,
                                authoriser_script().string(),
                                "serve",
                                "--cert",
                                (certs.folder() / (std::string(name) + ".pem")).string(),
                                "--key",
                                (certs.folder() / (std::string(name) + ".key")).string(),
                                "--client-ca",
                                certs.ca().string(),
                                "--state",
                                state_.string(),
                                "--port",
                                "0",
                                "--port-file",
                                port_file.string(),
                                "--tpamb",
                                tpamb};
  if (!svc.empty()) {
    args.push_back("--svc");
    args.push_back(svc);
  }
  const auto log = state_ / "server.log";
  pid_ = spawn(args, log);
  // A slow machine may take a while to start Python and load the schemas.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream in(port_file);
    if (in >> port_ && port_ > 0) return;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("the local authoriser stopped: " + read_file(log));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  throw std::runtime_error("the local authoriser did not start: " + read_file(log));
}

LocalAuthoriser::~LocalAuthoriser() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::string LocalAuthoriser::base_url() const {
  return "https://127.0.0.1:" + std::to_string(port_);
}

void LocalAuthoriser::set_faults(const std::string& json_rules) const {
  const auto temp = state_ / "control.json.tmp";
  write_file(temp, json_rules);
  std::filesystem::rename(temp, state_ / "control.json");
}

std::string LocalAuthoriser::stats() const {
  std::error_code ec;
  return std::filesystem::exists(state_ / "stats.json", ec) ? read_file(state_ / "stats.json")
                                                            : std::string("{}");
}

int LocalAuthoriser::authorisations_of(const std::string& key) const {
  // stats.json: {"authorisations": {"<key>": N, ...}, ...}
  const std::string text = stats();
  const auto section = text.find("\"authorisations\"");
  if (section == std::string::npos) return 0;
  const auto end = text.find('}', section);
  std::smatch m;
  const std::string part = text.substr(section, end - section);
  if (!std::regex_search(part, m, std::regex("\"" + key + "\"\\s*:\\s*([0-9]+)"))) return 0;
  return std::stoi(m[1]);
}

}  // namespace zpk::test
