#include "inventory/exp_aviamentos.hpp"

#include <cstddef>
#include <exception>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>

#include "foundation/detail/sql_literals.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// The row a product gets, per order item, when its sheet spreads a material
// over the colour shares but no share is registered.
constexpr const char* kSemPercentuais = "N. Cadastrado Percentuais.";
// The colour a share lands on when the sheet has no material colour for it.
constexpr const char* kCorSemMapa = "99999";

// Order items that a sheet line leaves out in their colour.
constexpr const char* kCorNaoUsada = "*****";
// A sheet line whose material colour follows the product's colour shares.
constexpr const char* kCorPercentual = "E";

// A requirement row is identified by order, material and material colour.
struct Chave {
  std::string numero;
  std::string codigo;
  std::string cor;
  bool operator==(const Chave&) const = default;
};

struct ChaveHash {
  size_t operator()(const Chave& k) const {
    const std::hash<std::string> h;
    return h(k.numero) ^ (h(k.codigo) * 31) ^ (h(k.cor) * 1009);
  }
};

// One row of the result as the run builds it. Rows that were in the dataset
// before keep their record number and only their CONSUMO and TOTAL change.
struct Linha {
  int recno = 0;  // record number of a row that was already there; 0: new
  bool alterada = false;
  bool so_descricao = false;  // a row of a product without shares: NUMERO, CODIGO, DESCRICAO only
  std::string numero, codigo, descricao, cor, desccor, unidade, grupo;
  double consumo = 0, estoque = 0, preco_med = 0, unit = 0, total = 0;
};

// One colour share of a product's production mix.
struct Percentual {
  std::string cor;
  double percentual = 0;
};

// The requirement list of one run: the rows of the dataset, found by key in
// constant time, and the rows the run adds, written to the dataset at the end.
// Writing once at the end keeps each search independent of how many rows the
// list already holds.
class Requisitos {
 public:
  explicit Requisitos(TClientDataSet& ds) : ds_(ds) {}

  // Reads the rows already in the dataset, in the order they were added.
  void carrega() {
    ds_.Filtered = false;
    ds_.Filter = "";
    ds_.IndexFieldNames = "";
    int recno = 0;
    for (ds_.First(); !ds_.Eof(); ds_.Next()) {
      Linha l;
      l.recno = ++recno;
      l.numero = ds_.FieldByName("NUMERO").AsString();
      l.codigo = ds_.FieldByName("CODIGO").AsString();
      l.cor = ds_.FieldByName("COR").AsString();
      l.consumo = ds_.FieldByName("CONSUMO").AsFloat();
      l.unit = ds_.FieldByName("UNIT").AsFloat();
      l.total = ds_.FieldByName("TOTAL").AsFloat();
      indice_.try_emplace(Chave{l.numero, l.codigo, l.cor}, linhas_.size());
      linhas_.push_back(std::move(l));
    }
    existentes_ = recno;
  }

  // The row of the key, or nullptr.
  Linha* busca(const Chave& k) {
    auto it = indice_.find(k);
    return it == indice_.end() ? nullptr : &linhas_[it->second];
  }

  // Adds `r` to the row's requirement and its value at the row's price.
  void acumula(Linha& l, double r) {
    l.consumo += r;
    l.total += r * l.unit;
    l.alterada = true;
    ultima_ = static_cast<size_t>(&l - linhas_.data());
  }

  // Adds a new row (searchable by its key unless another row holds it).
  void nova(Linha l) {
    indice_.try_emplace(Chave{l.numero, l.codigo, l.cor}, linhas_.size());
    linhas_.push_back(std::move(l));
    ultima_ = linhas_.size() - 1;
  }

  bool alterou() const { return ultima_ != kNenhuma; }

