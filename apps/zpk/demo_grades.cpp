// `zpk demo` step for the size grids: the heading of the company's size table
// with its slots, and the shirt range laid out at its column width, as the
// order and production screens print quantities per size.
#include <algorithm>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "inventory/grade_faixa.hpp"
#include "inventory/grade_tam.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const RegisterDemo size_grids{
    {350, "Size grids: the size table and a size range", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       TGradeTam tam;
       TTabTam tab;
       tam.Busca_Array_Tamanhos(tab);
       out << fmt::format("The company's sizes in display order ({} found), 6 characters per column:\n",
                          tam.sizes_found);
       out << fmt::format("  [{}]\n", tam.Cabecalho);

       TGradeFaixa faixa;
       faixa.setFaixa("gr01");
       TTabTam linha;
       faixa.Busca_Array_Faixa(linha);
       out << fmt::format("Range GR01 (asked for as 'gr01'): {} sizes, column width {}:\n", faixa.getUlt(),
                          faixa.getTamanho());
       // An order of 40 shirts spread over the range's sizes, as a screen fills the slots.
       const double pedido[] = {6, 14, 12, 8};
       std::string qtdes(1, ' ');
       for (int i = 0; i < faixa.getUlt(); ++i) {
         linha[static_cast<size_t>(i)].qtde = pedido[i % 4];
         const T_TabTam& slot = linha[static_cast<size_t>(i)];
         const std::string valor = FormatFloat("0", slot.qtde);
         // Each quantity ends where its size ends: position x width.
         const int brancos = slot.Posicao * faixa.getTamanho() + 1 - Length(qtdes) - Length(valor);
         qtdes += std::string(static_cast<size_t>(std::max(brancos, 1)), ' ') + valor;
       }
       out << fmt::format("  [{}]\n  [{}]\n", TrimRight(faixa.getCabecalho()), qtdes);
       faixa.setFaixa("GR01");
       linha[0].qtde = 99;
       faixa.Busca_Array_Faixa(linha);
       out << fmt::format("Loading GR01 again leaves the screen's slots alone: slot 1 still holds {}\n",
                          FormatFloat("0", linha[0].qtde));
     }}};

}  // namespace
}  // namespace zpk::cli
