// How a text is measured against a text column, the same on both engines:
// in characters (UTF-8 code points), trailing blanks left out, since the
// engines drop those rather than refuse them; and the error that tells a
// text too long by its marker.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/db/database_error.hpp"

namespace zpk::detail {

// `text` without the blanks at its end.
std::string_view without_trailing_blanks(std::string_view text);

// The UTF-8 code points of `text`.
size_t utf8_length(std::string_view text);

// The characters of `text` as a text column counts them (trailing blanks left out).
size_t column_characters(std::string_view text);

// The error for the value of marker `marker` (0-based), of `characters`
// characters where at most `limit` fit, named "parameter N" until the query
// layer names it by its parameter.
EDatabaseError text_too_long(unsigned marker, size_t characters, size_t limit, std::string_view sql);

}  // namespace zpk::detail
