// NF-e signing and verification with xmlsec1 (OpenSSL engine); the
// certificate's facts straight from OpenSSL.
#include "billing/nfe/assina_nfe.hpp"

#include <cctype>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include <fmt/format.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/openssl/x509.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include "billing/nfe/nfe_error.hpp"

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
  if (!ok) throw ENFeError(NFeErrorKind::signature, "Assinatura da NF-e: a biblioteca xmlsec não iniciou");
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

// The keys manager a verification reads the document's certificate with.
// Making one loads the system's certificate authorities (a verification
// never checks a chain, but the manager is built for one), which costs many
// times the verification itself: each thread makes its own once.
xmlSecKeysMngr* GerenciadorDeChaves() {
  thread_local std::unique_ptr<xmlSecKeysMngr, LiberaMngr> mngr = [] {
    std::unique_ptr<xmlSecKeysMngr, LiberaMngr> m(xmlSecKeysMngrCreate());
    if (m && xmlSecCryptoAppDefaultKeysMngrInit(m.get()) < 0) m.reset();
    return m;
  }();
  if (!mngr)
    throw ENFeError(NFeErrorKind::signature, "Assinatura da NF-e: gerenciador de chaves não iniciou");
  return mngr.get();
}

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

// Keeps only the holder's own certificate with the key. An A1 file usually
// carries its issuers' chain too, and the signature would then list every
// certificate in X509Data, where the NF-e's schema takes exactly one.
bool SoOCertificadoDoTitular(xmlSecKeyPtr Chave) {
  xmlSecKeyDataPtr dados = xmlSecKeyGetData(Chave, xmlSecOpenSSLKeyDataX509Id);
  X509* titular = dados ? xmlSecOpenSSLKeyDataX509GetKeyCert(dados) : nullptr;
  if (titular == nullptr || xmlSecOpenSSLKeyDataX509GetCertsSize(dados) <= 1) return true;
  xmlSecKeyDataPtr so_ele = xmlSecKeyDataCreate(xmlSecOpenSSLKeyDataX509Id);
  // The key's certificate, and the same certificate as the one X509Data lists.
  X509* copia = so_ele ? X509_dup(titular) : nullptr;
  if (copia == nullptr || xmlSecOpenSSLKeyDataX509AdoptKeyCert(so_ele, copia) < 0) {
    if (copia) X509_free(copia);
    if (so_ele) xmlSecKeyDataDestroy(so_ele);
    return false;
  }
  X509* listado = X509_dup(titular);
  if (listado == nullptr || xmlSecOpenSSLKeyDataX509AdoptCert(so_ele, listado) < 0) {
    if (listado) X509_free(listado);
    xmlSecKeyDataDestroy(so_ele);
    return false;
  }
  if (xmlSecKeyAdoptData(Chave, so_ele) < 0) {
    xmlSecKeyDataDestroy(so_ele);
    return false;
  }
  return true;
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
    if (!SoOCertificadoDoTitular(chave)) {
      xmlSecKeyDestroy(chave);
      return nullptr;
    }
    if (lida.chave != nullptr) xmlSecKeyDestroy(lida.chave);
    lida = ChaveLida{Certificado.string(), quando, tamanho, senha_sha256, chave};
  }
  return xmlSecKeyDuplicate(lida.chave);
}

