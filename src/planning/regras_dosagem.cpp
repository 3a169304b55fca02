#include "planning/regras_dosagem.hpp"

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

// The text of the first row's first column of a bound look-up ("" when none).
std::string first_text(TTIQuery& q) {
  q.set_fetch_limit(1);
  q.Open();
  return q.IsEmpty() ? std::string() : q.Fields(0).AsString();
}

// QTDE_R of the first rule row of `Regra` of kind `Tipo` and line `Linha`,
// with the measured quantity inside its closed range when `medido` is given; 0 when none.
double resultado_regra(std::string_view Regra, std::string_view Tipo, std::string_view Linha,
                       const double* medido) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT QTDE_R AS RESULT FROM " + DBLocal("TNG_REGRA") +
            " WHERE CODIGO = :REGRA AND TIPO = :TIPO AND LINHA = :LINHA");
  if (medido) q.SQL.Add("AND QTDE_DE <= :MEDIDO AND QTDE_ATE >= :MEDIDO");
  q.ParamByName("REGRA").AsString = std::string(Regra);
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  q.ParamByName("LINHA").AsString = std::string(Linha);
  if (medido) q.ParamByName("MEDIDO").AsFloat = *medido;
  q.set_fetch_limit(1);
  q.Open();
  return q.IsEmpty() ? 0 : q.FieldByName("RESULT").AsFloat();
}

// LINHA of rule `Regra` of kind `Tipo` (the dye line or composition group it measures).
std::string linha_regra(std::string_view Regra, std::string_view Tipo) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT LINHA FROM " + DBLocal("TNG_REGRA") + " WHERE CODIGO = :REGRA AND TIPO = :TIPO");
  q.ParamByName("REGRA").AsString = std::string(Regra);
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  return first_text(q);
}

}  // namespace

double CalculaQtdeRegra(std::string_view Receita, std::string_view Variante, std::string_view Regra,
                        double Perc1, double Perc2, double QtdeM, std::string_view LinhaM,
                        std::string_view LinhaP, std::string_view LinhaC) {
  const std::string linha = linha_regra(Regra, "L");

  TTIQuery prep(Tabela.IBDatabase);
  prep.SQL.Add("SELECT PREPARACAO FROM " + DBLocal("RECEITA") +
               " WHERE CODIGO = :RECEITA AND VARIANTE = :VARIANTE");
  prep.ParamByName("RECEITA").AsString = std::string(Receita);
  prep.ParamByName("VARIANTE").AsString = std::string(Variante);
  const std::string preparacao = first_text(prep);

  // The line's dye per fibre over the recipe's components and, when it has
  // one, its preparation's. UNION ALL: a recipe total and a preparation
  // total that happen to be equal on one fibre are two amounts, both counted.
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT SUM(QTDE) AS TOTAL_QTDE, FIBRA FROM (");
  q.SQL.Add("SELECT SUM((MAT_TIN.QTDE / 100) * MATERIAL.CONCENTRACAO) AS QTDE, MAT_TIN.FIBRA FROM " +
            DBLocal("MAT_TIN") + " MAT_TIN LEFT JOIN " + DBLocal("MATERIAL") +
            " MATERIAL ON (MAT_TIN.CODIGO = MATERIAL.CODIGO)");
  q.SQL.Add("WHERE MAT_TIN.RECEITA = :RECEITA AND MAT_TIN.VARIANTE = :VARIANTE AND MATERIAL.LINHA = :LINHA");
  q.SQL.Add("GROUP BY MAT_TIN.FIBRA");
  if (!preparacao.empty()) {
    q.SQL.Add("UNION ALL");
    q.SQL.Add("SELECT SUM((PREPARACAO.QTDE / 100) * MATERIAL.CONCENTRACAO) AS QTDE, PREPARACAO.FIBRA FROM " +
              DBLocal("PREPARACAO") + " PREPARACAO LEFT JOIN " + DBLocal("MATERIAL") +
              " MATERIAL ON (PREPARACAO.MATERIAL = MATERIAL.CODIGO)");
    q.SQL.Add("WHERE PREPARACAO.CODIGO = :PREPARACAO AND MATERIAL.LINHA = :LINHA");
    q.SQL.Add("GROUP BY PREPARACAO.FIBRA");
  }
  q.SQL.Add(") AS TABELA GROUP BY FIBRA");
  q.ParamByName("RECEITA").AsString = std::string(Receita);
  q.ParamByName("VARIANTE").AsString = std::string(Variante);
  q.ParamByName("LINHA").AsString = linha;
  if (!preparacao.empty()) q.ParamByName("PREPARACAO").AsString = preparacao;
  q.Open();

  double medido = 0;
  for (q.First(); !q.Eof(); q.Next()) {
    double qtde = q.FieldByName("TOTAL_QTDE").AsFloat();
    const std::string fibra = q.FieldByName("FIBRA").AsString();
    if (Perc1 > 0 && fibra == "1") {
      qtde = qtde / 100 * Perc1;
    } else if (Perc2 > 0 && fibra == "2") {
      qtde = qtde / 100 * Perc2;
    }
    medido += qtde;
  }

  double result = resultado_regra(Regra, "L", linha, &medido);
  if (result == 0 && QtdeM > 0 && !LinhaM.empty()) result = resultado_regra(Regra, "M", LinhaM, &QtdeM);
  if (result == 0 && !LinhaP.empty()) result = resultado_regra(Regra, "P", LinhaP, nullptr);
  if (result == 0 && !LinhaC.empty()) result = resultado_regra(Regra, "C", LinhaC, nullptr);
  return result;
}

double CalculaPercRegra(std::string_view Material, std::string_view Regra) {
  const std::string grupo = linha_regra(Regra, "G");

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT SUM(COMP_MATERIAL.PERC) AS PERC FROM " + DBLocal("COMP_MATERIAL") +
            " COMP_MATERIAL LEFT JOIN " + DBLocal("MATERIAL") +
            " MATERIAL ON (COMP_MATERIAL.CODIGO = MATERIAL.CODIGO)");
  q.SQL.Add("WHERE MATERIAL.GRUPO = :GRUPO AND COMP_MATERIAL.MATERIAL = :MATERIAL");
  q.ParamByName("GRUPO").AsString = grupo;
  q.ParamByName("MATERIAL").AsString = std::string(Material);
  q.Open();
  const double perc = q.IsEmpty() ? 0 : q.FieldByName("PERC").AsFloat();

  // The rule's dosage scales with what the group leaves of the material, on
  // a base of 1000 as the rules are written.
  const double r = resultado_regra(Regra, "G", grupo, &perc);
  return r / 100 * (1000 - perc);
}

}  // namespace zpk
