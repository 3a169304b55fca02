// `zpk demo` step for the customer's credit position: a customer of a group
// analysed as a whole, with an overdue title, asks for a new order; the
// position (open titles of the group, open orders, limit) and the block
// with its message and message code.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "billing/fat_cliente.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

// Group 30 ("REDE BOA VISTA", analysed as a whole): 000301 with an instalment
// overdue since January 2025, a later one and an advance; 000302 with one
// open title; an open order of 000301 with IPI and a 5 % discount.
void write_customers() {
  demo_exec(
      "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, TIPO, CNPJ, CEP, GRUPO, CREDITO, BLOQUEIO) VALUES "
      "('000301', 'BOA VISTA MODAS LTDA', '2', '11.222.333/0001-81', '30110-000', '30', 3000, 'N') "
      "MATCHING (CODCLI)");
  demo_exec(
      "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, TIPO, CNPJ, CEP, GRUPO, CREDITO, BLOQUEIO) VALUES "
      "('000302', 'BOA VISTA FILIAL CENTRO LTDA', '2', '11.222.333/0002-62', '30110-000', '30', 2000, 'N') "
      "MATCHING (CODCLI)");
  const char* titulos[] = {
      "('003011/1', '000301', 1250.00, 12.35, 400.00, '2025-01-10', '2024-12-11', 'N')",
      "('003011/2', '000301', 1250.00, 0, 0, '2030-02-10', '2024-12-11', 'N')",
      "('003021/1', '000302', 430.50, 0, 0, '2030-06-30', '2025-05-31', 'N')",
      "('A3011', '000301', 150.00, 0, 0, '2030-01-01', '2025-05-31', 'A')",
  };
  for (const char* t : titulos) {
    demo_exec(std::string(
                  "UPDATE OR INSERT INTO RECEBER_001 (NUMERO, CODCLI, VALOR2, JUROS, VALOR_PAGO, DT_VENCTO, "
                  "DT_EMISSAO, STATUS) VALUES ") +
              t + " MATCHING (NUMERO)");
  }
  demo_exec(
      "UPDATE OR INSERT INTO PEDIDO_001 (NUMERO, LOCADO, CODCLI, DT_EMISSAO, PER_DESC) "
      "VALUES ('003010', '0', '000301', '2025-06-02', 5) MATCHING (NUMERO)");
  demo_exec("DELETE FROM PED_ITEN_001 WHERE NUMERO = '003010'");
  demo_exec(
      "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, ORDEM, QTDE, PRECO, IPI) VALUES ('003010', 'TEC-001', 1, "
      "40, 12.50, 10)");
  demo_exec(
      "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, ORDEM, QTDE, PRECO, IPI) VALUES ('003010', 'TEC-001', 2, "
      "12, 9.90, 0)");
}

void set_parametro(const char* tipo, int codigo, const std::string& valor) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(
      "UPDATE EMP_PARAM SET VALOR = :VALOR WHERE TIPO = :TIPO AND CODIGO = :CODIGO AND EMPRESA = '001'");
  q.ParamByName("VALOR").AsString = valor;
  q.ParamByName("TIPO").AsString = tipo;
  q.ParamByName("CODIGO").AsInteger = codigo;
  q.ExecSQL();
}

// Amounts with a decimal point, like the rest of the command line's output.
std::string money(double value) {
  std::string text = FormatFloat("0.00", value);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

const RegisterDemo kCredit{
    {430, "Credit: an order of an overdue customer is blocked", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       write_customers();
       const std::string ven30 = Trim(BuscaParametro("VEN", 30));
       const std::string ven50 = Trim(BuscaParametro("VEN", 50));
       out << "The company blocks orders of customers with overdue titles (VEN 30 = S) and above\n"
              "their credit limit (VEN 50 = S).\n";
       set_parametro("VEN", 30, "S");
       set_parametro("VEN", 50, "S");
       Tabela.IBTransaction.CommitRetaining();

       out << "Customer 000301 of group 30 (analysed as a whole), new order 000430 of 500.00:\n";
       TFatCliente f;
       f.Codcli = "000301";
       f.ValorFaturamento = 500;
       out << fmt::format("  open titles of the group (ValorEmAberto): {}\n", money(f.ValorEmAberto()));
       out << "    (1250.00 + 12.35 interest - 400.00 paid, 1250.00, and 000302's 430.50)\n";
       out << fmt::format("  open orders (ValorPedidos): {}\n", money(f.ValorPedidos()));
       out << "    (40 x 12.50 + 10 % IPI and 12 x 9.90 = 668.80, less 5 %)\n";
       const bool dentro = f.LimiteCredito("P");
       out << fmt::format("  limit (VlrLimite): {} = credit 3000.00 + advance {}\n", money(f.VlrLimite()),
                          money(f.ValorAntecipa()));
       out << fmt::format("  LimiteCredito(P) = {} (open + orders + the new order above the limit)\n",
                          dentro ? "True" : "False");

       HeadlessDialogs dialogs;
       ScopedDialogService guard(dialogs);
       std::string cod;
       const bool bloqueado = BloqueioPedidoFinanceiro("000430", "000301", 500, cod);
       out << fmt::format("BloqueioPedidoFinanceiro(000430, 000301, 500) = {}, CodMensagem = {}\n",
                          bloqueado ? "True" : "False", cod);
       if (bloqueado) {
         out << "  " << dialogs.last().caption << ":\n";
         for (const std::string& line : SplitText(dialogs.last().text, "\n")) out << "    " << line << '\n';
       }

       set_parametro("VEN", 30, ven30);
       set_parametro("VEN", 50, ven50);
       Tabela.IBTransaction.CommitRetaining();
     }}};

}  // namespace
}  // namespace zpk::cli