// The document parsed, with its Id attributes registered as XML IDs so that
// a reference "#NFe..." resolves.
Doc Le(std::string_view Xml) {
  Doc doc(xmlReadMemory(Xml.data(), static_cast<int>(Xml.size()), "nfe.xml", "UTF-8", XML_PARSE_NONET));
  if (!doc) throw ENFeError(NFeErrorKind::invalid_input, "Assinatura da NF-e: XML malformado");
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

const xmlChar* const kNamespaceNFe = BAD_CAST "http://www.portalfiscal.inf.br/nfe";

// The first element (document order) named `Elemento` in the NF-e's namespace
// that carries an Id, or nullptr.
xmlNode* Elemento(xmlNode* No, std::string_view Nome) {
  for (; No; No = No->next) {
    if (No->type != XML_ELEMENT_NODE) continue;
    if (No->ns && xmlStrEqual(No->ns->href, kNamespaceNFe) &&
        Nome == reinterpret_cast<const char*>(No->name) && xmlHasProp(No, BAD_CAST "Id")) {
      return No;
    }
    if (xmlNode* achado = Elemento(No->children, Nome)) return achado;
  }
  return nullptr;
}

// The element's Id attribute as text.
std::string IdDe(xmlNode* No) {
  xmlChar* id = xmlGetProp(No, BAD_CAST "Id");
  std::string texto = id ? reinterpret_cast<const char*>(id) : "";
  xmlFree(id);
  return texto;
}

struct LiberaP12 {
  void operator()(PKCS12* p) const { PKCS12_free(p); }
};
struct LiberaX509 {
  void operator()(X509* x) const { X509_free(x); }
};
struct LiberaPKey {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct LiberaBio {
  void operator()(BIO* b) const { BIO_free(b); }
};
struct LiberaNomes {
  void operator()(GENERAL_NAMES* n) const { GENERAL_NAMES_free(n); }
};

// An ASN.1 string as UTF-8.
std::string Utf8(const ASN1_STRING* Valor) {
  unsigned char* texto = nullptr;
  int n = Valor ? ASN1_STRING_to_UTF8(&texto, Valor) : -1;
  if (n < 0) return {};
  std::string saida(reinterpret_cast<const char*>(texto), n);
  OPENSSL_free(texto);
  return saida;
}

// The digits and letters of a text, upper-cased (how a CNPJ is stored).
std::string SoDigitosELetras(std::string_view Texto) {
  std::string saida;
  for (char c : Texto) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      saida += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return saida;
}

// The CNPJ ICP-Brasil writes in subjectAltName (otherName 2.16.76.1.3.3), or
// empty when the certificate has none.
std::string CnpjIcpBrasil(X509* Certificado) {
  std::unique_ptr<GENERAL_NAMES, LiberaNomes> nomes(
      static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(Certificado, NID_subject_alt_name, nullptr, nullptr)));
  if (!nomes) return {};
  std::unique_ptr<ASN1_OBJECT, decltype(&ASN1_OBJECT_free)> oid(OBJ_txt2obj("2.16.76.1.3.3", 1),
                                                                &ASN1_OBJECT_free);
  for (int i = 0; i < sk_GENERAL_NAME_num(nomes.get()); ++i) {
    const GENERAL_NAME* nome = sk_GENERAL_NAME_value(nomes.get(), i);
    if (nome->type != GEN_OTHERNAME || !oid || OBJ_cmp(nome->d.otherName->type_id, oid.get()) != 0) {
      continue;
    }
    const ASN1_TYPE* valor = nome->d.otherName->value;
    if (!valor) continue;
    switch (valor->type) {
      case V_ASN1_OCTET_STRING:
      case V_ASN1_PRINTABLESTRING:
      case V_ASN1_UTF8STRING:
      case V_ASN1_IA5STRING:
      case V_ASN1_VISIBLESTRING: {
        const ASN1_STRING* texto = valor->value.asn1_string;
        std::string cnpj = SoDigitosELetras(std::string_view(
            reinterpret_cast<const char*>(ASN1_STRING_get0_data(texto)), ASN1_STRING_length(texto)));
        if (!cnpj.empty()) return cnpj;
        break;
      }
      default:
        break;
    }
  }
  return {};
}

// An ASN.1 time as a time point (UTC).
std::chrono::system_clock::time_point Instante(const ASN1_TIME* Tempo) {
  std::tm tm{};
  if (!Tempo || ASN1_TIME_to_tm(Tempo, &tm) != 1) return {};
  return std::chrono::system_clock::from_time_t(timegm(&tm));
}

}  // namespace

std::string AssinaXml(std::string_view Xml, std::string_view Nome, const std::filesystem::path& Certificado,
                      std::string_view Senha) {
  IniciaXmlSec();
  Doc doc = Le(Xml);
  xmlNode* inf = Elemento(xmlDocGetRootElement(doc.get()), Nome);
  if (!inf) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("Assinatura da NF-e: o XML não tem {} com Id", Nome));
  }
  const std::string uri = "#" + IdDe(inf);

  // Placed after the signed element, last in its parent: where the schemas
  // of the NF-e, of an event and of a voided range expect it.
  xmlNode* assinatura =
      xmlSecTmplSignatureCreate(doc.get(), xmlSecTransformInclC14NId, xmlSecTransformRsaSha1Id, nullptr);
  xmlAddChild(inf->parent, assinatura);
  xmlNode* ref = xmlSecTmplSignatureAddReference(assinatura, xmlSecTransformSha1Id, nullptr,
                                                 BAD_CAST uri.c_str(), nullptr);
  xmlSecTmplReferenceAddTransform(ref, xmlSecTransformEnvelopedId);
  xmlSecTmplReferenceAddTransform(ref, xmlSecTransformInclC14NId);
  xmlNode* x509 = xmlSecTmplKeyInfoAddX509Data(xmlSecTmplSignatureEnsureKeyInfo(assinatura, nullptr));
  xmlSecTmplX509DataAddCertificate(x509);

  std::unique_ptr<xmlSecDSigCtx, LiberaCtx> ctx(xmlSecDSigCtxCreate(nullptr));
  if (!ctx) throw ENFeError(NFeErrorKind::signature, "Assinatura da NF-e: a assinatura falhou");
  ctx->signKey = ChaveDoCertificado(Certificado, Senha);
  if (!ctx->signKey) {
    throw ENFeError(
        NFeErrorKind::certificate,
        fmt::format("Assinatura da NF-e: certificado \"{}\" ilegível ou senha errada", Certificado.string()));
  }
  if (xmlSecDSigCtxSign(ctx.get(), assinatura) < 0) {
    throw ENFeError(NFeErrorKind::signature, "Assinatura da NF-e: a assinatura falhou");
  }
  return Texto(doc.get());
}

