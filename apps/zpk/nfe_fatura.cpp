// The NF-e of a stored invoice into a file, in the demo's shape.
#include "nfe_fatura.hpp"

#include "billing/nfe/invoice_nfe.hpp"

namespace zpk::cli {

NFeGerada gera_nfe_da_fatura(const std::string& numero, const std::string& serie,
                             const std::filesystem::path& pasta,
                             const std::optional<CertificadoNFe>& certificado) {
  std::optional<nfe::A1Certificate> a1;
  if (certificado) a1 = nfe::A1Certificate{certificado->arquivo, certificado->senha};
  nfe::InvoiceNFe n = nfe::nfe_of_invoice(numero, serie, a1);
  NFeGerada r;
  r.xml = nfe::write_nfe_file(pasta, n.key, n.xml);
  r.chave = std::move(n.key);
  r.itens = n.items;
  r.violacoes = std::move(n.violations);
  r.notas = std::move(n.cut_texts);
  r.assinada = n.is_signed;
  r.assinatura_confere = n.signature_verified;
  r.chave_gravada = n.key_stored;
  return r;
}

}  // namespace zpk::cli
