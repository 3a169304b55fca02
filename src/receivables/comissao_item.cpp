#include "receivables/comissao_item.hpp"

#include <array>
#include <string>

#include "billing/cents.hpp"
#include "foundation/audit_log.hpp"
#include "foundation/calendario.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "receivables/rec_comissoes.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

// How a level treats one item column of the rules: equal to the item's value,
// or not specific (NULL or empty).
enum Cell : bool { any = false, named = true };

struct Level {
  Cell regiao, produto, grupo, linha, marca;
};

// From the most specific rule to the least; there is no level where every
// column is empty, so a rule naming nothing counts only for its region.
constexpr std::array<Level, 11> kLevels{{
    {named, named, any, any, any},
    {named, any, named, named, any},
    {named, any, named, any, any},
    {named, any, any, named, any},
    {named, any, any, any, named},
    {named, any, any, any, any},
    {any, named, any, any, any},
    {any, any, named, named, any},
    {any, any, named, any, any},
    {any, any, any, named, any},
    {any, any, any, any, named},
}};

std::string column_line(const char* column, Cell cell) {
  const std::string c = column;
  return cell == named ? "AND " + c + " = :" + c : "AND COALESCE(" + c + ", '') = ''";
}

// The statement of one level. The discount is compared as the number given,
// not rounded to the column's decimals; a representative code longer than
// the column names nobody, so that the "*" rules still hold for it.
std::string level_sql(const std::string& table, const Level& level) {
  std::string sql = "SELECT COMISSAO\nFROM " + table + "\n";
  sql += "WHERE (CODREP = CAST(:CODREP AS VARCHAR(1000)) OR CODREP = '*')\n";
  sql +=
      "AND (DESC_DE <= CAST(:DESCONTO AS DOUBLE PRECISION) AND DESC_ATE >= CAST(:DESCONTO AS DOUBLE "
      "PRECISION))\n";
  sql += "AND ((COALESCE(PRAZO_DE, 0) = 0 AND COALESCE(PRAZO_ATE, 0) = 0)\n";
  sql += "     OR (PRAZO_DE <= :PRAZO AND PRAZO_ATE >= :PRAZO))\n";
  sql += column_line("REGIAO", level.regiao) + "\n";
  sql += column_line("PRODUTO", level.produto) + "\n";
  sql += column_line("GRUPO", level.grupo) + "\n";
  sql += column_line("LINHA", level.linha) + "\n";
  sql += column_line("MARCA", level.marca) + "\n";
  sql += "ORDER BY DESC_DE ASC";
  return sql;
}

// Opens a look-up; a value longer than its column matches no row.
bool open_or_nothing(TTIQuery& q) {
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return false;
  }
  return !q.IsEmpty();
}

// The item discount as the order screen keeps it (a text), read as a number
// (0 when it is none) and rounded to cents of a percent, half to even.
double item_discount(const std::string& text) {
  return static_cast<double>(Round(StrToFloatDef(text, 0) * 100)) / 100;
}

}  // namespace

double BuscarComissaoItem(std::string_view CodRep, std::string_view Regiao, std::string_view Produto,
                          std::string_view Grupo, std::string_view Linha, std::string_view Marca,
                          double Desconto, int Prazo) {
  const std::string table = DBLocal("GRUPO_COMISSAO");
  TTIQuery q(Tabela.IBDatabase);
  q.set_fetch_limit(1);
  for (const Level& level : kLevels) {
    q.SQL.Text = level_sql(table, level);
    q.ParamByName("CODREP").AsString = std::string(CodRep);
    q.ParamByName("DESCONTO").AsFloat = Desconto;
    q.ParamByName("PRAZO").AsInteger = Prazo;
    if (level.regiao == named) q.ParamByName("REGIAO").AsString = std::string(Regiao);
    if (level.produto == named) q.ParamByName("PRODUTO").AsString = std::string(Produto);
    if (level.grupo == named) q.ParamByName("GRUPO").AsString = std::string(Grupo);
    if (level.linha == named) q.ParamByName("LINHA").AsString = std::string(Linha);
    if (level.marca == named) q.ParamByName("MARCA").AsString = std::string(Marca);
    if (!open_or_nothing(q)) continue;
    const double comissao = q.FieldByName("COMISSAO").AsFloat();
    if (comissao != 0) return comissao;
  }
  return 0;
}

