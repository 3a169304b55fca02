#include "platform/db/detail/text_length.hpp"

#include <string>

namespace zpk::detail {

std::string_view without_trailing_blanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

size_t utf8_length(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

size_t column_characters(std::string_view text) {
  return utf8_length(without_trailing_blanks(text));
}

EDatabaseError text_too_long(unsigned marker, size_t characters, size_t limit, std::string_view sql) {
  return EDatabaseError(TextTooLong{marker, characters, limit}, "parameter " + std::to_string(marker + 1),
                        std::string(sql));
}

}  // namespace zpk::detail
