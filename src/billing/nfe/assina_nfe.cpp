// NF-e signing and verification with xmlsec1 (OpenSSL engine).
#include "billing/nfe/assina_nfe.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <mutex>
#include <stdexcept>

#include <fmt/format.h>
#include <libxml/parser.h>
#include <openssl/evp.h>
#include <libxml/tree.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

namespace zpk::nfe {
namespace {

// xmlsec and its crypto engine, started once per process.
void IniciaXmlSec() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    xmlInitParser();
    // Failures come back as exceptions or a failed verification; the
    // library's own lines on standard error would only repeat them.
    xmlSecErrorsDefaultCallbackEnableOutput(0);
    ok = xmlSecInit() >= 0 && xmlSecCheckVersion() == 1 && xmlSecCryptoAppInit(nullptr) >= 0 &&
         xmlSecCryptoInit() >= 0;
  });
  if (!ok) throw std::runtime_error("Assinatura da NF-e: a biblioteca xmlsec não iniciou");
}

struct LiberaDoc {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct LiberaCtx {
  void operator()(xmlSecDSigCtx* c) const { xmlSecDSigCtxDestroy(c); }
};
struct LiberaMngr {
  void operator()(xmlSecKeysMngr* m) const { xmlSecKeysMngrDestroy(m); }
};
using Doc = std::unique_ptr<xmlDoc, LiberaDoc>;

// The certificate's key as last read. Opening a PKCS#12 file costs more than
// the signature itself (its password is stretched thousands of times), and
// an invoicing station signs with the same file all day: the key is read
// again only when the file (path, size, time) or the password changes. The
// password is kept as its SHA-256 only.
struct ChaveLida {
  std::string arquivo;
  std::filesystem::file_time_type quando;
  std::uintmax_t tamanho = 0;
  std::string senha_sha256;
  xmlSecKeyPtr chave = nullptr;
};

std::string Sha256(std::string_view Texto) {
  unsigned char md[EVP_MAX_MD_SIZE];
  size_t n = 0;
  if (EVP_Q_digest(nullptr, "SHA256", nullptr, Texto.data(), Texto.size(), md, &n) == 0) return {};
  return std::string(reinterpret_cast<const char*>(md), n);
}

// A copy of the certificate's key for one signature (the context frees it),
// or nullptr when the file cannot be read with that password.
xmlSecKeyPtr ChaveDoCertificado(const std::filesystem::path& Certificado, std::string_view Senha) {
  static std::mutex trava;
  static ChaveLida lida;
  std::error_code ec;
  const auto quando = std::filesystem::last_write_time(Certificado, ec);
  const auto tamanho = ec ? 0 : std::filesystem::file_size(Certificado, ec);
  const std::string senha_sha256 = Sha256(Senha);
  std::lock_guard<std::mutex> guarda(trava);
  if (ec || lida.chave == nullptr || lida.arquivo != Certificado.string() || lida.quando != quando ||
      lida.tamanho != tamanho || senha_sha256.empty() || lida.senha_sha256 != senha_sha256) {
    const std::string senha(Senha);
    xmlSecKeyPtr chave = xmlSecCryptoAppKeyLoad(Certificado.string().c_str(), xmlSecKeyDataFormatPkcs12,
                                                senha.c_str(), nullptr, nullptr);
    if (chave == nullptr) return nullptr;
    if (lida.chave != nullptr) xmlSecKeyDestroy(lida.chave);
    lida = ChaveLida{Certificado.string(), quando, tamanho, senha_sha256, chave};
  }
  return xmlSecKeyDuplicate(lida.chave);
}

// The document parsed, with infNFe's Id registered as an XML ID so that the
// reference "#NFe..." resolves.
Doc Le(std::string_view Xml) {
  Doc doc(xmlReadMemory(Xml.data(), static_cast<int>(Xml.size()), "nfe.xml", "UTF-8", XML_PARSE_NONET));
  if (!doc) throw std::invalid_argument("Assinatura da NF-e: XML malformado");
  const xmlChar* ids[] = {BAD_CAST "Id", nullptr};
  xmlSecAddIDs(doc.get(), xmlDocGetRootElement(doc.get()), ids);
  return doc;
}

// The document as text.
std::string Texto(xmlDoc* Documento) {
  xmlChar* buffer = nullptr;
  int tamanho = 0;
  xmlDocDumpMemoryEnc(Documento, &buffer, &tamanho, "UTF-8");
  std::string saida(reinterpret_cast<const char*>(buffer), tamanho);
  xmlFree(buffer);
  return saida;
}

}  // namespace