void RecalcularComissaoPedido(std::string_view Numero) {
  const std::string numero(Numero);
  TTIDatabase& db = Tabela.IBDatabase;

  TTIQuery head(db);
  head.SQL.Add("SELECT PEDIDO.CODCLI, PEDIDO.CODREP, PEDIDO.TAB_PRE, ENTIDADE.COM1, ENTIDADE.COM2,");
  head.SQL.Add("REPRESEN.COMISSAO AS REP_COM1, REPRESEN.COMISSAO2 AS REP_COM2,");
  head.SQL.Add("SUM((PED_ITEN.QTDE+PED_ITEN.QTDE_F)*PED_ITEN.PRECO) AS VAL_PED");
  head.SQL.Add("FROM " + DBLocal("PEDIDO") + " PEDIDO");
  head.SQL.Add("LEFT JOIN " + DBLocal("PED_ITEN") + " PED_ITEN ON (PEDIDO.NUMERO = PED_ITEN.NUMERO)");
  head.SQL.Add("LEFT JOIN " + DBLocal("ENTIDADE") + " ENTIDADE ON (PEDIDO.CODCLI = ENTIDADE.CODCLI)");
  head.SQL.Add("LEFT JOIN " + DBLocal("REPRESEN") + " REPRESEN ON (PEDIDO.CODREP = REPRESEN.CODREP)");
  head.SQL.Add("WHERE PEDIDO.NUMERO = :NUMERO");
  head.SQL.Add("GROUP BY PEDIDO.CODCLI, PEDIDO.CODREP, PEDIDO.TAB_PRE, ENTIDADE.COM1,");
  head.SQL.Add("ENTIDADE.COM2, REPRESEN.COMISSAO, REPRESEN.COMISSAO2");
  head.ParamByName("NUMERO").AsString = numero;
  if (!open_or_nothing(head)) {
    MessageBox("Pedido inválido.", kCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }

  const std::string modo = Trim(BuscaParametro("FIN", 10));
  const int prazo = PrazoMedio(numero);
  const std::string codcli = head.FieldByName("CODCLI").AsString();
  const std::string codrep = head.FieldByName("CODREP").AsString();
  const std::string tab_pre = head.FieldByName("TAB_PRE").AsString();
  const double val_ped = head.FieldByName("VAL_PED").AsFloat();
  double com1 = head.FieldByName("COM1").AsFloat();
  if (com1 == 0) com1 = head.FieldByName("REP_COM1").AsFloat();
  double com2 = head.FieldByName("COM2").AsFloat();
  if (com2 == 0) com2 = head.FieldByName("REP_COM2").AsFloat();

  TTIQuery itens(db);
  itens.SQL.Add("SELECT PED_ITEN.CODIGO, PED_ITEN.COR, PED_ITEN.TAM, PED_ITEN.ORDEM,");
  itens.SQL.Add("PRODUTO.LINHA, PRODUTO.GRUPO, PRODUTO.MARCA, PED_ITEN.DESCONTO,");
  itens.SQL.Add("(PED_ITEN.QTDE + PED_ITEN.QTDE_F) * PED_ITEN.PRECO AS VALOR");
  itens.SQL.Add("FROM " + DBLocal("PED_ITEN") + " PED_ITEN ");
  itens.SQL.Add("LEFT JOIN " + DBLocal("PRODUTO") + " PRODUTO ON (PED_ITEN.CODIGO = PRODUTO.CODIGO) ");
  itens.SQL.Add("WHERE PED_ITEN.NUMERO = :NUMERO");
  itens.ParamByName("NUMERO").AsString = numero;
  itens.Open();

  // Items, split and order change together: a failing statement undoes the
  // percentages already written, and the log row goes with them.
  Savepoint recalculo(db.DefaultTransaction());
  TTIQuery update(db);
  // An item keeps a percentage written before (the screens let it be typed);
  // a NULL colour, size or order counts as empty, so that such an item gets
  // its percentage too.
  update.SQL.Add("UPDATE " + DBLocal("PED_ITEN"));
  update.SQL.Add("SET PERC_COMISSAO = :PERC_COMISSAO");
  update.SQL.Add("WHERE NUMERO = :NUMERO");
  update.SQL.Add("AND CODIGO = :CODIGO");
  update.SQL.Add("AND COALESCE(COR, '') = :COR");
  update.SQL.Add("AND COALESCE(TAM, '') = :TAM");
  update.SQL.Add("AND COALESCE(ORDEM, 0) = :ORDEM");
  update.SQL.Add("AND COALESCE(PERC_COMISSAO, 0) = 0 ");
  double total = 0;
  for (; !itens.Eof(); itens.Next()) {
    const double desconto = item_discount(itens.FieldByName("DESCONTO").AsString());
    double perc = BuscarComissaoItem(
        codrep, tab_pre, itens.FieldByName("CODIGO").AsString(), itens.FieldByName("GRUPO").AsString(),
        itens.FieldByName("LINHA").AsString(), itens.FieldByName("MARCA").AsString(), desconto, prazo);
    if (perc > 0) {
      total += itens.FieldByName("VALOR").AsFloat() / 100 * perc;
    } else {
      perc = 0;
    }
    update.ParamByName("PERC_COMISSAO").AsFloat = perc;
    update.ParamByName("NUMERO").AsString = numero;
    update.ParamByName("CODIGO").AsString = itens.FieldByName("CODIGO").AsString();
    update.ParamByName("COR").AsString = itens.FieldByName("COR").AsString();
    update.ParamByName("TAM").AsString = itens.FieldByName("TAM").AsString();
    update.ParamByName("ORDEM").AsInteger = itens.FieldByName("ORDEM").AsInteger();
    update.ExecSQL();
  }

  if (total > 0) {
    const double media = divide_or_zero(total, val_ped) * 100;
    TRecComissoes split(ctVendas);
    split.Codigo = numero;
    split.CodCli = codcli;
    split.CodRep = codrep;
    split.BuscaComissoes(true);
    TClientDataSet& rows = split.Comissoes();
    rows.First();
    rows.Edit();
    rows.FieldByName("CODREP").AsString = codrep;
    if (modo == "1" || modo == "3") {
      rows.FieldByName("COM1").AsFloat = media;
      com1 = media;
    }
    if (modo == "2" || modo == "3") {
      rows.FieldByName("COM2").AsFloat = media;
      com2 = media;
    }
    rows.Post();
    split.GravarDados("");
  }

  if (com1 + com2 > 0) {
    TTIQuery pedido(db);
    pedido.SQL.Add("UPDATE " + DBLocal("PEDIDO"));
    pedido.SQL.Add("SET COM1 = :COM1");
    pedido.SQL.Add(",COM2 = :COM2");
    pedido.SQL.Add("WHERE NUMERO = :NUMERO");
    pedido.ParamByName("COM1").AsFloat = com1;
    pedido.ParamByName("COM2").AsFloat = com2;
    pedido.ParamByName("NUMERO").AsString = numero;
    pedido.ExecSQL();
  }

  // The log commits the shared transaction, and with it everything above.
  GeraLog("PEDIDO", "AJUSTE DE COMISSAO NOS ITENS DO PEDIDO " + numero, oplAlteracao, numero, std::nullopt);
  recalculo.release();
  Tabela.IBTransaction.CommitRetaining();
}

}  // namespace zpk
