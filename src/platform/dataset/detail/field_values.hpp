// Conversion of values to a field's type and the order of stored values,
// shared by the dataset's fields, its index, its filter and Locate.
#pragma once

#include <string>
#include <string_view>

#include "platform/dataset/client_dataset.hpp"

namespace zpk::detail {

// Null or unassigned.
bool is_empty(const Variant& value);

// The value as the field type stores it: text (cut to `size` characters;
// "" is null), a 64-bit integer, a double, 1/0 for Booleans, a TDateTime
// (date part only for ftDate, time part only for ftTime). Null stays null.
// Raises EConvertError when a text does not read as the type.
Variant to_field_type(const Variant& value, TFieldType type, int size);

// Orders two stored values of one field type: nulls first, text
// alphabetically ignoring case and accents (then exactly, so the order is
// total), other types by value. <0, 0 or >0.
int compare_values(const Variant& a, const Variant& b, TFieldType type);

// Text folded for alphabetical order: upper case without accents.
std::string text_sort_key(std::string_view text);

bool is_text(TFieldType type);

}  // namespace zpk::detail
