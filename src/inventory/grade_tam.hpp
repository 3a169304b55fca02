// The size columns of the screens and printed reports that show quantities
// per size: the heading line of the company's size table (TABTAM) and the
// fixed row of size slots that the callers fill with quantities and totals.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/db/query.hpp"

namespace zpk {

// One size slot: the size right-aligned in 4 characters, the quantity and
// total the caller accumulates, and the column position of the size.
struct T_TabTam {
  std::string tam;
  double qtde = 0;
  double total = 0;
  uint8_t Posicao = 0;
};

// The 30 size slots of a row; slot n is element n - 1. A size range holds at
// most 30 sizes, so nothing is ever written past the last slot.
using TTabTam = std::array<T_TabTam, 30>;

class TGradeTam {
 public:
  // The heading: one blank, then up to 24 sizes right-aligned in 6-character columns.
  std::string Cabecalho;
  // Sizes stored by the last Busca_Array_Tamanhos.
  int sizes_found = 0;

  // Builds Cabecalho from the company's sizes (TABTAM, non-empty, in display
  // order). Raises EDatabaseError.
  void Busca_Tamanhos();
  // Builds Cabecalho from the TAM column of every row of an open query,
  // walking it from its current row to the end.
  void Monta_Cabecalho(TTIQuery& Query);
  // Reads the company's sizes and stores them, in heading order, as `tam` of
  // the first slots (right-aligned in 4 characters); the other fields of the
  // slots are left as they are. Raises EDatabaseError.
  void Busca_Array_Tamanhos(TTabTam& Tab);
};

}  // namespace zpk
