// `zpk call` entries for stock movements (TEstoque). The method's own
// arguments come first, then the object's properties as NAME=value
// (ECodigo=TEC-001 EQuantidade=10 EOperacao=opSaida EData=dd/mm/yyyy ...;
// EOperacao takes opEntrada/opSaida or E/S). After a method that returns
// nothing the call prints the properties it completed.
//
//   zpk call --db x MovimentaEstoqueProduto Commit NAME=value...
//   zpk call --db x MovimentaEstoqueMaterial Commit AtualizaPreco NAME=value...
//
// Commit is the routine's: False leaves the posting uncommitted, and the call
// then ends without keeping it. CadastraEstoque and CadastraEstoqueMaterial
// take no such flag; the call commits after them, as the screen calling them does.
#include <ostream>
#include <utility>

#include "inventory/estoque.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

template <>
struct CallClass<TEstoque> {
  static const char* name() { return "TEstoque"; }

  static const PropertyTable<TEstoque>& properties() {
    static const PropertyTable<TEstoque> kTable = [] {
      PropertyTable<TEstoque> t;
      t.add("ECodigo", &TEstoque::ECodigo)
          .add("ECor", &TEstoque::ECor)
          .add("ELote", &TEstoque::ELote)
          .add("EDeposito", &TEstoque::EDeposito)
          .add("EQualidade", &TEstoque::EQualidade)
          .add("EDocumento", &TEstoque::EDocumento)
          .add("ETipo", &TEstoque::ETipo)
          .add("ETipoBaixa", &TEstoque::ETipoBaixa)
          .add("EOperacao", &TEstoque::EOperacao)
          .add("ECliente", &TEstoque::ECliente)
          .add("EDescricao", &TEstoque::EDescricao)
          .add("EQuantidade", &TEstoque::EQuantidade)
          .add("ECusto", &TEstoque::ECusto)
          .add("ECustoAtual", &TEstoque::ECustoAtual)
          .add("EPreco", &TEstoque::EPreco)
          .add("EData", &TEstoque::EData)
          .add("EUnidade", &TEstoque::EUnidade)
          .add("EUnCad", &TEstoque::EUnCad)
          .add("EUnQtde", &TEstoque::EUnQtde)
          .add("EOrdem", &TEstoque::EOrdem)
          .add("EFuncionario", &TEstoque::EFuncionario)
          .add("EBarra", &TEstoque::EBarra)
          .add("EQtdeMin", &TEstoque::EQtdeMin)
          .add("EQtdeMax", &TEstoque::EQtdeMax)
          .add("EQuant_Bruto", &TEstoque::EQuant_Bruto)
          .add("ETamanho", &TEstoque::ETamanho)
          .add("EObservacao", &TEstoque::EObservacao)
          .add("ETurno", &TEstoque::ETurno)
          .add("EComposicao", &TEstoque::EComposicao)
          .add("EBarra28", &TEstoque::EBarra28)
          .add("EBarraCli", &TEstoque::EBarraCli)
          .add("EBarraMat", &TEstoque::EBarraMat)
          .add("ELocal", &TEstoque::ELocal)
          .add("EMaquina", &TEstoque::EMaquina)
          .add("ELargura", &TEstoque::ELargura)
          .add("ECentroCusto", &TEstoque::ECentroCusto)
          .add("EParte", &TEstoque::EParte);
      return t;
    }();
    return kTable;
  }

  // The properties a posting completes from the database.
  static void report(std::ostream& out, const TEstoque& e) {
    print_var(out, "ECodigo", e.ECodigo);
    print_var(out, "ECor", e.ECor);
    print_var(out, "ETamanho", e.ETamanho);
    print_var(out, "EQualidade", e.EQualidade);
    print_var(out, "EDeposito", e.EDeposito);
    print_var(out, "ELote", e.ELote);
    print_var(out, "EUnCad", e.EUnCad);
    print_var(out, "EDescricao", e.EDescricao);
    print_var(out, "EFuncionario", e.EFuncionario);
    print_var(out, "EData", DateToStr(e.EData));
    for (const auto& [name, value] : {std::pair{"EQuantidade", e.EQuantidade}, std::pair{"ECusto", e.ECusto},
                                      std::pair{"ECustoAtual", e.ECustoAtual}, std::pair{"EPreco", e.EPreco},
                                      std::pair{"EUnQtde", e.EUnQtde}}) {
      print_var(out, name, number_text(value));
    }
  }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_METHOD(TEstoque, MovimentaEstoqueProduto), {"Commit"}).uses_database();
  register_routine(ZPK_METHOD(TEstoque, MovimentaEstoqueMaterial), {"Commit", "AtualizaPreco"})
      .uses_database();
  register_routine(ZPK_METHOD(TEstoque, CadastraEstoque)).uses_database().commits();
  register_routine(ZPK_METHOD(TEstoque, CadastraEstoqueMaterial), {"PrecoMedio"}).uses_database().commits();
  register_routine(ZPK_METHOD(TEstoque, CriaValoresPadroes)).uses_database();
  register_routine(ZPK_METHOD(TEstoque, CriaValoresPadroesMaterial)).uses_database();
  // Pure arithmetic on the properties (EQuantidade, EUnidade, EUnCad, EUnQtde).
  register_routine(ZPK_METHOD(TEstoque, QtdeConvertida));
  register_routine(ZPK_METHOD(TEstoque, PrecoMedioProduto), {"Codigo", "Qtde", "Custo", "Operacao"})
      .uses_database();
  register_routine(ZPK_METHOD(TEstoque, SequenciaMovimento)).uses_database();
  register_routine(ZPK_METHOD(TEstoque, CodigoTipoMovEstoque), {"Tipo"}).uses_database();
  register_routine(ZPK_ROUTINE(PrecoMedioMaterial),
                   {"Codigo", "Cor", "Valor", "Qtde", "Operacao", "SoAtual", "SoPositivos"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