bool VerificaAssinatura(std::string_view Xml, std::string_view Nome) {
  IniciaXmlSec();
  Doc doc = Le(Xml);
  xmlNode* inf = Elemento(xmlDocGetRootElement(doc.get()), Nome);
  if (!inf || !inf->parent) return false;
  // The signature must stand beside the element and cover it: a valid
  // signature over another element carrying an Id (a decoy moved elsewhere in
  // the document) would otherwise pass for the invoice's.
  xmlNode* assinatura = xmlSecFindChild(inf->parent, xmlSecNodeSignature, xmlSecDSigNs);
  if (!assinatura) return false;
  xmlNode* ref = xmlSecFindNode(assinatura, xmlSecNodeReference, xmlSecDSigNs);
  xmlChar* uri = ref ? xmlGetProp(ref, BAD_CAST "URI") : nullptr;
  const bool cobre = uri && "#" + IdDe(inf) == reinterpret_cast<const char*>(uri);
  xmlFree(uri);
  if (!cobre) return false;
  std::unique_ptr<xmlSecDSigCtx, LiberaCtx> ctx(xmlSecDSigCtxCreate(GerenciadorDeChaves()));
  if (!ctx) throw ENFeError(NFeErrorKind::signature, "Assinatura da NF-e: gerenciador de chaves não iniciou");
  ctx->keyInfoReadCtx.flags |= XMLSEC_KEYINFO_FLAGS_X509DATA_DONT_VERIFY_CERTS;
  if (xmlSecDSigCtxVerify(ctx.get(), assinatura) < 0) return false;
  return ctx->status == xmlSecDSigStatusSucceeded;
}

std::string AssinaXmlNFe(std::string_view Xml, const std::filesystem::path& Certificado,
                         std::string_view Senha) {
  return AssinaXml(Xml, "infNFe", Certificado, Senha);
}

bool VerificaAssinaturaNFe(std::string_view Xml) {
  return VerificaAssinatura(Xml, "infNFe");
}

CertificadoA1 LeCertificadoA1(const std::filesystem::path& Certificado, std::string_view Senha) {
  const auto ilegivel = [&] {
    return ENFeError(NFeErrorKind::certificate,
                     fmt::format("Certificado A1 \"{}\" ilegível ou senha errada", Certificado.string()));
  };
  std::unique_ptr<BIO, LiberaBio> arquivo(BIO_new_file(Certificado.string().c_str(), "rb"));
  if (!arquivo) throw ilegivel();
  std::unique_ptr<PKCS12, LiberaP12> p12(d2i_PKCS12_bio(arquivo.get(), nullptr));
  if (!p12) throw ilegivel();
  EVP_PKEY* chave_lida = nullptr;
  X509* certificado_lido = nullptr;
  const std::string senha(Senha);
  const int ok = PKCS12_parse(p12.get(), senha.c_str(), &chave_lida, &certificado_lido, nullptr);
  std::unique_ptr<EVP_PKEY, LiberaPKey> chave(chave_lida);
  std::unique_ptr<X509, LiberaX509> certificado(certificado_lido);
  if (ok != 1 || !certificado) throw ilegivel();

  CertificadoA1 a1;
  const X509_NAME* sujeito = X509_get_subject_name(certificado.get());
  const int cn = X509_NAME_get_index_by_NID(sujeito, NID_commonName, -1);
  if (cn >= 0) a1.Titular = Utf8(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(sujeito, cn)));
  a1.CNPJ = CnpjIcpBrasil(certificado.get());
  if (a1.CNPJ.empty()) {
    // Certificates without the ICP-Brasil entry name their holder
    // "COMPANY NAME:CNPJ".
    const auto dois_pontos = a1.Titular.rfind(':');
    if (dois_pontos != std::string::npos) a1.CNPJ = SoDigitosELetras(a1.Titular.substr(dois_pontos + 1));
  }
  a1.ValidoDesde = Instante(X509_get0_notBefore(certificado.get()));
  a1.ValidoAte = Instante(X509_get0_notAfter(certificado.get()));
  return a1;
}

}  // namespace zpk::nfe
