#include "planning/receita.hpp"

#include <map>

#include <fmt/format.h>

#include "billing/cents.hpp"
#include "foundation/detail/sql_literals.hpp"
#include "foundation/lookups.hpp"
#include "planning/regras_dosagem.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/progress_bar.hpp"

namespace zpk {
namespace {

// The recipe's own values every component's cost needs.
struct Banho {
  double indice = 0;     // percent of the fabric that is fibre 1
  double proporcao = 0;  // litres of bath per kg of fabric
};

// The price column of a material for the price mode: its replacement price,
// or the highest average cost of its stock rows.
std::string preco(bool medio, const std::string& tabela, const std::string& codigo) {
  if (!medio) return tabela + ".REPOSICAO";
  return "(SELECT MAX(MAT_ITEN.PRECO_MED) FROM " + DBLocal("MAT_ITEN") +
         " MAT_ITEN WHERE MAT_ITEN.CODIGO = " + codigo + ")";
}

// Rule dosages of one recipe, evaluated once per rule code.
class Regras {
 public:
  Regras(std::string_view codigo, std::string_view variante) : codigo_(codigo), variante_(variante) {}

  // The rule's dosage, or 0 when it finds no row.
  double qtde(const std::string& regra) {
    auto [it, novo] = cache_.try_emplace(regra, 0.0);
    if (novo) it->second = CalculaQtdeRegra(codigo_, variante_, regra, 0, 0, 0, "", "", "");
    return it->second;
  }

