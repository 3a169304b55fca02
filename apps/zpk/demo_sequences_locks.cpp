// `zpk demo` step for codes, record locks and the audit log: a code drawn from
// the counter table, an order locked, refused to a second user and released,
// and the audit rows that the release left.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/audit_log.hpp"
#include "foundation/record_locks.hpp"
#include "foundation/sequences.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

std::string pedido_holder(const std::string& numero) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT LOCADO FROM " + std::string("PEDIDO") + Tabela.SufixoEmpresa + " WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = numero;
  q.Open();
  return q.FieldByName("LOCADO").AsString();
}

std::string counter(const std::string& tabela, const std::string& campo) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT PROXIMO FROM CODIGOS" + Tabela.SufixoEmpresa +
            " WHERE TABELA = :TABELA AND CAMPO = :CAMPO");
  q.ParamByName("TABELA").AsString = tabela;
  q.ParamByName("CAMPO").AsString = campo;
  q.Open();
  return q.FieldByName("PROXIMO").AsString();
}

const RegisterDemo codes_and_locks{
    {105, "Codes, order locks and the audit log", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       const std::string saved_user = vUsuario;
       out << fmt::format("counter of PEDIDO.NUMERO: PROXIMO = {}\n", counter("PEDIDO", "NUMERO"));
       const std::string code = Proximo("PEDIDO", "NUMERO", 6);
       out << fmt::format("Proximo(\"PEDIDO\", \"NUMERO\", 6) = \"{}\"  (PROXIMO now {})\n", code,
                          counter("PEDIDO", "NUMERO"));
       out << fmt::format("SequenciaBaixa(\"BX2501\") = \"{}\"\n", SequenciaBaixa("BX2501"));

       vUsuario = "ADMIN";
       const bool refused_admin = PedidoLocado("000001", "1");
       out << fmt::format("as ADMIN: PedidoLocado(\"000001\", \"1\") = {}  (LOCADO = {})\n",
                          refused_admin ? "True" : "False", pedido_holder("000001"));
       const std::string held = sPedidoLocado;
       sPedidoLocado.clear();  // another station: it holds nothing
       vUsuario = "VENDEDOR";
       out << "as VENDEDOR on another station (the refusal goes to stderr):\n";
       out << fmt::format("  PedidoLocado(\"000001\", \"1\") = {}\n",
                          PedidoLocado("000001", "1") ? "True" : "False");
       vUsuario = "ADMIN";
       sPedidoLocado = held;
       const bool refused_release = PedidoLocado("000001", "0");
       out << fmt::format("as ADMIN: PedidoLocado(\"000001\", \"0\") = {}  (LOCADO = {})\n",
                          refused_release ? "True" : "False", pedido_holder("000001"));
       GeraLog("Pedido", "pedido d'água conferido", oplAlteracao, "000001", "FmPedido");
       out << "GeraLog(\"Pedido\", \"pedido d'água conferido\", oplAlteracao, \"000001\", \"FmPedido\")\n";

       out << "AcessaLog(\"PEDIDO\", \"000001\", False) lists:\n";
       show_consulta_log = [&out](TFmConsultaLog& form) {
         TClientDataSet& t = form.tbLog;
         for (t.First(); !t.Eof(); t.Next()) {
           out << fmt::format("  {} {} {} {} | {} | {} | {}\n", t.FieldByName("Usuario").AsString(),
                              t.FieldByName("Data").AsString(),
                              FormatDateTime("hh:nn:ss", t.FieldByName("Hora").AsDateTime()),
                              t.FieldByName("Tela").AsString(), t.FieldByName("Descricao").AsString(),
                              t.FieldByName("Operacao").AsString(), t.FieldByName("Empresa").AsString());
         }
       };
       AcessaLog("PEDIDO", "000001", false);
       show_consulta_log = nullptr;
       vUsuario = saved_user;
     }}};

}  // namespace
}  // namespace zpk::cli
