// The NF-e of a stored invoice into a file, checked and optionally signed.
#include "nfe_fatura.hpp"

#include <fstream>

#include <fmt/format.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/nfe_campos.hpp"
#include "billing/nfe/xml_nfe.hpp"
#include "billing/nota_dataset.hpp"
#include "billing/nota_fiscal.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::cli {

NFeGerada gera_nfe_da_fatura(const std::string& numero, const std::string& serie,
                             const std::filesystem::path& pasta,
                             const std::optional<CertificadoNFe>& certificado) {
  const std::string fatura = IdentificadorNota(numero, Trim(serie));
  TTIQuery q(Tabela.IBDatabase);
  TClientDataSet nota;
  // In the lines' own order, so that the items follow their numbers.
  if (MontaDataSetNota(q, nota, fatura, NotaOrdem::by_order) == 0 || Trim(nota.FieldByName("NOTA_SERIE").AsString()) != Trim(serie)) {
    throw EZpkError(fmt::format("invoice {} of series {} not found", numero, serie));
  }
  const bool tinha_chave = !Trim(nota.FieldByName("NOTA_CHAVE_NFE").AsString()).empty();

  nfe::TNFeCampos campos;
  NFeGerada r;
  std::string lote;
  GeraNFe(campos, nota, r.chave, lote);
  r.itens = static_cast<int>(campos.Itens().size());
  r.notas = nfe::GeraXmlNFe(campos).Notas;

  std::string xml = lote;
  if (certificado) {
    xml = nfe::AssinaXmlNFe(lote, certificado->arquivo, certificado->senha);
    r.assinada = true;
    r.assinatura_confere = nfe::VerificaAssinaturaNFe(xml);
  }
  r.violacoes = nfe::ValidaXmlNFe(xml);

  std::filesystem::create_directories(pasta);
  r.xml = pasta / (r.chave + "-nfe.xml");
  {
    std::ofstream out(r.xml, std::ios::binary | std::ios::trunc);
    out << xml;
    if (!out.flush()) throw EZpkError(fmt::format("cannot write {}", r.xml.string()));
  }

  if (!tinha_chave) {
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("UPDATE " + DBLocal("NOTA") +
              " SET CHAVE_NFE = :CHAVE WHERE FATURA = :FATURA AND (CHAVE_NFE IS NULL OR CHAVE_NFE = '')");
    q.ParamByName("CHAVE").AsString = r.chave;
    q.ParamByName("FATURA").AsString = fatura;
    q.ExecSQL();
    Tabela.IBTransaction.CommitRetaining();
    r.chave_gravada = true;
  }
  return r;
}

}  // namespace zpk::cli
