// `zpk demo` step for the invoice's lines: the billing screen restores a
// customer's standing lines, adds the simple-regime sentences, the FCI
// sentence, an item observation and the address notes, totals the
// discounts and surcharges, stores the lines with the invoice and reads back
// the item's additional NF-e text.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "billing/empenho.hpp"
#include "billing/mensagens_nota.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

void show_message_set(std::ostream& out, TClientDataSet& set) {
  for (set.First(); !set.Eof(); set.Next()) {
    const auto f = [&set](const char* name) { return set.FieldByName(name).AsString(); };
    out << fmt::format("  {:>3} {} {} {:>7} {:>8} {} {}\n", f("Ordem"), f("Tipo"), f("TipoVal"),
                       FormatFloat("0.00", set.FieldByName("Preco").AsFloat()),
                       FormatFloat("0.00", set.FieldByName("Valor").AsFloat()), f("Subtotal"),
                       f("Descricao"));
  }
}

void set_fci_parameter(const std::string& value) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("UPDATE EMP_PARAM SET VALOR = :VALOR WHERE TIPO = 'FAT' AND CODIGO = 130 AND EMPRESA = :EMPRESA");
  q.ParamByName("VALOR").AsString = value;
  q.ParamByName("EMPRESA").AsString = Copy(Tabela.SufixoEmpresa, 2, 3);
  q.ExecSQL();
}

const RegisterDemo invoice_lines{
    {420, "Invoice messages, standing lines and stored invoice lines",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       const std::string fatura = "000420";
       const std::string cliente = "000204";
       const double produtos = 1000.00;
       out << fmt::format("Invoice {} to customer {}, products {}\n", fatura, cliente,
                          FormatFloat("0.00", produtos));

       TClientDataSet set;
       create_message_set(set);
       Transfere_Empenho(nullptr, set, cliente, "");
       out << "The customer's standing lines (Transfere_Empenho): Ordem Tipo TipoVal Preco Valor Subtotal\n";
       show_message_set(out, set);

       {
         // The demo company issues under the normal regime; the sentences are
         // those of a simple-regime issuer with a 2.56 % credit rate.
         const std::string crt = Tabela.company.crt;
         const double rate = Tabela.company.simples_credit_rate;
         Tabela.company.crt = "1";
         Tabela.company.simples_credit_rate = 2.56;
         AddMenssagemSIMPLES(produtos, 0, "5101", cliente, Date(), set);
         Tabela.company.crt = crt;
         Tabela.company.simples_credit_rate = rate;
       }
       set_fci_parameter("S");
       AddMenssagemFCI(set, "CAM-001", "5", "P", "", 1, 40);
       set_fci_parameter("N");
       AddObservacaoItem(set, 1, "LAVAR A FRIO; NAO USAR ALVEJANTE");
       AddEnderecoEntrega(nullptr, set, "", cliente);
       AddEnderecoCobranca(nullptr, set, "", cliente);
       out << "With the simple-regime sentences, the FCI sentence of CAM-001, an observation and the address "
              "notes:\n";
       show_message_set(out, set);

       double desc_acres = 0;
       const double liquido = DescontoAcrescimo(set, produtos, desc_acres);
       out << fmt::format(
           "DescontoAcrescimo: surcharges - discounts = {}, with the third kind = {} "
           "(10% of 1000.00 off, 35.00 freight on)\n",
           FormatFloat("0.00", desc_acres), FormatFloat("0.00", liquido));

       GravaEmpenhoNota(set, produtos, fatura, "");
       Grava_Empenho(nullptr, set, cliente, "");
       Tabela.IBTransaction.CommitRetaining();
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Add("SELECT ORDEM, ORD_PED, EMPENHO, TIPO, COR, TAMANHO, VALOR, PRECO, DESCRICAO FROM " +
                 DBLocal("NOTAITEN") + " WHERE FATURA = :FATURA ORDER BY RDB$DB_KEY");
       q.ParamByName("FATURA").AsString = fatura;
       q.Open();
       out << fmt::format(
           "Stored in {} (GravaEmpenhoNota): ORDEM ORD_PED EMPENHO TIPO COR TAMANHO VALOR PRECO\n",
           DBLocal("NOTAITEN"));
       for (; !q.Eof(); q.Next()) {
         const auto f = [&q](const char* name) { return q.FieldByName(name).AsString(); };
         out << fmt::format("  {:>3} {:>3} {} {} {} '{}' {:>8} {:>6} {}\n", f("ORDEM"), f("ORD_PED"),
                            f("EMPENHO"), f("TIPO"), f("COR"), f("TAMANHO"),
                            FormatFloat("0.00", q.FieldByName("VALOR").AsFloat()),
                            FormatFloat("0.00", q.FieldByName("PRECO").AsFloat()), f("DESCRICAO"));
       }
       TTIQuery kept(Tabela.IBDatabase);
       kept.SQL.Add("SELECT COUNT(*) FROM " + DBLocal("EMPENHO_CLI") + " WHERE CODCLI = :CODCLI");
       kept.ParamByName("CODCLI").AsString = cliente;
       kept.Open();
       out << fmt::format(
           "Standing lines kept for the next invoice (Grava_Empenho): {} (sentences, item lines and address "
           "notes "
           "are not kept)\n",
           kept.Fields(0).AsInteger());
       // The product name fills the 120 characters the NF-e gives it; the rest
       // of the description goes to the item's additional text.
       std::string descricao =
           "CAMISETA BASICA MEIA MANGA MALHA PENTEADA 30.1 GOLA CARECA COSTURA DUPLA NA BARRA";
       descricao.resize(120, ' ');
       descricao += "<LINHA VERAO> COMPOSICAO 100% ALGODAO";
       out << fmt::format("Additional NF-e text of item 1 (ObsProdutoNFe): {}\n",
                          ObsProdutoNFe(fatura, "1", descricao, "", 1));
     }}};

}  // namespace
}  // namespace zpk::cli
