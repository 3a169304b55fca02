// Text helpers on UTF-8 std::string that count characters (Unicode code
// points), never bytes: positions are 1-based, as the ERP's callers count them.
// Case mapping covers ASCII and the Latin-1 letters of Portuguese and Spanish.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zpk {

// Decoding and encoding between UTF-8 and code points. Invalid bytes decode
// as themselves (as Latin-1), so no input is lost.
std::u32string ToCodePoints(std::string_view s);
std::string FromCodePoints(std::u32string_view s);
std::string CharToStr(char32_t c);

// Number of characters.
int Length(std::string_view s);
// `count` characters from 1-based position `start` (a start before 1 counts from 1, a count past the end stops there).
std::string Copy(std::string_view s, int start, int count);
// 1-based character position of the first `sub` in `s`, 0 when absent.
int Pos(std::string_view sub, std::string_view s);
// The character at 1-based position `index` (0 when outside the text).
char32_t CharAt(std::string_view s, int index);

// Removes blanks and control characters (code <= 32) at the ends.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Upper/lower case of ASCII and Latin-1 letters (ç -> Ç, ã -> Ã, é -> É...).
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
char32_t UpCase(char32_t c);
char32_t LoCase(char32_t c);
// Case-insensitive comparison (same folding as UpperCase): <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

struct TReplaceFlags {
  bool ReplaceAll = false;
  bool IgnoreCase = false;
};
inline constexpr TReplaceFlags rfReplaceAll{true, false};
inline constexpr TReplaceFlags rfIgnoreCase{false, true};
inline constexpr TReplaceFlags rfReplaceAllIgnoreCase{true, true};

// Replaces the first (or every) occurrence of `old_pattern` by `new_pattern`.
std::string StringReplace(std::string_view s, std::string_view old_pattern, std::string_view new_pattern,
                          TReplaceFlags flags = {});

// `count` copies of the text.
std::string DupeString(std::string_view s, int count);
// The text with `c` repeated `count` times.
std::string StringOfChar(char32_t c, int count);

// Deletes `count` characters from 1-based `index`; inserts `sub` before `index`.
void Delete(std::string& s, int index, int count);
void Insert(std::string_view sub, std::string& s, int index);

// `QuotedStr`: the text between single quotes, inner quotes doubled.
std::string QuotedStr(std::string_view s);

// Splits on a separator text, keeping empty pieces.
std::vector<std::string> SplitText(std::string_view s, std::string_view separator);

}  // namespace zpk
