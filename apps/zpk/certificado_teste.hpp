// A throw-away A1 certificate for signing NF-e where no real one exists (the
// demo, a working day on a test database): made at run time, never kept in
// the tree, and useless to the authority (self-signed).
#pragma once

#include <filesystem>
#include <string>

namespace zpk::cli {

// Writes a PKCS#12 file at `arquivo` holding a new RSA-2048 key and a
// self-signed certificate for `titular` (common name), valid for a day,
// protected by `senha`. Raises EZpkError when OpenSSL cannot make or write it.
void CriaCertificadoTeste(const std::filesystem::path& arquivo, const std::string& titular,
                          const std::string& senha);

}  // namespace zpk::cli
