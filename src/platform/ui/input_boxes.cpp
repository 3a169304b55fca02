#include "platform/ui/input_boxes.hpp"

#include <optional>

#include "platform/rtl/strings.hpp"
#include "platform/ui/dialog_service.hpp"

namespace zpk {
namespace {

// Shows the box and applies its length limit, which an edit control enforces
// while typing, to whatever the service answers.
std::optional<std::string> ask(const InputRequest& request) {
  std::optional<std::string> answer = dialog_service().show_input(request);
  if (answer && request.max_length > 0 && Length(*answer) > request.max_length) {
    *answer = Copy(*answer, 1, request.max_length);
  }
  return answer;
}

InputRequest request_for(DialogKind kind, const std::string& caption, const std::string& prompt,
                         std::string value, int max_length, std::vector<std::string> buttons) {
  InputRequest request;
  request.kind = kind;
  request.caption = caption;
  request.prompt = prompt;
  request.value = std::move(value);
  request.max_length = max_length;
  request.buttons = std::move(buttons);
  return request;
}

}  // namespace

bool InputBoxSenha(const std::string& Caption, const std::string& Prompt, std::string& Valor) {
  InputRequest request =
      request_for(DialogKind::input_password, Caption, Prompt, Valor, 255, {"&OK", "&Cancelar"});
  request.masked = true;
  const auto answer = ask(request);
  if (!answer) return false;
  Valor = *answer;
  return true;
}

bool InputBoxData(const std::string& Caption, const std::string& Prompt, TDateTime& Valor) {
  const std::string initial = Valor == DateNull ? std::string() : DateToStr(Valor);
  const auto answer =
      ask(request_for(DialogKind::input_date, Caption, Prompt, initial, 255, {"&OK", "&Cancelar"}));
  if (!answer) return false;
  const std::string text = Trim(*answer);
  Valor = text.empty() ? DateNull : StrToDate(text);
  return true;
}

bool InputComboBox(const std::string& Caption, const std::string& Prompt,
                   const std::vector<std::string>& Itens, std::string& Valor) {
  InputRequest request = request_for(DialogKind::input_combo, Caption, Prompt, Valor, 0, {"OK", "Cancelar"});
  request.items = Itens;
  const auto answer = ask(request);
  if (!answer) return false;
  Valor = *answer;
  return true;
}

bool InputBoxMemo(const std::string& Caption, const std::string& Prompt, std::string& Valor, int Tamanho) {
  const auto answer = ask(request_for(DialogKind::input_memo, Caption, Prompt, Valor,
                                      Tamanho > 0 ? Tamanho : 0, {"&OK", "&Cancelar"}));
  if (!answer) return false;
  std::string text = *answer;
  for (char& c : text) {
    if (c == '\'' || c == '|') c = ' ';
  }
  Valor = text;
  return true;
}

bool InputBoxNota(const std::string& Caption, const std::string& Prompt, std::string& Valor) {
  const auto answer = ask(request_for(DialogKind::input_number, Caption, Prompt, Valor, 7, {"OK"}));
  if (!answer) return false;
  Valor = *answer;
  return true;
}

}  // namespace zpk
