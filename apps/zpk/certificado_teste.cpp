// A self-signed A1 certificate made with OpenSSL's library.
#include "certificado_teste.hpp"

#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"

namespace zpk::cli {

namespace {

template <class T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const { Free(p); }
};
template <class T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Freer<T, Free>>;

}  // namespace

void CriaCertificadoTeste(const std::filesystem::path& arquivo, const std::string& titular,
                          const std::string& senha) {
  const auto fail = [&](const char* what) {
    return EZpkError(fmt::format("test certificate {}: cannot {}", arquivo.string(), what));
  };
  Owned<EVP_PKEY, EVP_PKEY_free> key(EVP_RSA_gen(2048));
  if (!key) throw fail("make an RSA key");
  Owned<X509, X509_free> cert(X509_new());
  if (!cert) throw fail("make a certificate");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(titular.c_str()),
                             -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) throw fail("sign the certificate");
  Owned<PKCS12, PKCS12_free> p12(
      PKCS12_create(senha.c_str(), titular.c_str(), key.get(), cert.get(), nullptr, 0, 0, 0, 0, 0));
  if (!p12) throw fail("pack the PKCS#12 file");
  std::FILE* f = std::fopen(arquivo.c_str(), "wb");
  if (f == nullptr) throw fail("create the file");
  const bool written = i2d_PKCS12_fp(f, p12.get()) == 1;
  if (std::fclose(f) != 0 || !written) {
    std::remove(arquivo.c_str());
    throw fail("write the file");
  }
}

}  // namespace zpk::cli
