// The NF-e's XML signature: enveloped, C14N, RSA-SHA1 over infNFe, with the
// emitter's A1 certificate (PKCS#12 file and password), and its verification.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zpk::nfe {

// The XML with a <Signature> appended to <NFe>, referencing "#" + the Id of
// infNFe, the certificate in KeyInfo. A wrong password, an unreadable file
// or a document without infNFe is refused with a clear error.
std::string AssinaXmlNFe(std::string_view Xml, const std::filesystem::path& Certificado,
                         std::string_view Senha);

// Whether the signature of a signed NF-e verifies against the certificate it
// carries (the certificate's chain is not checked: that is the authority's).
bool VerificaAssinaturaNFe(std::string_view Xml);

}  // namespace zpk::nfe
