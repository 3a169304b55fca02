// The XML signatures of the NF-e and of its messages (the NF-e, events,
// voided ranges): enveloped, C14N, RSA-SHA1 over the element the authority
// reads, with the emitter's A1 certificate (PKCS#12 file and password); their
// verification; and the certificate's facts a station checks before sending.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace zpk::nfe {

// An A1 certificate as a station holds it: the PKCS#12 file and its password.
struct A1Certificate {
  std::filesystem::path file;
  std::string password;
};

// What an A1 certificate says of its holder and its validity.
struct CertificadoA1 {
  std::string Titular;  // the subject's common name
  std::string CNPJ;     // the holder's CNPJ, letters of an alphanumeric one kept
  std::chrono::system_clock::time_point ValidoDesde;  // notBefore
  std::chrono::system_clock::time_point ValidoAte;    // notAfter
};

// The XML with an enveloped <Signature> over the first element named
// `Elemento` ("infNFe", "infEvento", "infInut") of the NF-e's namespace that
// carries an Id: reference "#" + that Id, the certificate in KeyInfo, placed
// as the last child of the element's parent (NFe, evento, inutNFe). Raises
// ENFeError: invalid_input for a malformed document or one without that
// element, certificate for an unreadable file or a wrong password, signature
// when signing fails.
std::string AssinaXml(std::string_view Xml, std::string_view Elemento,
                      const std::filesystem::path& Certificado, std::string_view Senha);

// Whether the document carries, beside the first `Elemento` with an Id, a
// signature that covers exactly that element and verifies against the
// certificate it carries (the certificate's chain is the authority's to check).
// Raises ENFeError (invalid_input) for a malformed document.
bool VerificaAssinatura(std::string_view Xml, std::string_view Elemento);

// AssinaXml over infNFe: the NF-e ready to be put in a submission lot.
std::string AssinaXmlNFe(std::string_view Xml, const std::filesystem::path& Certificado,
                         std::string_view Senha);

// VerificaAssinatura over infNFe.
bool VerificaAssinaturaNFe(std::string_view Xml);

// The holder and validity of the A1 file. The CNPJ comes from the
// subjectAltName entry ICP-Brasil reserves for it (otherName 2.16.76.1.3.3),
// else from the characters after the last ':' of the common name. Raises
// ENFeError (certificate) when the file cannot be read with that password.
CertificadoA1 LeCertificadoA1(const std::filesystem::path& Certificado, std::string_view Senha);

}  // namespace zpk::nfe
