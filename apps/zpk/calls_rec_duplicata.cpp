// `zpk call` entries for receivable titles (TRecDuplicata), collection-batch
// numbers and bank instructions. A title's properties follow the method as
// NAME=value (Numero=001234/1 CodCli=000501 Valor=1500.25
// DataVencimento=dd/mm/yyyy Status=tpCheque ...; Status also takes the stored
// code, N, A, O, CH, C, D, G, DV or CD). Empresa=_002 writes to that company's
// table. The writers leave the commit to their caller, as the screens do: the
// call commits after them.
//
//   zpk call --db x IncluiDuplicata Numero=001234/1 CodCli=000501 Valor=100 DataVencimento=10/03/2026
//   zpk call --db x AlteraDuplicata Numero=001234/1 Valor=120 DataVencimento=10/04/2026
//   zpk call --db x ProximoNumeroBordero R
//   zpk call --db x GravaMovimentoReceber 001234/1 PROTESTAR
#include <array>
#include <optional>
#include <ostream>
#include <string_view>

#include "receivables/movimento_receber.hpp"
#include "receivables/rec_duplicata.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

template <>
struct EnumNames<TStatusDuplicata> {
  static constexpr std::array<std::string_view, 9> names{"tpDuplicata", "tpAntecipacao", "tpOrcamento",
                                                         "tpCheque",    "tpCancelada",   "tpDesdobrada",
                                                         "tpAgrupada",  "tpDevolucao",   "tpChequeDev"};
  // The code RECEBER.STATUS stores.
  static std::optional<TStatusDuplicata> alias(std::string_view text) {
    static constexpr std::array<std::string_view, 9> kCodes{"N", "A", "O", "CH", "C", "D", "G", "DV", "CD"};
    for (size_t i = 0; i < kCodes.size(); ++i) {
      if (text == kCodes[i]) return static_cast<TStatusDuplicata>(i);
    }
    return std::nullopt;
  }
};

template <>
struct CallClass<TRecDuplicata> {
  static const char* name() { return "TRecDuplicata"; }

  static const PropertyTable<TRecDuplicata>& properties() {
    static const PropertyTable<TRecDuplicata> kTable = [] {
      PropertyTable<TRecDuplicata> t;
      t.add("Empresa", &TRecDuplicata::Empresa)
          .add("Numero", &TRecDuplicata::Numero)
          .add("CodCli", &TRecDuplicata::CodCli)
          .add("ValorPago", &TRecDuplicata::ValorPago)
          .add("Valor", &TRecDuplicata::Valor)
          .add("Desconto", &TRecDuplicata::Desconto)
          .add("CodRep", &TRecDuplicata::CodRep)
          .add("Comissao1", &TRecDuplicata::Comissao1)
          .add("Comissao2", &TRecDuplicata::Comissao2)
          .add("CodRep2", &TRecDuplicata::CodRep2)
          .add("Comissao3", &TRecDuplicata::Comissao3)
          .add("Comissao4", &TRecDuplicata::Comissao4)
          .add("Devolucao", &TRecDuplicata::Devolucao)
          .add("Juros", &TRecDuplicata::Juros)
          .add("ValorOriginal", &TRecDuplicata::ValorOriginal)
          .add("ValorFatura", &TRecDuplicata::ValorFatura)
          .add("Taxa", &TRecDuplicata::Taxa)
          .add("ValorSubst", &TRecDuplicata::ValorSubst)
          .add("ValorIPI", &TRecDuplicata::ValorIPI)
          .add("Despesas", &TRecDuplicata::Despesas)
          .add("QtdePecas", &TRecDuplicata::QtdePecas)
          .add("NumeroCaixas", &TRecDuplicata::NumeroCaixas)
          .add("CH_Numero", &TRecDuplicata::CH_Numero)
          .add("CH_Emissor", &TRecDuplicata::CH_Emissor)
          .add("CH_Agencia", &TRecDuplicata::CH_Agencia)
          .add("CH_Banco", &TRecDuplicata::CH_Banco)
          .add("CH_Conta", &TRecDuplicata::CH_Conta)
          .add("Classe", &TRecDuplicata::Classe)
          .add("Historico", &TRecDuplicata::Historico)
          .add("Situacao", &TRecDuplicata::Situacao)
          .add("Banco", &TRecDuplicata::Banco)
          .add("Observacao", &TRecDuplicata::Observacao)
          .add("NrBanco", &TRecDuplicata::NrBanco)
          .add("Fatura", &TRecDuplicata::Fatura)
          .add("Pedido", &TRecDuplicata::Pedido)
          .add("Status", &TRecDuplicata::Status)
          .add("TipoFat", &TRecDuplicata::TipoFat)
          .add("DataPrevisao", &TRecDuplicata::DataPrevisao)
          .add("DataEmissao", &TRecDuplicata::DataEmissao)
          .add("DataVencimento", &TRecDuplicata::DataVencimento)
          .add("DataOriginal", &TRecDuplicata::DataOriginal)
          .add("PesoLiquido", &TRecDuplicata::PesoLiquido)
          .add("PesoBruto", &TRecDuplicata::PesoBruto)
          .add("Aliquota", &TRecDuplicata::Aliquota)
          .add("Transporte", &TRecDuplicata::Transporte)
          .add("Frete", &TRecDuplicata::Frete)
          .add("NumeroCupom", &TRecDuplicata::NumeroCupom)
          .add("Lancamento", &TRecDuplicata::Lancamento);
      return t;
    }();
    return kTable;
  }

  // Which title was written, and as what kind.
  static void report(std::ostream& out, const TRecDuplicata& d) {
    print_var(out, "Numero", d.Numero);
    print_var(out, "Status", d.StatusDuplicata());
  }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_METHOD(TRecDuplicata, IncluiDuplicata)).uses_database().commits();
  register_routine(ZPK_METHOD(TRecDuplicata, AlteraDuplicata)).uses_database().commits();
  register_routine(ZPK_METHOD(TRecDuplicata, StatusDuplicata));
  register_routine(ZPK_ROUTINE(ProximoNumeroBordero), {"Tipo"}).uses_database();
  register_routine(ZPK_ROUTINE(GravaMovimentoReceber), {"Numero", "Instrucao"}).uses_database();
  register_routine(ZPK_ROUTINE(SepDupli)).uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
