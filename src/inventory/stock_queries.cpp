#include "inventory/stock_queries.hpp"

#include <string>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

std::string text(std::string_view s) {
  return std::string(s);
}

// QTDE of a unit in UNIDADE, and whether the unit is registered at all.
struct UnitFactor {
  bool found = false;
  double qtde = 0;
};

UnitFactor unit_factor(std::string_view unidade) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT QTDE FROM " + DBLocal("UNIDADE") + " WHERE UNIDADE = :UNIDADE");
  busca->ParamByName("UNIDADE").AsString = text(unidade);
  busca->Open();
  return {!busca->IsEmpty(), busca->FieldByName("QTDE").AsFloat()};
}

// The factor shared by QuantidadeConv and QtdeUnCompra (0 when none is set).
double conversion_factor(std::string_view Codigo, std::string_view Unidade, std::string_view Tipo) {
  if (BuscaParametro("COM", 30) == "S" && !Codigo.empty() && Tipo == "M") {
    SqlBuscaScope busca;
    busca->SQL.Add("SELECT DIVISOR FROM " + DBLocal("MATERIAL") + " WHERE CODIGO = :CODIGO");
    busca->ParamByName("CODIGO").AsString = text(Codigo);
    busca->Open();
    return busca->FieldByName("DIVISOR").AsFloat();
  }
  if (!Unidade.empty()) return unit_factor(Unidade).qtde;
  return 0;
}

// PRECO of the supplier's price list entry for the material (0 when none).
double price_list(std::string_view Codigo, std::string_view Fornecedor) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT PRECO FROM " + DBLocal("CONV_MATERIAL"));
  busca->SQL.Add("WHERE CODFOR = :CODFOR");
  busca->SQL.Add("AND CODIGO_MAT = :CODIGO");
  busca->ParamByName("CODFOR").AsString = text(Fornecedor);
  busca->ParamByName("CODIGO").AsString = text(Codigo);
  busca->Open();
  return busca->FieldByName("PRECO").AsFloat();
}

// PRECO of the product or material register row (0 when the code is unknown).
double register_price(const char* table, std::string_view Codigo) {
  SqlBuscaScope busca;
  busca->SQL.Add(std::string("SELECT PRECO FROM ") + DBLocal(table) + " WHERE CODIGO = :CODIGO");
  busca->ParamByName("CODIGO").AsString = text(Codigo);
  busca->Open();
  return busca->FieldByName("PRECO").AsFloat();
}

// True when `select` (with a :CODIGO parameter) returns a row for the code.
bool has_row(const std::string& select, std::string_view Codigo) {
  SqlBuscaScope busca;
  busca->SQL.Add(select);
  busca->ParamByName("CODIGO").AsString = text(Codigo);
  busca->Open();
  return !busca->IsEmpty();
}

}  // namespace

double QtdeEstoque(std::string_view Codigo, std::string_view Cor, std::string_view Tam, std::string_view Lote,
                   std::string_view Deposito, std::string_view Tipo, std::string_view Origem) {
  SqlBuscaScope busca;
  TTIQuery& q = *busca;
  const bool produto = Origem == "P";
  if (produto) {
    q.SQL.Add("SELECT SUM(QUANTIDADE) AS QTDE FROM " + DBLocal("PA_ITEN"));
  } else {
    q.SQL.Add("SELECT SUM(QTDE) AS QTDE FROM " + DBLocal("MAT_ITEN"));
  }
  q.SQL.Add("WHERE CODIGO = :CODIGO");
  q.SQL.Add("AND COR = :COR");
  q.ParamByName("CODIGO").AsString = text(Codigo);
  q.ParamByName("COR").AsString = text(Cor);
  if (produto) {
    q.SQL.Add("AND TAM = :TAM");
    q.ParamByName("TAM").AsString = text(Tam);
  }
  if (!Lote.empty()) {
    q.SQL.Add("AND LOTE = :LOTE");
    q.ParamByName("LOTE").AsString = text(Lote);
  }
  if (!Deposito.empty()) {
    q.SQL.Add("AND DEPOSITO = :DEPOSITO");
    q.ParamByName("DEPOSITO").AsString = text(Deposito);
  }
  if (produto && !Tipo.empty()) {
    q.SQL.Add("AND TIPO = :TIPO");
    q.ParamByName("TIPO").AsString = text(Tipo);
  }
  q.Open();
  return q.FieldByName("QTDE").AsFloat();
}

