// `zpk demo` steps for the session and the query conventions: a fresh demo
// database under var/, table names per company, a company parameter, existence
// tests and look-ups, and one statement run over both companies.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

std::string shown(const Variant& v) {
  if (v.IsUnassigned()) return "(unassigned)";
  if (v.IsNull()) return "(null)";
  if (!v.IsArray()) return v.IsText() ? "\"" + v.AsString() + "\"" : v.AsString();
  std::string s = "[";
  for (size_t i = 0; i < v.Items().size(); ++i) s += (i ? ", " : "") + shown(v[i]);
  return s + "]";
}

const RegisterDemo names{
    {101, "Demo database and table names per company", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       out << fmt::format("DBLocal(\"PEDIDO\") = {}\n", DBLocal("PEDIDO"));
       out << fmt::format("DBLocal(\"EMP_PARAM\") = {}  (a shared table)\n", DBLocal("EMP_PARAM"));
       vEmpresa_Atual = "_002";
       out << fmt::format("with vEmpresa_Atual = _002: DBLocal(\"pedido\") = {}\n", DBLocal("pedido"));
       vEmpresa_Atual.clear();
       out << fmt::format("DBLocal_SQL(\"SELECT * FROM {{PEDIDO}} P\") = {}\n",
                          DBLocal_SQL("SELECT * FROM {PEDIDO} P"));
     }}};

const RegisterDemo parameters{{102, "Company parameters", [](const CallOptions& o, std::ostream& out) {
                                 demo_session(o, out);
                                 out << fmt::format("BuscaParametro(\"FIN\", 10) = \"{}\"  (company 001)\n",
                                                    BuscaParametro("FIN", 10));
                                 out << "BuscaParametro(\"FIN\", 999), which is missing (the warning goes to "
                                        "stderr):\n";
                                 out << fmt::format("  = \"{}\"\n", BuscaParametro("FIN", 999));
                               }}};

const RegisterDemo lookups{
    {103, "Existence tests and look-ups", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       out << fmt::format("Existe(\"ENTIDADE\", \"CODCLI\", \"'000002'\") = {}\n",
                          Existe("ENTIDADE", "CODCLI", "'000002'") ? "True" : "False");
       out << fmt::format("Existe(\"PEDIDO\", \"NUMERO\", \"''\") = {}  (blank value: no query)\n",
                          Existe("PEDIDO", "NUMERO", "''") ? "True" : "False");
       out << fmt::format("Busca_Valor(\"ENTIDADE\", \"CODCLI\", \"NOME\", \"'000002'\", False, True) = {}\n",
                          shown(Busca_Valor("ENTIDADE", "CODCLI", "NOME", "'000002'", false, true)));
       out << fmt::format(
           "Busca_Valor(\"ENTIDADE\", \"CODCLI\", \"FANTASIA;CREDITO\", \"'000001'\", False, True) = {}\n",
           shown(Busca_Valor("ENTIDADE", "CODCLI", "FANTASIA;CREDITO", "'000001'", false, true)));
       out << fmt::format(
           "BuscaDescricao(\"DEPOSITO\", \"DESCRICAO\", \"CODIGO\", \"0001, 0002\") = \"{}\"\n",
           BuscaDescricao("DEPOSITO", "DESCRICAO", "CODIGO", "0001, 0002"));
     }}};

const RegisterDemo union_all{
    {104, "One statement over both companies", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       const std::string sql =
           UnionTodasEmpresas("SELECT '{}' AS EMPRESA, CODCLI, NOME FROM {ENTIDADE}", "", true);
       out << "UnionTodasEmpresas(\"SELECT '{}' AS EMPRESA, CODCLI, NOME FROM {ENTIDADE}\", \"\", True) =\n"
           << sql << '\n';
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Add(sql);
       q.Open();
       out << fmt::format("{} rows:\n", q.RecordCount());
       for (; !q.Eof(); q.Next()) {
         out << fmt::format("  {}  {}  {}\n", q.FieldByName("EMPRESA").AsString(),
                            q.FieldByName("CODCLI").AsString(), q.FieldByName("NOME").AsString());
       }
       q.Close();
       out << fmt::format("current company afterwards: {}\n", Tabela.SufixoEmpresa);
     }}};

}  // namespace
}  // namespace zpk::cli