  // Writes the changes into the dataset and stands on the row changed last.
  void grava() {
    int recno = existentes_;
    for (Linha& l : linhas_) {
      if (l.recno == 0) {
        ds_.Append();
        ds_.FieldByName("NUMERO").AsString = l.numero;
        ds_.FieldByName("CODIGO").AsString = l.codigo;
        ds_.FieldByName("DESCRICAO").AsString = l.descricao;
        if (!l.so_descricao) {
          ds_.FieldByName("COR").AsString = l.cor;
          ds_.FieldByName("DESCCOR").AsString = l.desccor;
          ds_.FieldByName("CONSUMO").AsFloat = l.consumo;
          ds_.FieldByName("ESTOQUE").AsFloat = l.estoque;
          ds_.FieldByName("PRECO_MED").AsFloat = l.preco_med;
          ds_.FieldByName("UNIT").AsFloat = l.unit;
          ds_.FieldByName("UNIDADE").AsString = l.unidade;
          ds_.FieldByName("TOTAL").AsFloat = l.total;
          ds_.FieldByName("GRUPO").AsString = l.grupo;
        }
        ds_.Post();
        l.recno = ++recno;
      } else if (l.alterada) {
        ds_.RecNo = l.recno;
        ds_.Edit();
        ds_.FieldByName("CONSUMO").AsFloat = l.consumo;
        ds_.FieldByName("TOTAL").AsFloat = l.total;
        ds_.Post();
      }
      l.alterada = false;
    }
    if (alterou()) ds_.RecNo = linhas_[ultima_].recno;
  }

 private:
  static constexpr size_t kNenhuma = static_cast<size_t>(-1);
  TClientDataSet& ds_;
  std::vector<Linha> linhas_;
  std::unordered_map<Chave, size_t, ChaveHash> indice_;
  int existentes_ = 0;
  size_t ultima_ = kNenhuma;
};

// The quantity column and the item condition of each TipoQtde.
struct Quantidade {
  const char* coluna;
  const char* condicao;
};
constexpr Quantidade kQuantidades[] = {
    {"PED_ITEN.QTDE, ", " AND  PED_ITEN.QTDE > 0  "},
    {"(PED_ITEN.QTDE_CANC) AS QTDE, ", "AND (PED_ITEN.QTDE_CANC) > 0 "},
    {"(PED_ITEN.QTDE_F) AS QTDE, ", "AND (PED_ITEN.QTDE_F) > 0  "},
    {"0 AS QTDE, ", ""},
    {"(PED_ITEN.QTDE + PED_ITEN.QTDE_F + PED_ITEN.QTDE_CANC) AS QTDE, ",
     "AND (PED_ITEN.QTDE + PED_ITEN.QTDE_F + PED_ITEN.QTDE_CANC) > 0  "},
};

// Appends "<prefixo> IN (...)" for the caller's list of quoted order numbers,
// each bound as the literal it is. Raises EZpkError for an item that is no literal.
void and_in_list(TTIQuery& q, const std::string& prefixo, const std::string& lista) {
  const auto literais =
      detail::read_sql_literals("TExpAviamentos.Executa", "ListaPedidos", lista, ",", std::string::npos);
  std::string sql = prefixo + " IN (";
  for (size_t i = 0; i < literais.size(); ++i) {
    if (i > 0) sql += ", ";
    detail::append_marker(sql, literais[i], fmt::format(":LISTA{}", i));
  }
  sql += ")";
  q.SQL.Add(sql);
  for (size_t i = 0; i < literais.size(); ++i) {
    detail::bind_literal(q.ParamByName(fmt::format("LISTA{}", i)), literais[i]);
  }
}

// The order-number conditions both statements share: the list, then one
// order or the bounds of a range (each bound only when given).
void and_pedidos(TTIQuery& q, const TExpAviamentos& e, const std::string& coluna) {
  if (!Trim(e.ListaPedidos).empty()) and_in_list(q, " AND " + coluna, e.ListaPedidos);
  if (!Trim(e.PedidoUnico).empty()) {
    q.SQL.Add(" AND " + coluna + " = :PEDIDO_UNICO");
    q.ParamByName("PEDIDO_UNICO").AsString = e.PedidoUnico;
    return;
  }
  if (!Trim(e.PedidoIni).empty()) {
    q.SQL.Add("and " + coluna + " >= :PEDIDO_INI");
    q.ParamByName("PEDIDO_INI").AsString = e.PedidoIni;
  }
  if (!Trim(e.PedidoFim).empty()) {
    q.SQL.Add("and " + coluna + " <= :PEDIDO_FIM");
    q.ParamByName("PEDIDO_FIM").AsString = e.PedidoFim;
  }
}

