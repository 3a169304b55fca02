// Opening a modal form of the host's accounting package: the library has no
// windows of its own for it, so the request goes through the dialog port.
#pragma once

#include <string_view>

namespace zpk::detail {

// Shows form Form of package Package modally through the dialog service and
// returns whether it was closed with OK. Unattended, the answer is OK: the
// gathered data stay as they are, as when a user only presses Enter.
bool show_host_form(std::string_view Form, std::string_view Package);

}  // namespace zpk::detail
