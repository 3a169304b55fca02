// The NF-e of one stored invoice as the command line, the demo and the
// working day make it: the invoice dataset, GeraNFe, the XML written to a
// folder, checked against the schema and, with a certificate, signed and
// verified back.
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
  std::string chave;                          // 44 digits/letters
  std::filesystem::path xml;                  // the file written
  int itens = 0;                              // item occurrences (det)
  std::vector<nfe::ViolacaoNFe> violacoes;    // against the schema; empty: valid
  std::vector<std::string> notas;             // texts cut to their length
  bool assinada = false;
  bool assinatura_confere = false;
  bool chave_gravada = false;                 // stored in NOTA.CHAVE_NFE now
};

// Generates the NF-e of invoice `numero` of series `serie` of the connected
// company into `pasta` (<key>-nfe.xml). An invoice without a stored key gets
// this one in NOTA.CHAVE_NFE (committed), so that regenerating it keeps the
// key. Raises EZpkError when the invoice does not exist in that series.
NFeGerada gera_nfe_da_fatura(const std::string& numero, const std::string& serie,
                             const std::filesystem::path& pasta,
                             const std::optional<CertificadoNFe>& certificado);

}  // namespace zpk::cli
