#include "platform/dataset/detail/field_values.hpp"

#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::detail {
namespace {

// The base letter of an upper-case Latin-1 letter with an accent.
char32_t without_accent(char32_t c) {
  if (c >= 0xC0 && c <= 0xC5) return U'A';
  if (c == 0xC7) return U'C';
  if (c >= 0xC8 && c <= 0xCB) return U'E';
  if (c >= 0xCC && c <= 0xCF) return U'I';
  if (c == 0xD1) return U'N';
  if ((c >= 0xD2 && c <= 0xD6) || c == 0xD8) return U'O';
  if (c >= 0xD9 && c <= 0xDC) return U'U';
  if (c == 0xDD) return U'Y';
  return c;
}

template <class T>
int three_way(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

bool is_empty(const Variant& value) {
  return value.IsNull() || value.IsUnassigned();
}

bool is_text(TFieldType type) {
  return type == ftString || type == ftMemo;
}

Variant to_field_type(const Variant& value, TFieldType type, int size) {
  if (is_empty(value)) return Variant::MakeNull();
  if (is_text(type)) {
    std::string text = value.AsString();
    if (type == ftString && size > 0 && Length(text) > size) text = Copy(text, 1, size);
    return text.empty() ? Variant::MakeNull() : Variant(std::move(text));
  }
  if (value.IsText()) {
    const std::string text = Trim(value.AsString());
    if (text.empty()) return Variant::MakeNull();
    switch (type) {
      case ftInteger:
        return Variant(int64_t{StrToInt(text)});
      case ftFloat:
      case ftCurrency:
        return Variant(StrToFloat(text));
      case ftBoolean:
        if (SameText(text, "True")) return Variant(true);
        if (SameText(text, "False")) return Variant(false);
        throw EConvertError("'" + text + "' is not a valid boolean value");
      case ftTime:
        return Variant(TimeOf(StrToTime(text)));
      case ftDate:
        return Variant(DateOf(StrToDateTime(text)));
      case ftDateTime:
        return Variant(StrToDateTime(text));
      default:
        break;
    }
  }
  switch (type) {
    case ftInteger:
      if (value.IsFloat()) return Variant(Round(value.AsFloat()));
      if (value.IsDateTime()) return Variant(Trunc(value.AsDateTime().Value));
      return Variant(value.AsInteger());
    case ftFloat:
    case ftCurrency:
      if (value.IsDateTime()) return Variant(value.AsDateTime().Value);
      return Variant(value.AsFloat());
    case ftBoolean:
      if (value.IsDateTime()) return Variant(value.AsDateTime().Value != 0);
      return Variant(value.AsFloat() != 0);
    case ftDate:
    case ftTime:
    case ftDateTime: {
      const TDateTime moment = value.IsDateTime() ? value.AsDateTime() : TDateTime(value.AsFloat());
      if (type == ftDate) return Variant(DateOf(moment));
      if (type == ftTime) return Variant(TimeOf(moment));
      return Variant(moment);
    }
    default:
      return value;
  }
}

std::string text_sort_key(std::string_view text) {
  std::u32string points = ToCodePoints(text);
  for (char32_t& c : points) c = without_accent(UpCase(c));
  return FromCodePoints(points);
}

int compare_values(const Variant& a, const Variant& b, TFieldType type) {
  const bool a_empty = is_empty(a);
  const bool b_empty = is_empty(b);
  if (a_empty || b_empty) return three_way(!a_empty, !b_empty);
  switch (type) {
    case ftString:
    case ftMemo: {
      const std::string ta = a.AsString();
      const std::string tb = b.AsString();
      if (const int folded = text_sort_key(ta).compare(text_sort_key(tb)); folded != 0)
        return folded < 0 ? -1 : 1;
      return three_way(ta.compare(tb), 0);
    }
    case ftInteger:
    case ftBoolean:
      return three_way(a.AsInteger(), b.AsInteger());
    case ftFloat:
    case ftCurrency:
      return three_way(a.AsFloat(), b.AsFloat());
    case ftDate:
    case ftTime:
    case ftDateTime:
      return three_way(a.AsDateTime().Value, b.AsDateTime().Value);
  }
  return 0;
}

}  // namespace zpk::detail