double CalculaPrecoMedio(std::string_view Codigo, std::string_view Unidade, std::string_view Cor,
                         std::string_view /*Operacao*/, double Qtde, double Preco) {
  double fator = unit_factor(Unidade).qtde;
  if (fator == 0) fator = 1;
  const Currency qm = Qtde * fator;
  const Currency vm = qm * Preco;

  SqlBuscaScope busca;
  TTIQuery& q = *busca;
  q.SQL.Add("SELECT SUM(PA_ITEN.QUANTIDADE) AS QTDE, PRODUTO.CUSTO AS PRECO_MED ");
  q.SQL.Add("FROM " + DBLocal("PRODUTO") + " PRODUTO ");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("PA_ITEN") + " PA_ITEN ON (PA_ITEN.CODIGO = PRODUTO.CODIGO)");
  q.SQL.Add("WHERE PRODUTO.CODIGO = :CODIGO");
  q.SQL.Add("AND PA_ITEN.COR = :COR");
  q.SQL.Add("GROUP BY PRODUTO.CUSTO ");
  q.ParamByName("CODIGO").AsString = text(Codigo);
  q.ParamByName("COR").AsString = text(Cor);
  q.Open();
  const double qe = q.FieldByName("QTDE").AsFloat();
  const double pm = q.FieldByName("PRECO_MED").AsFloat();

  // The weighted mean of what is in stock and what comes in; with nothing in
  // stock (or no cost yet) the entry's own price. A quantity that cancels the
  // balance out leaves no divisor: 0 then, never an infinite cost.
  if (qe > 0 && pm > 0) {
    const double divisor = qe + qm.ToDouble();
    if (divisor == 0) return 0;
    return Currency((qe * pm + vm.ToDouble()) / divisor).ToDouble();
  }
  return (vm / qm.ToDouble()).ToDouble();
}

double ConverteUnidade(std::string_view UnOrigem, std::string_view UnDestino, std::string& UnResultado,
                       double Qtde) {
  if (UnOrigem == UnDestino || UnOrigem.empty() || UnDestino.empty()) {
    UnResultado = text(UnOrigem);
    return Qtde;
  }
  UnResultado = text(UnDestino);
  const UnitFactor destino = unit_factor(UnDestino);
  if (!destino.found) return Qtde;
  // A unit that is not registered, or registered with QTDE 0, holds one base
  // unit, as in the stock postings and the average cost: a conversion never
  // makes a quantity vanish nor divides by nothing.
  const auto counts = [](double qtde) { return qtde == 0 ? 1.0 : qtde; };
  return Qtde * counts(unit_factor(UnOrigem).qtde) / counts(destino.qtde);
}

double QuantidadeConv(std::string_view Codigo, std::string_view Unidade, std::string_view Tipo, double Qtde) {
  const double fator = conversion_factor(Codigo, Unidade, Tipo);
  const double resultado = fator > 0 ? Qtde * fator : 0;
  return resultado > 0 ? resultado : Qtde;
}

double QtdeUnCompra(std::string_view Codigo, std::string_view Unidade, std::string_view Tipo, double Qtde) {
  const double fator = conversion_factor(Codigo, Unidade, Tipo);
  const double resultado = fator > 0 ? Qtde / fator : 0;
  return resultado > 0 ? resultado : Qtde;
}

double Ultimo_Preco(std::string_view Codigo, std::string_view Fornecedor) {
  double preco = price_list(Codigo, Fornecedor);
  if (preco <= 0) {
    SqlBuscaScope busca;
    TTIQuery& q = *busca;
    q.SQL.Add("SELECT (ITEN.VALOR) PRECO FROM " + DBLocal("NF_ENTRA_ITEN") + " ITEN ");
    q.SQL.Add("INNER JOIN " + DBLocal("NOTA_ENTRA") +
              " NOTA ON (NOTA.NOTAFISCAL = ITEN.NUMERO AND NOTA.CREDOR = ITEN.CODCRE AND NOTA.SERIE = "
              "ITEN.SERIE)");
    q.SQL.Add("INNER JOIN " + DBLocal("NATUREZA") + " NATUREZA ON (ITEN.NATUREZA = NATUREZA.NATUREZA)");
    q.SQL.Add("WHERE ITEN.CODCRE = :CODCRE");
    q.SQL.Add("AND ITEN.CODIGO = :CODIGO");
    q.SQL.Add("AND NATUREZA.TIPO = " + Aspas("V"));
    q.SQL.Add("ORDER BY NOTA.DT_ENTRADA ");
    q.ParamByName("CODCRE").AsString = text(Fornecedor);
    q.ParamByName("CODIGO").AsString = text(Codigo);
    q.Open();
    q.Last();
    preco = q.FieldByName("PRECO").AsFloat();
  }
  return StrToFloat(FormatFloat("0.00000", preco));
}