std::string AssinaXmlNFe(std::string_view Xml, const std::filesystem::path& Certificado,
                         std::string_view Senha) {
  IniciaXmlSec();
  Doc doc = Le(Xml);
  xmlNode* raiz = xmlDocGetRootElement(doc.get());
  xmlNode* inf = raiz
                     ? xmlSecFindChild(raiz, BAD_CAST "infNFe", BAD_CAST "http://www.portalfiscal.inf.br/nfe")
                     : nullptr;
  xmlChar* id = inf ? xmlGetProp(inf, BAD_CAST "Id") : nullptr;
  if (!id) throw std::invalid_argument("Assinatura da NF-e: o XML não tem infNFe com Id");
  std::string uri = std::string("#") + reinterpret_cast<const char*>(id);
  xmlFree(id);

  xmlNode* assinatura =
      xmlSecTmplSignatureCreate(doc.get(), xmlSecTransformInclC14NId, xmlSecTransformRsaSha1Id, nullptr);
  xmlAddChild(raiz, assinatura);
  xmlNode* ref = xmlSecTmplSignatureAddReference(assinatura, xmlSecTransformSha1Id, nullptr,
                                                 BAD_CAST uri.c_str(), nullptr);
  xmlSecTmplReferenceAddTransform(ref, xmlSecTransformEnvelopedId);
  xmlSecTmplReferenceAddTransform(ref, xmlSecTransformInclC14NId);
  xmlNode* x509 = xmlSecTmplKeyInfoAddX509Data(xmlSecTmplSignatureEnsureKeyInfo(assinatura, nullptr));
  xmlSecTmplX509DataAddCertificate(x509);

  std::unique_ptr<xmlSecDSigCtx, LiberaCtx> ctx(xmlSecDSigCtxCreate(nullptr));
  ctx->signKey = ChaveDoCertificado(Certificado, Senha);
  if (!ctx->signKey) {
    throw std::invalid_argument(
        fmt::format("Assinatura da NF-e: certificado \"{}\" ilegível ou senha errada", Certificado.string()));
  }
  if (xmlSecDSigCtxSign(ctx.get(), assinatura) < 0) {
    throw std::runtime_error("Assinatura da NF-e: a assinatura falhou");
  }
  return Texto(doc.get());
}

bool VerificaAssinaturaNFe(std::string_view Xml) {
  IniciaXmlSec();
  Doc doc = Le(Xml);
  xmlNode* assinatura = xmlSecFindNode(xmlDocGetRootElement(doc.get()), xmlSecNodeSignature, xmlSecDSigNs);
  if (!assinatura) return false;
  // The signature must cover infNFe itself: a valid signature over another
  // element carrying an Id would otherwise pass for the invoice's.
  xmlNode* raiz = xmlDocGetRootElement(doc.get());
  xmlNode* inf = xmlSecFindChild(raiz, BAD_CAST "infNFe", BAD_CAST "http://www.portalfiscal.inf.br/nfe");
  xmlNode* ref = xmlSecFindNode(assinatura, xmlSecNodeReference, xmlSecDSigNs);
  xmlChar* id = inf ? xmlGetProp(inf, BAD_CAST "Id") : nullptr;
  xmlChar* uri = ref ? xmlGetProp(ref, BAD_CAST "URI") : nullptr;
  bool cobre =
      id && uri && std::string("#") + reinterpret_cast<const char*>(id) == reinterpret_cast<const char*>(uri);
  xmlFree(id);
  xmlFree(uri);
  if (!cobre || assinatura->parent != raiz) return false;
  std::unique_ptr<xmlSecKeysMngr, LiberaMngr> mngr(xmlSecKeysMngrCreate());
  if (!mngr || xmlSecCryptoAppDefaultKeysMngrInit(mngr.get()) < 0) {
    throw std::runtime_error("Assinatura da NF-e: gerenciador de chaves não iniciou");
  }
  std::unique_ptr<xmlSecDSigCtx, LiberaCtx> ctx(xmlSecDSigCtxCreate(mngr.get()));
  ctx->keyInfoReadCtx.flags |= XMLSEC_KEYINFO_FLAGS_X509DATA_DONT_VERIFY_CERTS;
  if (xmlSecDSigCtxVerify(ctx.get(), assinatura) < 0) return false;
  return ctx->status == xmlSecDSigStatusSucceeded;
}

}  // namespace zpk::nfe