// The statement of the order items with their sheet lines, materials, colours and prices.
void monta_itens(TTIQuery& q, const TExpAviamentos& e) {
  if (e.TipoQtde < 0 || e.TipoQtde >= static_cast<int>(std::size(kQuantidades))) {
    throw EZpkError(fmt::format("TExpAviamentos: TipoQtde {} is not one of 0 to 4", e.TipoQtde));
  }
  const Quantidade& qtde = kQuantidades[e.TipoQtde];
  q.SQL.Add("SELECT PED_ITEN.NUMERO, PED_ITEN.CODIGO, PED_ITEN.COR, PED_ITEN.TAM, ");
  q.SQL.Add(qtde.coluna);
  q.SQL.Add("PCPFT2.INSUMO, PCPFT2.CONSUMO, PCPFT2.FAIXA, PCPFT2.APLICACAO, ");
  q.SQL.Add("PCPFT3.COR_I, MATERIAL.DESCRICAO AS DESCRICAO, MATERIAL.GRUPO, ");
  q.SQL.Add("MATERIAL.UNIDADE, COR.DESCRICAO AS DESCCOR, PRECO.PRECO_1 AS PRECO ");
  q.SQL.Add("FROM " + DBLocal("PEDIDO") + " PEDIDO ");
  q.SQL.Add("INNER JOIN " + DBLocal("PED_ITEN") + " PED_ITEN ON (PEDIDO.NUMERO = PED_ITEN.NUMERO) ");
  q.SQL.Add("INNER JOIN " + DBLocal("PCPFT2") + " PCPFT2 ON (PED_ITEN.CODIGO = PCPFT2.CODIGO) ");
  q.SQL.Add("INNER JOIN " + DBLocal("PCPFT3") +
            " PCPFT3 ON (PED_ITEN.CODIGO = PCPFT3.CODIGO AND PED_ITEN.COR = PCPFT3.COR AND PCPFT2.ID = "
            "PCPFT3.ID) ");
  q.SQL.Add("INNER JOIN " + DBLocal("PCPFAIXA") + " FAIXA ON (PCPFT2.FAIXA = FAIXA.FAIXA) ");
  q.SQL.Add("INNER JOIN " + DBLocal("MATERIAL") + " MATERIAL ON (PCPFT2.INSUMO = MATERIAL.CODIGO) ");
  q.SQL.Add("INNER JOIN " + DBLocal("CADCOR") + " COR ON (PED_ITEN.COR = COR.COR) ");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("MAT_PRECO") + " PRECO ON (MATERIAL.CODIGO = PRECO.CODIGO) ");
  q.SQL.Add("WHERE 1=1 ");
  const std::pair<const char*, const std::string*> datas[] = {
      {"and PEDIDO.DT_EMISSAO >= :EMISSAO_INI", &e.EmissaoIni},
      {"and PEDIDO.DT_EMISSAO <= :EMISSAO_FIM", &e.EmissaoFim},
      {"and PEDIDO.ENTREGA >= :ENTREGA_INI", &e.EntregaIni},
      {"and PEDIDO.ENTREGA <= :ENTREGA_FIM", &e.EntregaFim},
      {"and PEDIDO.DT_FATURA >= :FATURA_INI", &e.FaturaIni},
      {"and PEDIDO.DT_FATURA <= :FATURA_FIM", &e.FaturaFim},
  };
  for (const auto& [condicao, valor] : datas) {
    q.SQL.Add(condicao);
    const std::string_view texto = condicao;
    q.ParamByName(texto.substr(texto.find(':') + 1)).AsString = *valor;
  }
  q.SQL.Add(qtde.condicao);
  if (!Trim(e.PedidoCliente).empty()) {
    q.SQL.Add(" AND PEDIDO.PED_CLI = :PED_CLI");
    q.ParamByName("PED_CLI").AsString = e.PedidoCliente;
  }
  and_pedidos(q, e, "PED_ITEN.NUMERO");
  if (!e.CodProduto.empty()) {
    q.SQL.Add(" AND  PED_ITEN.CODIGO = :COD_PRODUTO");
    q.ParamByName("COD_PRODUTO").AsString = e.CodProduto;
  }
  q.SQL.Add(std::string("and PCPFT3.COR_I <> ") + QuotedStr(kCorNaoUsada));
  // The item's size must be one of the 24 slots of the sheet line's range.
  std::string tamanhos = "and ((FAIXA.TAM01 = PED_ITEN.TAM) OR ";
  for (int i = 2; i <= 23; ++i) tamanhos += fmt::format("(FAIXA.TAM{:02} = PED_ITEN.TAM) OR ", i);
  tamanhos += "(FAIXA.TAM24 = PED_ITEN.TAM) )  ";
  q.SQL.Add(tamanhos);
  q.SQL.Add("ORDER BY PED_ITEN.NUMERO, PED_ITEN.CODIGO, PED_ITEN.COR, PCPFT2.INSUMO ");
}

