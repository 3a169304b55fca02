// The NF-e of a stored invoice, as every program makes it (a host program,
// `zpk nfe`, `zpk day`): the invoice dataset, the XML, the signature with the
// station's A1 certificate, the schema check, and the access key kept in
// NOTA.CHAVE_NFE so that every station and every later run sends the same key.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/valida_nfe.hpp"

namespace zpk::nfe {

// What nfe_of_invoice made.
struct InvoiceNFe {
  std::string key;                      // the 44-character access key
  std::string xml;                      // the NF-e, signed when a certificate was given
  int items = 0;                        // item occurrences (det)
  std::vector<ViolacaoNFe> violations;  // against nfe_v4.00.xsd; empty: valid
  std::vector<std::string> cut_texts;   // texts cut to their field's length
  bool is_signed = false;
  bool signature_verified = false;
  bool key_stored = false;  // this call stored the key in NOTA.CHAVE_NFE
};

// The NF-e of invoice `numero` of series `serie` of the connected company,
// signed and verified when `certificate` is given, checked against the schema.
// An invoice without a stored key, or whose stored key was made with another
// issue type (ITpTrasNFe: contingency or back), gets this one in
// NOTA.CHAVE_NFE, committed with the shared transaction; when another station
// stored one meanwhile, the NF-e is made again with that key. Raises
// ENFeError (invalid_input) when the invoice does not exist in that series,
// ENFeError (state) when its key would be replaced although its NF-e was
// authorised or denied, ENFeError of the signature's kinds, and EDatabaseError.
InvoiceNFe nfe_of_invoice(const std::string& numero, const std::string& serie,
                          const std::optional<A1Certificate>& certificate);

// Writes `xml` to `folder`/<key>-nfe.xml (the folder made when missing), whole
// or not at all, and returns the file; a document that is not `valid` (it
// fails the schema or its signature) goes to <key>-nfe-invalida.xml instead,
// and the other name's file of an earlier run is removed, so that the folder
// never shows a document for what it is not. Raises ENFeError (invalid_input)
// for a key that is not 44 digits and capital letters, EZpkError when the
// file cannot be written.
std::filesystem::path write_nfe_file(const std::filesystem::path& folder, std::string_view key,
                                     std::string_view xml, bool valid = true);

}  // namespace zpk::nfe
