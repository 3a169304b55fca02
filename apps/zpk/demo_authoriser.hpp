// The project's local NF-e authoriser (tools/autorizador) for a working day
// on a test database: a test PKI made at run time for the company's CNPJ in
// a private folder, the server on a free loopback port, and both gone when
// the object ends. No key outlives the run: the authority would refuse these
// certificates anyway, and the next run makes new ones.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "billing/nfe/assina_nfe.hpp"
#include "private_folder.hpp"

namespace zpk::cli {

class DemoAuthoriser {
 public:
  // Makes the PKI (a CA, the server's certificate, and the company's A1 for
  // `cnpj` under a password of its own) and starts the server for
  // environment `tpamb` ("1"/"2"). Raises EZpkError when the tool is not
  // found, cannot make its PKI, or does not serve within a minute, and
  // EDatabaseError (cancelled) when a stop is requested meanwhile (SIGINT,
  // SIGTERM): whatever it had made is removed first.
  DemoAuthoriser(const std::string& cnpj, const std::string& tpamb);
  // Stops the server (SIGTERM, then SIGKILL when it does not end) and removes the folder.
  ~DemoAuthoriser();
  DemoAuthoriser(const DemoAuthoriser&) = delete;
  DemoAuthoriser& operator=(const DemoAuthoriser&) = delete;

  // "https://127.0.0.1:PORT": every service at BASE/<service>.
  std::string base_url() const;
  // The PKI's CA (PEM): it signs the server's certificate and the A1.
  std::filesystem::path ca() const { return folder_ / "ca.pem"; }
  // The company's A1 certificate and its password.
  nfe::A1Certificate certificate() const;
  // A file whose first line is the A1's password (0600), for other processes.
  std::filesystem::path password_file() const { return folder_ / "senha"; }
  const std::filesystem::path& folder() const { return folder_.path(); }

 private:
  void stop() noexcept;

  PrivateFolder folder_;
  std::string cnpj_;
  std::string password_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// tools/autorizador/autorizador.py beside the schema folder: in a checkout
// its root, in an installation share/zpkunits. Raises EZpkError when it is not there.
std::filesystem::path authoriser_script();

}  // namespace zpk::cli