double Busca_Preco(std::string_view Codigo, std::string_view Fornecedor, std::string_view Cor,
                   std::string_view Tipo, std::string_view Tinturaria) {
  if (Tinturaria == "S") {
    {
      SqlBuscaScope busca;
      TTIQuery& q = *busca;
      q.SQL.Add("SELECT CUSTO FROM " + DBLocal("CADCORTI"));
      q.SQL.Add("WHERE CODIGO = :CODIGO");
      q.SQL.Add("AND CODCLI = :CODCLI");
      q.ParamByName("CODIGO").AsString = text(Codigo);
      q.ParamByName("CODCLI").AsString = text(Fornecedor);
      if (!Trim(Cor).empty()) {
        q.SQL.Add("AND COR = :COR");
        q.ParamByName("COR").AsString = text(Cor);
      }
      q.Open();
      if (!q.IsEmpty()) return q.FieldByName("CUSTO").AsFloat();
    }
    return price_list(Codigo, Fornecedor);
  }
  const double preco = Ultimo_Preco(Codigo, Fornecedor);
  if (preco != 0) return preco;
  if (Tipo == "M") return register_price("MATERIAL", Codigo);
  if (Tipo == "S") return 0;
  return register_price("PRODUTO", Codigo);
}

bool ValidaExclusaoMaterial(std::string_view Codigo) {
  std::string motivos;
  const auto check = [&](const std::string& select, const char* motivo) {
    if (has_row(select, Codigo)) motivos += std::string(motivo) + "\r\n";
  };
  check("SELECT FIRST 1 1 FROM " + DBLocal("PCPFT2") + " WHERE INSUMO = :CODIGO",
        "- Material na Ficha técnica.");
  check("SELECT FIRST 1 1 FROM " + DBLocal("CADMATTI") + " WHERE CODIGO2 = :CODIGO",
        "- Material cadastrado na Tinturaria.");
  check("SELECT FIRST 1 1 FROM " + DBLocal("CADMATTI") + " WHERE CODIGO = :CODIGO",
        "- Material cadastrado na Tinturaria.");
  check("SELECT FIRST 1 1 FROM " + DBLocal("TECEL_ITEN") + " WHERE CODIGO = :CODIGO",
        "- Material cadastrado na Tecelagem.");
  {
    SqlBuscaScope busca;
    busca->SQL.Add("SELECT SUM(QTDE) AS QTDE FROM " + DBLocal("MAT_ITEN") + " WHERE CODIGO = :CODIGO");
    busca->ParamByName("CODIGO").AsString = text(Codigo);
    busca->Open();
    if (busca->FieldByName("QTDE").AsFloat() > 0) motivos += "- Quantidades em estoque. \r\n";
  }
  check("SELECT DISTINCT 1 FROM " + DBLocal("MAT_MOV") + " MATMOV WHERE MATMOV.CODIGO = :CODIGO",
        "- Material com movimentações. ");
  check("SELECT DISTINCT 1 FROM " + DBLocal("PED_ITEN") +
            " PEDITEN WHERE PEDITEN.CODIGO = :CODIGO AND PEDITEN.TIPO = " + Aspas("M"),
        "- Existem pedidos cadastrados com esse material. ");
  check("SELECT DISTINCT 1 FROM " + DBLocal("CO_ITEN") +
            " CO_ITEN WHERE CO_ITEN.CODIGO = :CODIGO AND CO_ITEN.TP_ITEM = " + Aspas("M"),
        "- Existem compras cadastradas com esse material. ");
  if (motivos.empty()) return true;
  MessageBox("Impossível Excluir.\r\n\r\n" + motivos, kCaption, MB_OK | MB_ICONINFORMATION);
  return false;
}

bool ValidaExclusaoProduto(std::string_view Codigo) {
  const struct {
    const char* table;
    const char* mensagem;
  } kChecks[] = {
      {"PED_ITEN", "Impossível Excluir \nExistem registros de produtos na tabela de Itens de Pedidos."},
      {"PCPFT2", "Impossível Excluir \nExistem registros de Produtos na tabela de Insumos."},
      {"PA_ITEN", "Impossível Excluir \nExistem registros de Produtos na tabela de Itens de Produtos."},
  };
  for (const auto& c : kChecks) {
    if (has_row(std::string("SELECT FIRST 1 1 FROM ") + DBLocal(c.table) + " WHERE CODIGO = :CODIGO",
                Codigo)) {
      MessageBox(c.mensagem, kCaption, MB_OK);
      return false;
    }
  }
  return true;
}

}  // namespace zpk