// The first-quality colour shares of every product, grouped by product.
std::unordered_map<std::string, std::vector<Percentual>> le_percentuais(TTIQuery& q) {
  q.SQL.Add("SELECT ");
  q.SQL.Add("CODIGO, COR, TAM, PERCENTUAL ");
  q.SQL.Add("FROM " + DBLocal("PA_ITEN"));
  q.SQL.Add("WHERE PERCENTUAL > 0 AND ");
  q.SQL.Add("TIPO = " + QuotedStr("1"));
  q.SQL.Add("GROUP BY CODIGO, COR, TAM, PERCENTUAL ORDER BY CODIGO, COR, TAM ");
  q.Open();
  std::unordered_map<std::string, std::vector<Percentual>> por_produto;
  TTIField& codigo = q.FieldByName("CODIGO");
  TTIField& cor = q.FieldByName("COR");
  TTIField& percentual = q.FieldByName("PERCENTUAL");
  for (; !q.Eof(); q.Next()) {
    por_produto[codigo.AsString()].push_back(Percentual{cor.AsString(), percentual.AsFloat()});
  }
  return por_produto;
}

// The pieces of the selected orders: their open quantity, whatever the
// dates, product, customer reference or TipoQtde.
double pecas(const TExpAviamentos& e) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT SUM(QTDE) AS QTDE FROM " + DBLocal("PED_ITEN"));
  q.SQL.Add("WHERE 1 = 1");
  and_pedidos(q, e, "NUMERO");
  q.Open();
  return RoundTo(q.FieldByName("QTDE").AsFloat(), 4);
}

}  // namespace

TExpAviamentos::TExpAviamentos(TClientDataSet& DataSet) {
  DataSet.Close();
  DataSet.FieldDefs.Clear();
  DataSet.FieldDefs.Add("NUMERO", ftString, 12);
  DataSet.FieldDefs.Add("CODIGO", ftString, 15);
  DataSet.FieldDefs.Add("DESCRICAO", ftString, 50);
  DataSet.FieldDefs.Add("COR", ftString, 6);
  DataSet.FieldDefs.Add("DESCCOR", ftString, 50);
  DataSet.FieldDefs.Add("CONSUMO", ftFloat);
  DataSet.FieldDefs.Add("ESTOQUE", ftFloat);
  DataSet.FieldDefs.Add("PECAS", ftFloat);
  DataSet.FieldDefs.Add("PRECO_MED", ftFloat);
  DataSet.FieldDefs.Add("UNIT", ftFloat);
  DataSet.FieldDefs.Add("UNIDADE", ftString, 3);
  DataSet.FieldDefs.Add("TOTAL", ftFloat);
  DataSet.FieldDefs.Add("GRUPO", ftString, 3);
  if (!DataSet.Active()) DataSet.CreateDataSet();
}

