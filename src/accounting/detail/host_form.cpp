#include "accounting/detail/host_form.hpp"

#include <string>

#include "platform/ui/dialog_service.hpp"

namespace zpk::detail {

bool show_host_form(std::string_view Form, std::string_view Package) {
  MessageRequest request;
  request.kind = DialogKind::modal_form;
  request.type = TMsgDlgType::mtCustom;
  request.caption = std::string(Form);
  request.text = std::string(Package);
  request.buttons = {"&Ok", "&Cancelar"};
  request.default_button = 1;
  request.cancel_button = 2;
  return dialog_service().show_message(request) == 1;
}

}  // namespace zpk::detail
