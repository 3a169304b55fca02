// Small modal boxes that ask the user for one value (a password, a date, a
// choice, a long text, an invoice number). Each returns true and sets Valor
// when confirmed; cancelled or closed, it returns false and leaves Valor as it was.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/datetime.hpp"

namespace zpk {

// Password box: masked entry of at most 255 characters; "&OK", "&Cancelar".
bool InputBoxSenha(const std::string& Caption, const std::string& Prompt, std::string& Valor);

// Date box (DateNull shows as empty); "&OK", "&Cancelar". Raises EConvertError
// when the text confirmed is not a date.
bool InputBoxData(const std::string& Caption, const std::string& Prompt, TDateTime& Valor);

// Choice among Itens (a text outside them is accepted as typed); "OK", "Cancelar".
bool InputComboBox(const std::string& Caption, const std::string& Prompt,
                   const std::vector<std::string>& Itens, std::string& Valor);

// Long text of at most Tamanho characters; every "'" and "|" of the confirmed
// text becomes a space.
bool InputBoxMemo(const std::string& Caption, const std::string& Prompt, std::string& Valor, int Tamanho);

// Invoice number: at most 7 characters, a single button "OK" (closing the box
// cancels it).
bool InputBoxNota(const std::string& Caption, const std::string& Prompt, std::string& Valor);

}  // namespace zpk