void TExpAviamentos::Executa(TClientDataSet& DataSet) {
  Requisitos requisitos(DataSet);
  std::exception_ptr falha;
  try {
    TTIQuery itens(Tabela.IBDatabase);
    TTIQuery somas(Tabela.IBDatabase);
    TTIQuery percentuais(Tabela.IBDatabase);
    monta_itens(itens, *this);
    itens.Open();
    if (!itens.IsEmpty()) {
      const auto por_produto = le_percentuais(percentuais);
      requisitos.carrega();

      somas.SQL.Add("SELECT SUM(QTDE) AS QTDE, MAX(PRECO_MED) AS PRECO_MED FROM " + DBLocal("MAT_ITEN"));
      somas.SQL.Add("WHERE CODIGO = :CODIGO");
      somas.SQL.Add("AND COR = :COR");

      TTIField& f_numero = itens.FieldByName("NUMERO");
      TTIField& f_codigo = itens.FieldByName("CODIGO");
      TTIField& f_qtde = itens.FieldByName("QTDE");
      TTIField& f_insumo = itens.FieldByName("INSUMO");
      TTIField& f_consumo = itens.FieldByName("CONSUMO");
      TTIField& f_faixa = itens.FieldByName("FAIXA");
      TTIField& f_aplicacao = itens.FieldByName("APLICACAO");
      TTIField& f_cor_i = itens.FieldByName("COR_I");
      TTIField& f_descricao = itens.FieldByName("DESCRICAO");
      TTIField& f_grupo = itens.FieldByName("GRUPO");
      TTIField& f_unidade = itens.FieldByName("UNIDADE");
      TTIField& f_preco = itens.FieldByName("PRECO");

      // Adds requirement r of the item's material in colour c to order n.
      auto requer = [&](const std::string& n, const std::string& c, double r) {
        const std::string material = f_insumo.AsString();
        if (Linha* l = requisitos.busca(Chave{n, material, c})) {
          requisitos.acumula(*l, r);
          return;
        }
        Linha l;
        l.numero = n;
        l.codigo = material;
        l.descricao = f_descricao.AsString();
        l.cor = c;
        l.desccor = Busca_Valor(DBLocal("CADCOR"), "COR", "DESCRICAO", QuotedStr(c)).AsString();
        l.consumo = r;
        somas.Close();
        somas.ParamByName("CODIGO").AsString = material;
        somas.ParamByName("COR").AsString = c;
        somas.Open();
        l.estoque = RoundTo(somas.FieldByName("QTDE").AsFloat(), 4);
        l.preco_med = somas.FieldByName("PRECO_MED").AsFloat();
        l.unit = f_preco.AsFloat();
        l.unidade = f_unidade.AsString();
        l.grupo = f_grupo.AsString();
        l.total = RoundTo(r * l.unit, 4);
        requisitos.nova(std::move(l));
      };

      for (itens.First(); !itens.Eof(); itens.Next()) {
        const std::string n = f_numero.AsString();
        const std::string produto = f_codigo.AsString();
        const double qtde = f_qtde.AsFloat();
        const double consumo = f_consumo.AsFloat();
        const std::string cor_i = f_cor_i.AsString();
        if (UpperCase(cor_i) != kCorPercentual) {
          requer(n, cor_i, qtde * consumo + qtde * consumo / 100 * PercAcrescimo);
          continue;
        }
        auto shares = por_produto.find(produto);
        if (shares == por_produto.end()) {
          Linha l;
          l.numero = n;
          l.codigo = produto;
          l.descricao = kSemPercentuais;
          l.so_descricao = true;
          requisitos.nova(std::move(l));
          continue;
        }
        for (const Percentual& share : shares->second) {
          // The surcharge is a percentage here as on the ordinary path, so a
          // colour's share of the requirement grows by the same proportion.
          const double s = share.percentual / 100;
          const std::string valores = QuotedStr(produto) + ";" + QuotedStr(f_insumo.AsString()) + ";" +
                                      QuotedStr(f_faixa.AsString()) + ";" +
                                      QuotedStr(f_aplicacao.AsString()) + ";" + QuotedStr(share.cor);
          std::string c =
              Copy(Busca_Valor(DBLocal("PCPFT3"), "CODIGO;INSUMO;FAIXA;APLICACAO;COR", "COR_I", valores)
                       .AsString(),
                   1, 5);
          if (Trim(c).empty()) c = kCorSemMapa;
          requer(n, c, qtde * s * consumo + qtde * s * consumo / 100 * PercAcrescimo);
        }
      }
    }
  } catch (...) {
    falha = std::current_exception();
  }

  // The rows gathered so far and the pieces are set even when the run
  // failed; the failure then reaches the caller.
  try {
    requisitos.grava();
    const double total_pecas = pecas(*this);
    DataSet.Edit();
    DataSet.FieldByName("PECAS").AsFloat = total_pecas;
    DataSet.Post();
  } catch (...) {
    if (DataSet.State() == dsEdit || DataSet.State() == dsInsert) DataSet.Cancel();
    if (!falha) falha = std::current_exception();
  }
  DataSet.Filtered = false;
  DataSet.Filter = "";
  DataSet.IndexFieldNames = "NUMERO; CODIGO; DESCCOR";
  if (falha) std::rethrow_exception(falha);
}

}  // namespace zpk
