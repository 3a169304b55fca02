// Text helpers on UTF-8 that count code points. Routines that keep the text's
// bytes (Copy, Pos, Trim, casing) work on the bytes directly and only step over
// whole characters, so invalid bytes pass through unchanged.
#include "platform/rtl/strings.hpp"

#include <algorithm>

namespace zpk {
namespace {

bool is_cont(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Length in bytes of the character starting at s[i] and its code point; a byte
// that does not start a well-formed sequence is one character by itself.
size_t decode_at(std::string_view s, size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  const size_t left = s.size() - i;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF && left >= 2) {
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if (is_cont(b1)) {
      cp = (char32_t(b0 & 0x1F) << 6) | (b1 & 0x3F);
      return 2;
    }
  } else if (b0 >= 0xE0 && b0 <= 0xEF && left >= 3) {
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    const auto b2 = static_cast<unsigned char>(s[i + 2]);
    // E0 needs A0..BF (no overlong form), ED needs 80..9F (no surrogates).
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
    if (b1 >= lo && b1 <= hi && is_cont(b2)) {
      cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | (b2 & 0x3F);
      return 3;
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4 && left >= 4) {
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    const auto b2 = static_cast<unsigned char>(s[i + 2]);
    const auto b3 = static_cast<unsigned char>(s[i + 3]);
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (b1 >= lo && b1 <= hi && is_cont(b2) && is_cont(b3)) {
      cp = (char32_t(b0 & 0x07) << 18) | (char32_t(b1 & 0x3F) << 12) | (char32_t(b2 & 0x3F) << 6) |
           (b3 & 0x3F);
      return 4;
    }
  }
  cp = b0;
  return 1;
}

size_t step_at(std::string_view s, size_t i) {
  if (static_cast<unsigned char>(s[i]) < 0x80) return 1;
  char32_t cp;
  return decode_at(s, i, cp);
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c <= 0x10FFFF) {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out += "\xEF\xBF\xBD";
  }
}

// Byte offset of the 1-based character `index` (index 1 is offset 0); the text's
// size when the text is shorter. `from`/`from_index` resume a previous walk.
size_t offset_of(std::string_view s, int index, size_t from = 0, int from_index = 1) {
  size_t i = from;
  for (int k = from_index; k < index && i < s.size(); ++k) i += step_at(s, i);
  return i;
}

// Number of characters in s[0, end).
int count_chars(std::string_view s, size_t end) {
  int n = 0;
  for (size_t i = 0; i < end; i += step_at(s, i)) ++n;
  return n;
}

// Upper case of the text in place. Every letter that changes is ASCII or a
// Latin-1 letter encoded as C3 xx, whose upper/lower form is C3 yy: byte
// lengths never change, so offsets found in a folded text hold in the unfolded one.
void fold_upper(std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      if (b >= 'a' && b <= 'z') s[i] = static_cast<char>(b - 32);
      ++i;
      continue;
    }
    const size_t n = step_at(s, i);
    if (n == 2 && b == 0xC3) {
      // U+00E0..U+00FE is C3 A0..C3 BE; ÷ (C3 B7) has no upper case.
      const auto b1 = static_cast<unsigned char>(s[i + 1]);
      if (b1 >= 0xA0 && b1 <= 0xBE && b1 != 0xB7) s[i + 1] = static_cast<char>(b1 - 0x20);
    }
    i += n;
  }
}

void fold_lower(std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      if (b >= 'A' && b <= 'Z') s[i] = static_cast<char>(b + 32);
      ++i;
      continue;
    }
    const size_t n = step_at(s, i);
    if (n == 2 && b == 0xC3) {
      // U+00C0..U+00DE is C3 80..C3 9E; × (C3 97) has no lower case.
      const auto b1 = static_cast<unsigned char>(s[i + 1]);
      if (b1 >= 0x80 && b1 <= 0x9E && b1 != 0x97) s[i + 1] = static_cast<char>(b1 + 0x20);
    }
    i += n;
  }
}

bool is_boundary(std::string_view s, size_t at) {
  // Characters are at most four bytes: walk from a safe earlier start. A byte
  // that is not a continuation byte always starts a character.
  if (at == 0 || at >= s.size()) return true;
  size_t start = at;
  while (start > 0 && at - start < 4 && is_cont(static_cast<unsigned char>(s[start]))) --start;
  // From `start` (a lead byte or an isolated byte) walk forward until `at`.
  // Should `start` be the tail of an earlier invalid run, each of those bytes is
  // a character of its own, so walking from it lands on the same boundaries.
  size_t i = start;
  while (i < at) i += step_at(s, i);
  return i == at;
}

