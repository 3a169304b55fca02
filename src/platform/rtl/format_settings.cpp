// The library's one set of format settings, with the Brazilian defaults of the
// header; hosts may change it at start-up.
#include "platform/rtl/format_settings.hpp"

namespace zpk {

TFormatSettings FormatSettings;

}  // namespace zpk
