// A size range (FAIXA with its sizes in FAIXA_ITEN): the sizes of one kind of
// product at their column positions, loaded into the size slots of a row and
// laid out as a heading line at the range's column width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "inventory/grade_tam.hpp"

namespace zpk {

class TGradeFaixa {
 public:
  // Nothing loaded yet: the first Busca_Array_Faixa always reads the range.
  TGradeFaixa();

  uint8_t Ult = 0;        // sizes loaded
  std::string Cabecalho;  // heading line of the range
  int16_t Tamanho = 0;    // column width of the range

  // Chooses the range to load: the code upper-cased, at most 4 characters.
  void setFaixa(std::string_view Codigo);
  const std::string& getCabecalho() const { return Cabecalho; }
  int16_t getTamanho() const { return Tamanho; }
  uint8_t getUlt() const { return Ult; }

  // Loads the chosen range into the slots (size, position, amounts cleared;
  // the slots after the last size cleared) and builds its heading. Does
  // nothing when the range is the one loaded last, or has no sizes. A range
  // with more than 30 sizes loads its first 30 by position. Raises EDatabaseError.
  void Busca_Array_Faixa(TTabTam& Tab);

 private:
  std::string faixa_;            // the range to load
  std::string faixa_carregada_;  // the range loaded last
};

}  // namespace zpk
