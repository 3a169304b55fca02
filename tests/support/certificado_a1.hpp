// A self-signed A1 certificate for the signature tests, made with the openssl
// command in a test's folder (never kept in the tree).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zpk::test {

// Writes `pasta`/a1.pfx (replacing it) for common name `titular`, protected by
// `senha`; true when openssl made it.
inline bool certificado_a1(const std::filesystem::path& pasta, const std::string& titular,
                           const std::string& senha) {
  std::error_code ec;
  std::filesystem::remove(pasta / "a1.pfx", ec);
  const std::string comando =
      "cd '" + pasta.string() +
      "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem -out c.pem -days 2 "
      "-subj '/CN=" +
      titular +
      "' >/dev/null 2>&1 && openssl pkcs12 -export -inkey k.pem -in c.pem -out a1.pfx "
      "-passout 'pass:" +
      senha + "' >/dev/null 2>&1";
  return std::system(comando.c_str()) == 0;
}

}  // namespace zpk::test
