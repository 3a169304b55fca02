// The NF-e of a stored invoice written to a folder, in the shape the demo
// prints it: nfe::nfe_of_invoice, then nfe::write_nfe_file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "billing/nfe/valida_nfe.hpp"

namespace zpk::cli {

struct CertificadoNFe {
  std::filesystem::path arquivo;  // PKCS#12 (A1)
  std::string senha;
};

struct NFeGerada {
  std::string chave;                        // 44 digits/letters
  std::filesystem::path xml;                // the file written
  int itens = 0;                            // item occurrences (det)
  std::vector<nfe::ViolacaoNFe> violacoes;  // against the schema; empty: valid
  std::vector<std::string> notas;           // texts cut to their length
  bool assinada = false;
  bool assinatura_confere = false;
  bool chave_gravada = false;  // stored in NOTA.CHAVE_NFE now
};

// The NF-e of invoice `numero` of series `serie` (nfe::nfe_of_invoice, which
// keeps its key) written into `pasta` as <key>-nfe.xml. Raises as those do.
NFeGerada gera_nfe_da_fatura(const std::string& numero, const std::string& serie,
                             const std::filesystem::path& pasta,
                             const std::optional<CertificadoNFe>& certificado);

}  // namespace zpk::cli
