// Checks the screens run on edit fields bound to a look-up: asking before a
// field is cleared, and refusing a typed code that its table does not hold.
// Both speak through the dialog port, so they behave alike in every host.
#pragma once

#include <functional>
#include <string>

class QLabel;
class QLineEdit;

namespace zpk::ui {

// What a field's look-up searches: the table (logical name, the company's
// suffix added by DBLocal) and its key column, and how to open its search
// window (empty: the field has none).
struct PesquisaCampo {
  std::string tabela;
  std::string campo;
  std::function<void(QLineEdit&)> abre_pesquisa;
};

// Asks "Deseja limpar o campo <label>?" (Yes/No, No by default) when the edit
// holds more than blanks, and clears it on Yes; an empty edit asks nothing.
void ConfirmaLimparCampo(const QLabel& Label, QLineEdit& Edit);

// A code typed in Edit that the table does not hold is refused with
// "Código digitado inválido. Consulte." and the focus goes back to the edit;
// with Abrir, an empty edit opens the look-up window. Returns false when the
// code was refused. The code is bound as a parameter, whatever it holds.
bool ValidaCampo(bool Abrir, QLineEdit& Edit, const PesquisaCampo& Pesquisa);

}  // namespace zpk::ui