 private:
  std::string codigo_;
  std::string variante_;
  std::map<std::string, double> cache_;
};

// The cost of the component on the current row for 100 kg of fabric.
double custo_componente(TTIQuery& q, const Banho& banho, Regras& regras) {
  const std::string fibra = q.FieldByName("FIBRA").AsString();
  double fator = 1;
  if (fibra == "1") fator = banho.indice / 100;
  if (fibra == "2") fator = (100 - banho.indice) / 100;

  double qtde = q.FieldByName("QTDE").AsFloat();
  double preco = q.FieldByName("PRECO").AsFloat();
  const std::string regra = q.FieldByName("REGRA").AsString();
  if (!regra.empty()) {
    // A rule that finds no row leaves the fixed dosage.
    if (const double r = regras.qtde(regra); r != 0) qtde = r;
  }
  if (!Trim(q.FieldByName("CONTRATIPO").AsString()).empty()) {
    qtde = q.FieldByName("CONCENT").AsFloat() * qtde / 100;
    preco = q.FieldByName("PRECO_CT").AsFloat();
  }

  // Grams for 100 kg of fabric: per litre of the bath's 100 x PROPORCAO
  // litres, or a percent of 100,000 g.
  const std::string unidade = q.FieldByName("UNIDADE").AsString();
  double gramas = 0;
  if (unidade == "GL") {
    gramas = qtde * fator * (100 * banho.proporcao);
  } else if (unidade == "%") {
    gramas = qtde * fator * 1000;
  }
  if (const double concentracao = q.FieldByName("CONCENTRACAO").AsFloat(); concentracao > 0) {
    gramas = concentracao * gramas / 100;
  }
  return gramas / 1000 * preco;
}

// The SQL marker list of the preparation codes, bound on `q` as P0, P1...
std::string marcadores(const std::vector<detail::SqlLiteral>& lista) {
  std::string sql;
  for (size_t i = 0; i < lista.size(); ++i) {
    if (i > 0) sql += ", ";
    detail::append_marker(sql, lista[i], fmt::format(":P{}", i));
  }
  return sql;
}

}  // namespace

double CustoReceita(std::string_view Codigo, std::string_view Cor, std::string_view Variante,
                    std::string_view TipoPreco) {
  if (TipoPreco != "R" && TipoPreco != "M") {
    throw EZpkError(fmt::format("CustoReceita: TipoPreco '{}' is not a price mode (R or M)", TipoPreco));
  }
  const bool medio = TipoPreco == "M";

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT MAT_TIN.FIBRA, MAT_TIN.UNIDADE, MAT_TIN.QTDE, MAT_TIN.REGRA, CT.CODIGO AS CONTRATIPO,");
  q.SQL.Add("CT.CONCENT, MATERIAL.CONCENTRACAO, VARIANTE.INDICE, BANHO.PROPORCAO, RECEITA.PREPARACAO,");
  q.SQL.Add(preco(medio, "MATERIAL", "MAT_TIN.CODIGO") + " AS PRECO, " + preco(medio, "MAT_CT", "CT.CODIGO") +
            " AS PRECO_CT");
  q.SQL.Add("FROM " + DBLocal("RECEITA") + " RECEITA");
  q.SQL.Add("INNER JOIN " + DBLocal("MAT_TIN") +
            " MAT_TIN ON (RECEITA.CODIGO = MAT_TIN.RECEITA AND RECEITA.VARIANTE = MAT_TIN.VARIANTE)");
  q.SQL.Add("INNER JOIN " + DBLocal("MATERIAL") + " MATERIAL ON (MAT_TIN.CODIGO = MATERIAL.CODIGO)");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("CONTRATIPO") +
            " CT ON (MAT_TIN.CODIGO = CT.MATERIAL AND CT.ATIVO = 'S')");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("MATERIAL") + " MAT_CT ON (CT.CODIGO = MAT_CT.CODIGO)");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("VARIANTE") + " VARIANTE ON (RECEITA.VARIANTE = VARIANTE.CODIGO)");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("BANHO") + " BANHO ON (RECEITA.COD_BANHO = BANHO.CODIGO)");
  q.SQL.Add("WHERE RECEITA.VARIANTE = :VARIANTE AND RECEITA.COR = :COR");
  if (!Codigo.empty()) q.SQL.Add("AND RECEITA.CODIGO = :CODIGO");
  q.ParamByName("VARIANTE").AsString = std::string(Variante);
  q.ParamByName("COR").AsString = std::string(Cor);
  if (!Codigo.empty()) q.ParamByName("CODIGO").AsString = std::string(Codigo);
  q.Open();

  // The bath and the fibre share come from the recipe head (the first row).
  Banho banho;
  std::string preparacao;
  if (!q.IsEmpty()) {
    banho.indice = q.FieldByName("INDICE").AsFloat();  // no index: 0
    banho.proporcao = q.FieldByName("PROPORCAO").AsFloat();
    preparacao = q.FieldByName("PREPARACAO").AsString();
  }

  Regras regras(Codigo, Variante);
  double total = 0;
  for (q.First(); !q.Eof(); q.Next()) total += custo_componente(q, banho, regras);

  // The preparation's components, costed on the recipe's bath and fibre
  // share, their rules evaluated for the recipe. A recipe without one has
  // nothing more to read.
  if (!preparacao.empty()) {
    TTIQuery p(Tabela.IBDatabase);
    p.SQL.Add(
        "SELECT PREPARACAO.FIBRA, PREPARACAO.UNIDADE, PREPARACAO.QTDE, CT.CODIGO AS CONTRATIPO, CT.CONCENT,");
    p.SQL.Add("PREPARACAO.REGRA, MATERIAL.CONCENTRACAO,");
    p.SQL.Add(preco(medio, "MATERIAL", "PREPARACAO.MATERIAL") + " AS PRECO, " +
              preco(medio, "MAT_CT", "CT.CODIGO") + " AS PRECO_CT");
    p.SQL.Add("FROM " + DBLocal("PREPARACAO") + " PREPARACAO");
    p.SQL.Add("LEFT OUTER JOIN " + DBLocal("MATERIAL") +
              " MATERIAL ON (PREPARACAO.MATERIAL = MATERIAL.CODIGO)");
    p.SQL.Add("LEFT OUTER JOIN " + DBLocal("CONTRATIPO") +
              " CT ON (PREPARACAO.MATERIAL = CT.MATERIAL AND CT.ATIVO = 'S')");
    p.SQL.Add("LEFT OUTER JOIN " + DBLocal("MATERIAL") + " MAT_CT ON (CT.CODIGO = MAT_CT.CODIGO)");
    p.SQL.Add("WHERE PREPARACAO.CODIGO = :PREPARACAO");
    p.ParamByName("PREPARACAO").AsString = preparacao;
    p.Open();
    for (p.First(); !p.Eof(); p.Next()) total += custo_componente(p, banho, regras);
  }

  // Per kg: the total is for 100 kg.
  return to_cents(total / 100);
}

