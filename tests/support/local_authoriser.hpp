// The project's local NF-e authoriser (tools/autorizador) for tests: its test
// certificates made in a private folder, the server started on a free
// loopback port, faults injected through its control file, and stopped with
// the test.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace zpk::test {

// The certificates one test run uses: a CA, the server's (trusted, untrusted,
// for another name) and one A1 per CNPJ, password "1234".
class AuthoriserCertificates {
 public:
  // Makes them in `folder` for the CNPJs given (and an expired A1 for `expired_cnpj` when set).
  AuthoriserCertificates(const std::filesystem::path& folder, const std::vector<std::string>& cnpjs,
                         const std::string& expired_cnpj = "");
  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path ca() const { return folder_ / "ca.pem"; }
  std::filesystem::path a1(std::string_view cnpj) const;
  std::filesystem::path expired_a1(std::string_view cnpj) const;
  static constexpr const char* kPassword = "1234";

 private:
  std::filesystem::path folder_;
};

// Which server certificate the authoriser presents.
enum class ServerIdentity { trusted, untrusted, wrong_name };

class LocalAuthoriser {
 public:
  // Starts it with its state in `state` (created), serving environment
  // `tpamb`; `svc` "AN" or "RS" makes it a contingency authoriser.
  LocalAuthoriser(const AuthoriserCertificates& certs, const std::filesystem::path& state,
                  ServerIdentity identity = ServerIdentity::trusted, const std::string& svc = "",
                  const std::string& tpamb = "2");
  ~LocalAuthoriser();
  LocalAuthoriser(const LocalAuthoriser&) = delete;
  LocalAuthoriser& operator=(const LocalAuthoriser&) = delete;

  // "https://127.0.0.1:PORT".
  std::string base_url() const;
  int port() const { return port_; }
  // Replaces the fault rules (a JSON list; "[]" for none).
  void set_faults(const std::string& json_rules) const;
  // The server's statistics file as text (what it authorised, per key).
  std::string stats() const;
  // How many authorisations the server gave the key (from its statistics).
  int authorisations_of(const std::string& key) const;

 private:
  std::filesystem::path state_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// The script: tools/autorizador/autorizador.py of the source tree.
std::filesystem::path authoriser_script();

}  // namespace zpk::test
