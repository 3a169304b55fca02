#include "foundation/lookups.hpp"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/detail/sql_literals.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

std::string replace_char(std::string_view s, char from, char to) {
  std::string out(s);
  std::replace(out.begin(), out.end(), from, to);
  return out;
}

// A value list that holds nothing but quotes and blanks (what Trim removes)
// selects nothing.
bool blank_values(std::string_view valores) {
  for (const char c : valores) {
    if (c != '\'' && static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// The pieces of a ";"-list; ASCII separators never occur inside a UTF-8
// sequence, so splitting on bytes is safe.
std::vector<std::string_view> split_list(std::string_view list) {
  std::vector<std::string_view> items;
  size_t start = 0;
  for (;;) {
    const size_t end = list.find(';', start);
    if (end == std::string_view::npos) {
      items.push_back(list.substr(start));
      return items;
    }
    items.push_back(list.substr(start, end - start));
    start = end + 1;
  }
}

// Appends " 1=1 " and, for each field, " and FIELD = " (" like " when the
// value holds "%") with the marker that binds the value at its position.
void append_bound_where(std::string& sql, const std::vector<std::string_view>& campos,
                        const std::vector<detail::SqlLiteral>& valores) {
  sql += " 1=1 ";
  for (size_t i = 0; i < campos.size(); ++i) {
    sql += " and ";
    sql += campos[i];
    sql += valores[i].written.find('%') != std::string_view::npos ? " like " : " = ";
    detail::append_marker(sql, valores[i]);
  }
}

// Binds the values to the statement's "?" markers, in order.
void bind_values(TTIQuery& q, const std::vector<detail::SqlLiteral>& valores) {
  for (size_t i = 0; i < valores.size(); ++i) detail::bind_literal(q.Params(static_cast<int>(i)), valores[i]);
}

// The look-up queries of this thread, kept by their statement (a few dozen
// at most): a look-up made again costs binding its values and one execute,
// with no statement text composed into the query and read again. Each reads
// its first row only, the one the look-ups answer with.
TTIQuery& lookup_query(TTIDatabase& db, const std::string& sql) {
  constexpr size_t kMaxQueries = 64;
  thread_local std::unordered_map<std::string, std::unique_ptr<TTIQuery>> queries;
  auto it = queries.find(sql);
  if (it == queries.end()) {
    if (queries.size() >= kMaxQueries) queries.clear();
    auto q = std::make_unique<TTIQuery>(db);
    q->SQL.Add(sql);
    q->set_fetch_limit(1);
    it = queries.emplace(sql, std::move(q)).first;
  }
  TTIQuery& q = *it->second;
  if (q.Database() != &db) q.SetDatabase(db);
  return q;
}

// Opens a SELECT whose bound values are compared with columns; false when a
// value is longer than its column, which the engine refuses as a truncation
// although such a value simply matches no row.
bool open_matching(TTIQuery& q) {
  try {
    q.Open();
    return true;
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return false;
  }
}

std::string mapped_name(std::string_view logical) {
  const auto& mapped = Tabela.TabelasMapeadas;
  if (mapped.empty()) return {};
  auto it = mapped.find(UpperCase(logical));
  return it == mapped.end() ? std::string() : it->second;
}

// Puts the company list back on the row, and in the filter state, it had,
// and the current suffix back to what it was, on every exit.
class CompanyPositionGuard {
 public:
  CompanyPositionGuard()
      : filter_(Tabela.companies.Filter()),
        filtered_(Tabela.companies.Filtered()),
        suffix_(Tabela.SufixoEmpresa) {
    CompanyDataSet& list = Tabela.companies;
    if (list.Active() && !list.IsEmpty()) row_ = Trim(list.FieldByName("EMP_PAT").AsString());
    list.Filtered = false;  // moves to the first row
    if (!row_.empty()) list.Locate(row_);
    recno_ = list.RecNo;
  }
  ~CompanyPositionGuard() {
    CompanyDataSet& list = Tabela.companies;
    if (recno_ > 0) list.RecNo = recno_;
    if (filtered_) {
      list.Filter = filter_;
      list.Filtered = true;  // moves to the first visible row
      if (!row_.empty()) list.Locate(row_);
    }
    Tabela.SufixoEmpresa = suffix_;
  }
  CompanyPositionGuard(const CompanyPositionGuard&) = delete;
  CompanyPositionGuard& operator=(const CompanyPositionGuard&) = delete;

 private:
  std::string filter_;
  bool filtered_;
  std::string suffix_;
  std::string row_;  // EMP_PAT of the current row
  int recno_ = 0;
};

// The suffixes of the companies the union covers, in the order listed.
std::vector<std::string> union_companies(bool somente_acesso) {
  std::vector<std::string> companies;
  auto collect = [&companies](TTIQuery& q) {
    q.Open();
    for (; !q.Eof(); q.Next()) companies.push_back(Trim(q.FieldByName("EMPRESA").AsString()));
    q.Close();
    return !companies.empty();
  };
  TTIQuery q(Tabela.IBDatabase);
  if (somente_acesso) {
    // Names and codes are bound, so a quote in a login name cannot break the statement.
    q.SQL.Add("SELECT CODIGO FROM ACESSO_USUARIOS WHERE NOME = :NOME");
    q.ParamByName("NOME").AsString = vUsuario;
    const std::string codigo =
        open_matching(q) && !q.IsEmpty() ? q.FieldByName("CODIGO").AsString() : std::string();
    const char* const kAccess[] = {
        "SELECT EMPRESA.EMP_PAT AS EMPRESA FROM ACESSO_EMPRESA INNER JOIN EMPRESA EMPRESA ON "
        "('_'||ACESSO_EMPRESA.EMPRESA = EMPRESA.EMP_PAT) WHERE ACESSO_EMPRESA.USUARIO = :USUARIO AND "
        "(ACESSO_EMPRESA.ATIVO <> 'N' OR ACESSO_EMPRESA.ATIVO IS NULL) ORDER BY 1",
        "SELECT EMPRESA.EMP_PAT AS EMPRESA FROM ACESSO_EMPRESA INNER JOIN EMPRESA EMPRESA ON "
        "('_'||ACESSO_EMPRESA.EMPRESA = EMPRESA.EMP_PAT) WHERE ACESSO_EMPRESA.USUARIO = :USUARIO ORDER BY 1",
    };
    for (const char* sql : kAccess) {
      q.SQL.Clear();
      q.SQL.Add(sql);
      q.ParamByName("USUARIO").AsString = codigo;
      if (collect(q)) return companies;
    }
  }
  q.SQL.Clear();
  q.SQL.Add("SELECT EMP_PAT AS EMPRESA FROM EMPRESA ORDER BY 1");
  collect(q);
  return companies;
}

}  // namespace

std::string Aspas(std::string_view S) {
  std::string out;
  out.reserve(S.size() + 2);
  out += '\'';
  out += S;
  out += '\'';
  return out;
}

std::string Cria_Where(std::string_view Campos, std::string_view Valores) {
  const std::vector<std::string_view> campos = split_list(Campos);
  const std::vector<detail::SqlLiteral> valores =
      detail::read_sql_literals("Cria_Where", "Valores", Valores, ";", campos.size());
  std::string where = " 1=1 ";
  for (size_t i = 0; i < campos.size(); ++i) {
    where += " and ";
    where += campos[i];
    where += valores[i].written.find('%') != std::string_view::npos ? " like " : " = ";
    where += valores[i].written;
  }
  return where;
}

std::string DBLocal(std::string_view NomeTabela, bool /*Flag*/) {
  if (!vEmpresa_Atual.empty()) return std::string(NomeTabela) + vEmpresa_Atual;
  std::string mapped = mapped_name(NomeTabela);
  if (!mapped.empty()) return mapped;
  std::string_view suffix = Tabela.SufixoEmpresa;
  while (!suffix.empty() && static_cast<unsigned char>(suffix.front()) <= ' ') suffix.remove_prefix(1);
  while (!suffix.empty() && static_cast<unsigned char>(suffix.back()) <= ' ') suffix.remove_suffix(1);
  std::string physical;
  physical.reserve(NomeTabela.size() + suffix.size());
  physical += NomeTabela;
  physical += suffix;
  return physical;
}

std::string DBLocal_SQL(std::string_view SQL, std::string_view Padrao) {
  std::string sql(SQL);
  // The search goes on after each replacement: a replacement holding braces
  // itself would otherwise be expanded again and again, and a "}" standing
  // before the first "{" would never be consumed.
  size_t from = 0;
  for (;;) {
    const size_t open = sql.find('{', from);
    if (open == std::string::npos) break;
    const size_t close = sql.find('}', open);
    if (close == std::string::npos) break;
    const std::string name = Trim(std::string_view(sql).substr(open + 1, close - open - 1));
    std::string replacement = mapped_name(name);
    if (replacement.empty()) {
      replacement =
          (!name.empty() || Padrao.empty()) ? name + Trim(Tabela.SufixoEmpresa) : std::string(Padrao);
    }
    sql.replace(open, close - open + 1, replacement);
    from = open + replacement.size();
  }
  return sql;
}

bool Existe(std::string_view NomeTabela, std::string_view Campos, std::string_view Valores,
            TTIDatabase* Database) {
  if (blank_values(Valores)) return false;
  const std::string campos_list = replace_char(Campos, ',', ';');
  const std::vector<std::string_view> campos = split_list(campos_list);
  const std::vector<detail::SqlLiteral> valores =
      detail::read_sql_literals("Existe", "Valores", Valores, ";,", campos.size());
  std::string sql;
  sql.reserve(128 + Campos.size() + 64 * valores.size());
  sql += "SELECT DISTINCT 1 FROM ";
  sql += DBLocal(NomeTabela);
  sql += " WHERE ";
  append_bound_where(sql, campos, valores);
  TTIQuery& q = lookup_query(Database ? *Database : Tabela.IBDatabase, sql);
  bind_values(q, valores);
  q.Open();
  const bool found = !q.IsEmpty();
  q.Close();
  return found;
}

Variant Busca_Valor(std::string_view NomeTabela, std::string_view Campos, std::string_view Retorno,
                    std::string_view Valores, bool /*Reservado*/, bool Local) {
  if (blank_values(Valores)) return Variant(std::string());
  const std::vector<std::string_view> campos = split_list(Campos);
  const std::vector<detail::SqlLiteral> valores =
      detail::read_sql_literals("Busca_Valor", "Valores", Valores, ";", campos.size());
  const bool several = Retorno.find_first_of(",;") != std::string_view::npos;
  std::string sql;
  sql.reserve(128 + Retorno.size() + Campos.size() + 64 * valores.size());
  sql += "select ";
  sql += replace_char(Retorno, ';', ',');
  sql += " from ";
  sql += Local ? DBLocal(NomeTabela) : std::string(NomeTabela);
  sql += " where ";
  append_bound_where(sql, campos, valores);

  TTIQuery& q = lookup_query(Tabela.IBDatabase, sql);
  bind_values(q, valores);
  q.Open();
  Variant result;
  if (!several) {
    if (q.IsEmpty()) {
      result = Variant(std::string());
    } else if (!q.Fields(0).IsNull()) {
      result = q.Fields(0).Value();
    }
  } else if (q.IsEmpty()) {
    result = VarArrayOf({Variant(), Variant()});
  } else {
    std::vector<Variant> values;
    values.reserve(static_cast<size_t>(q.FieldCount()));
    for (int i = 0; i < q.FieldCount(); ++i) values.push_back(q.Fields(i).Value());
    result = VarArrayOf(std::move(values));
  }
  q.Close();  // the query is kept: it holds no result between calls
  return result;
}

std::string BuscaDescricao(std::string_view NomeTabela, std::string_view Campo, std::string_view Chave,
                           std::string_view Valores) {
  if (blank_values(Valores)) return {};
  std::vector<detail::SqlLiteral> valores;
  if (Valores.find('\'') == std::string_view::npos) {
    // Plain codes: each is a text, as if quoted here, whatever it holds.
    for (const std::string_view item : detail::split_values(Valores, ",")) {
      detail::SqlLiteral& code = valores.emplace_back();
      code.kind = detail::SqlLiteral::Kind::text;
      code.value = Trim(item);
    }
  } else {
    valores = detail::read_sql_literals("BuscaDescricao", "Valores", Valores, ",", std::string_view::npos);
  }
  std::string in = "WHERE " + std::string(Chave) + " IN (";
  for (size_t i = 0; i < valores.size(); ++i) {
    if (i > 0) in += ',';
    detail::append_marker(in, valores[i]);
  }
  in += ')';
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT LIST[" + std::string(Campo) + ",', '," + std::string(Campo) + "] AS DESCRICAO FROM " +
            DBLocal(NomeTabela));
  q.SQL.Add(in);
  bind_values(q, valores);
  q.Open();
  return q.FieldByName("DESCRICAO").AsString();
}

std::string BuscaParametro(std::string_view Tipo, int Codigo) {
  std::string empresa = Copy(Tabela.SufixoEmpresa, 2, 3);
  if (empresa.empty()) empresa = "001";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT VALOR");
  q.SQL.Add("FROM EMP_PARAM");
  q.SQL.Add("WHERE CODIGO = :CODIGO AND TIPO = :TIPO");
  q.SQL.Add("AND EMPRESA = :EMPRESA");
  q.ParamByName("CODIGO").AsInteger = Codigo;
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  q.ParamByName("EMPRESA").AsString = empresa;
  if (open_matching(q) && !q.IsEmpty()) return q.FieldByName("VALOR").AsString();
  MessageBox("Parametro não encontrado!\nTipo: " + std::string(Tipo) + " Número: " + IntToStr(Codigo) + ".",
             kCaption, MB_OK | MB_ICONWARNING);
  return " ";
}

std::string UnionTodasEmpresas(std::string_view SQL, std::string_view NomeTabela, bool SomenteAcesso) {
  if (!NomeTabela.empty()) {
    const std::string fisica = mapped_name(Trim(NomeTabela));
    if (!fisica.empty()) return DBLocal_SQL(SQL, Copy(fisica, Length(fisica) - 3, 4));
  }
  const std::vector<std::string> companies = union_companies(SomenteAcesso);

  CompanyPositionGuard guard;
  std::string result;
  for (const std::string& company : companies) {
    // A company missing from a stale list still gets its own tables.
    if (!Tabela.companies.Locate(company)) Tabela.SufixoEmpresa = company;
    if (!result.empty()) result += "\nUNION ALL\n";
    result += DBLocal_SQL(SQL, "");
  }
  return result;
}

void ObsCliente(std::string_view CodCli) {
  TTIQuery q(Tabela.IBDatabase);
  // The code is bound: a quote in it selects that code instead of breaking the statement.
  q.SQL.Add(" SELECT OBS FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
  q.ParamByName("CODCLI").AsString = std::string(CodCli);
  if (!open_matching(q)) return;
  std::string text;
  for (bool first = true; !q.Eof(); q.Next(), first = false) {
    if (!first) text += '\n';
    text += q.FieldByName("OBS").AsString();
  }
  if (!Trim(text).empty()) MessageBox(text, kCaption, MB_OK | MB_ICONWARNING);
}

void ExecutaRefresh(TTITable& Table) {
  const int recno = Table.RecNo;
  Table.Close();
  Table.Open();
  if (recno > 0 && !Table.IsEmpty()) Table.RecNo = std::min(recno, Table.RecordCount());
}

}  // namespace zpk