bool RecalculaReceitas(std::string_view Material, std::string_view Variante, std::string_view Preparacoes,
                       std::vector<std::string>* Log, TProgressBar* Progresso) {
  // The caller's preparations are quoted codes: each is bound as the literal
  // it is, anything else is refused before a row is read.
  std::vector<detail::SqlLiteral> lista;
  if (!Trim(Preparacoes).empty()) {
    lista =
        detail::read_sql_literals("RecalculaReceitas", "Preparacoes", Preparacoes, ",", std::string::npos);
  }
  const bool por_material = !Material.empty();
  const bool por_variante = !Variante.empty();

  // A material also reaches the recipes through the preparations that use it.
  if (por_material) {
    TTIQuery p(Tabela.IBDatabase);
    p.SQL.Add("SELECT DISTINCT CODIGO FROM " + DBLocal("PREPARACAO") + " WHERE MATERIAL = :MATERIAL");
    p.ParamByName("MATERIAL").AsString = std::string(Material);
    p.Open();
    for (p.First(); !p.Eof(); p.Next()) {
      detail::SqlLiteral codigo;
      codigo.kind = detail::SqlLiteral::Kind::text;
      codigo.value = p.FieldByName("CODIGO").AsString();
      lista.push_back(std::move(codigo));
    }
  }

  // Every filter given narrows the selection. The preparation list is the
  // material's second way into a recipe, so it widens the material's
  // condition only, inside its own brackets: a variant given with a material
  // never lets recipes of other variants in through their preparation.
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT DISTINCT RECEITA.CODIGO, RECEITA.COR, RECEITA.VARIANTE FROM " + DBLocal("RECEITA") +
            " RECEITA");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("MAT_TIN") +
            " MAT_TIN ON (RECEITA.CODIGO = MAT_TIN.RECEITA AND RECEITA.VARIANTE = MAT_TIN.VARIANTE)");
  q.SQL.Add("WHERE 1 = 1");
  const std::string em_lista = lista.empty() ? "" : "RECEITA.PREPARACAO IN (" + marcadores(lista) + ")";
  if (por_material) {
    q.SQL.Add("AND (MAT_TIN.CODIGO = :MATERIAL" + (em_lista.empty() ? "" : " OR " + em_lista) + ")");
  } else if (!em_lista.empty()) {
    q.SQL.Add("AND " + em_lista);
  }
  if (por_variante) q.SQL.Add("AND RECEITA.VARIANTE = :VARIANTE");
  if (por_material) q.ParamByName("MATERIAL").AsString = std::string(Material);
  if (por_variante) q.ParamByName("VARIANTE").AsString = std::string(Variante);
  for (size_t i = 0; i < lista.size(); ++i)
    detail::bind_literal(q.ParamByName(fmt::format("P{}", i)), lista[i]);
  q.Open();

  if (Progresso) {
    if (Log) Log->clear();
    Progresso->SetMax(q.RecordCount());
    Progresso->SetPosition(0);
  }

  TTIQuery grava(Tabela.IBDatabase);
  grava.SQL.Add("UPDATE " + DBLocal("RECEITA") +
                " SET CUSTO = :CUSTO WHERE CODIGO = :CODIGO AND COR = :COR AND VARIANTE = :VARIANTE");
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string codigo = q.FieldByName("CODIGO").AsString();
    const std::string cor = q.FieldByName("COR").AsString();
    const std::string variante = q.FieldByName("VARIANTE").AsString();
    if (Log) Log->push_back("Atualizado Receita " + codigo + " Variante " + variante);
    const double custo = CustoReceita(codigo, cor, variante, "R");
    // A recipe that costs nothing (no priced component) keeps its stored
    // cost. Each colour gets its own: colours of one article may use
    // another bath or preparation.
    if (custo != 0) {
      grava.ParamByName("CUSTO").AsFloat = custo;
      grava.ParamByName("CODIGO").AsString = codigo;
      grava.ParamByName("COR").AsString = cor;
      grava.ParamByName("VARIANTE").AsString = variante;
      grava.ExecSQL();
    }
    if (Progresso) Progresso->StepIt();
  }
  Tabela.IBTransaction.CommitRetaining();
  return q.RecordCount() > 0;
}

}  // namespace zpk