// Byte offset of the first match of `needle` in `hay` at or after `from` that
// starts and ends on character boundaries; npos when none.
size_t find_chars(std::string_view hay, std::string_view needle, size_t from) {
  while (from <= hay.size()) {
    const size_t at = hay.find(needle, from);
    if (at == std::string_view::npos) return at;
    if (is_boundary(hay, at) && is_boundary(hay, at + needle.size())) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::u32string ToCodePoints(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    i += decode_at(s, i, cp);
    out.push_back(cp);
  }
  return out;
}

std::string FromCodePoints(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) append_utf8(out, c);
  return out;
}

std::string CharToStr(char32_t c) {
  std::string out;
  append_utf8(out, c);
  return out;
}

int Length(std::string_view s) {
  return count_chars(s, s.size());
}

std::string Copy(std::string_view s, int start, int count) {
  if (count <= 0) return {};
  if (start < 1) start = 1;
  const size_t b = offset_of(s, start);
  if (b >= s.size()) return {};
  const size_t e = offset_of(s, start + count, b, start);
  return std::string(s.substr(b, e - b));
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const size_t at = find_chars(s, sub, 0);
  return at == std::string_view::npos ? 0 : count_chars(s, at) + 1;
}

char32_t CharAt(std::string_view s, int index) {
  if (index < 1) return 0;
  const size_t b = offset_of(s, index);
  if (b >= s.size()) return 0;
  char32_t cp;
  decode_at(s, b, cp);
  return cp;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  fold_upper(out);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  fold_lower(out);
  return out;
}

char32_t UpCase(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  return c;
}

char32_t LoCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  return c;
}

int CompareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t ca, cb;
    i += decode_at(a, i, ca);
    j += decode_at(b, j, cb);
    ca = UpCase(ca);
    cb = UpCase(cb);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool SameText(std::string_view a, std::string_view b) {
  return CompareText(a, b) == 0;
}

std::string StringReplace(std::string_view s, std::string_view old_pattern, std::string_view new_pattern,
                          TReplaceFlags flags) {
  if (old_pattern.empty()) return std::string(s);
  std::string folded_s, folded_p;
  std::string_view hay = s, needle = old_pattern;
  if (flags.IgnoreCase) {
    // Folding keeps byte lengths, so matches in the folded text map 1:1.
    folded_s = UpperCase(s);
    folded_p = UpperCase(old_pattern);
    hay = folded_s;
    needle = folded_p;
  }
  std::string out;
  size_t from = 0;
  while (true) {
    const size_t at = find_chars(hay, needle, from);
    if (at == std::string_view::npos) break;
    out.append(s.substr(from, at - from));
    out.append(new_pattern);
    from = at + needle.size();
    if (!flags.ReplaceAll) break;
  }
  out.append(s.substr(from));
  return out;
}

std::string DupeString(std::string_view s, int count) {
  std::string out;
  if (count <= 0) return out;
  out.reserve(s.size() * static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) out.append(s);
  return out;
}

std::string StringOfChar(char32_t c, int count) {
  if (count <= 0) return {};
  if (c < 0x80) return std::string(static_cast<size_t>(count), static_cast<char>(c));
  return DupeString(CharToStr(c), count);
}

void Delete(std::string& s, int index, int count) {
  if (index < 1 || count <= 0) return;
  const size_t b = offset_of(s, index);
  if (b >= s.size()) return;
  const size_t e = offset_of(s, index + count, b, index);
  s.erase(b, e - b);
}

void Insert(std::string_view sub, std::string& s, int index) {
  if (index < 1) index = 1;
  s.insert(offset_of(s, index), sub);
}

std::string QuotedStr(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back('\'');
  for (char c : s) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

std::vector<std::string> SplitText(std::string_view s, std::string_view separator) {
  std::vector<std::string> out;
  if (s.empty()) return out;
  if (separator.empty()) {
    out.emplace_back(s);
    return out;
  }
  size_t from = 0;
  while (true) {
    const size_t at = find_chars(s, separator, from);
    if (at == std::string_view::npos) break;
    out.emplace_back(s.substr(from, at - from));
    from = at + separator.size();
  }
  out.emplace_back(s.substr(from));
  return out;
}

}  // namespace zpk
