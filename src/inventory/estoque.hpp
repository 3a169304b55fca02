// TEstoque: the one object through which stock movements of finished products
// (balance PA_ITEN, journal PA_MOV, average cost PRODUTO.CUSTO) and of materials
// (MAT_ITEN, MAT_MOV) are posted, with the average-price rules they share.
// A posting is all or nothing and serialised per product or material, so the
// balances stay equal to their journals whatever the stations do at once.
#pragma once

#include <string>
#include <string_view>

#include "platform/db/database.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// Entry into stock ("E") or exit from stock ("S").
enum class TOperacaoEstoque { opEntrada, opSaida };

// Kinds of movement; each has a position in the flag string TABBAI.TIPO
// (1-9 entries, 11-19 exits; position 10 belongs to none).
enum class TTipoMovimentoEstoque {
  tmeEMAN,
  tmeEFNF,
  tmeECNF,
  tmeEDEV,
  tmeETER,
  tmeEBOF,
  tmeEBEN,
  tmeETEC,
  tmeEREC,
  tmeSMAN,
  tmeSFNF,
  tmeSCNF,
  tmeSDEV,
  tmeSEXP,
  tmeSBOF,
  tmeSBEN,
  tmeSTEC,
  tmeSREC,
};

class TEstoque {
 public:
  // Zeroes the amounts and the date, and posts on Tabela.IBDatabase.
  TEstoque();

  std::string ECodigo;
  std::string ECor;
  std::string ELote;
  std::string EDeposito;
  std::string EQualidade;
  std::string EDocumento;
  std::string ETipo;
  std::string ETipoBaixa;
  TOperacaoEstoque EOperacao = TOperacaoEstoque::opEntrada;
  std::string ECliente;
  std::string EDescricao;
  double EQuantidade = 0;
  double ECusto = 0;
  double ECustoAtual = 0;
  double EPreco = 0;
  TDateTime EData;
  std::string EUnidade;
  std::string EUnCad;
  double EUnQtde = 0;
  int EOrdem = 0;
  std::string EFuncionario;
  std::string EBarra;
  double EQtdeMin = 0;
  double EQtdeMax = 0;
  TTIDatabase* EDatabase = nullptr;
  double EQuant_Bruto = 0;
  std::string ETamanho;
  std::string EObservacao;
  std::string ETurno;
  std::string EComposicao;
  std::string EBarra28;
  std::string EBarraCli;
  std::string EBarraMat;
  std::string ELocal;
  std::string EMaquina;
  double ELargura = 0;
  std::string ECentroCusto;
  std::string EParte;

  // Posts one product movement: balance row, average cost, journal row, all
  // or nothing (a failed statement undoes the others and is raised). With
  // Commit the shared transaction is committed once the posting is complete;
  // otherwise the caller commits. An exit without a balance row shows a
  // warning and writes nothing; a product without stock control is only logged.
  // An empty ECodigo, a code that PRODUTO does not hold or an EQuantidade
  // that is not positive raises EZpkError before anything is written (the
  // first entry of a new colour or size of a registered product is a posting
  // like any other). An average that comes out 0 keeps the cost.
  void MovimentaEstoqueProduto(bool Commit);
  // Inserts the balance row of the current product item with the movement's
  // quantity; raises EDatabaseError, commits nothing.
  void CadastraEstoque();
  // Fills the product defaults (colour, size, lot, deposit, quality, costs,
  // barcodes, units, employee...) from the database.
  void CriaValoresPadroes();
  // The movement quantity in the registered unit.
  double QtdeConvertida() const;
  // The product's average cost after a movement of Qtde at Custo ("E"/"S").
  double PrecoMedioProduto(std::string_view Codigo, double Qtde, double Custo, std::string_view Operacao);
  // The next order number of the product journal (last 30 days' maximum + 1).
  int SequenciaMovimento();
  // The movement-type code configured in TABBAI for a kind of movement ("" when none).
  std::string CodigoTipoMovEstoque(TTipoMovimentoEstoque Tipo);

  // Posts one material movement (balance, optional average-price rewrite,
  // journal), all or nothing. Commit also enables the cost plausibility log.
  // Refuses an empty ECodigo, a code that MATERIAL does not hold or a
  // quantity that is not positive, as above.
  void MovimentaEstoqueMaterial(bool Commit, bool AtualizaPreco);
  // Inserts the balance row of the current material item at PrecoMedio.
  void CadastraEstoqueMaterial(double PrecoMedio);
  // Fills the material defaults, ECustoAtual included.
  void CriaValoresPadroesMaterial();

 private:
  TTIDatabase& database() const;
  void default_deposit_and_employee(TTIDatabase& db);
  void insert_product_balance();
  void post_material(bool Commit, bool AtualizaPreco, std::string& cost_log);
};

// The material's average price after a movement of Qtde worth Valor ("E"/"S"),
// over its balance rows of colour Cor (only the positive ones with
// SoPositivos); SoAtual returns the current average. 4 decimals.
double PrecoMedioMaterial(std::string_view Codigo, std::string_view Cor, double Valor, double Qtde,
                          std::string_view Operacao, bool SoAtual, bool SoPositivos);

}  // namespace zpk
