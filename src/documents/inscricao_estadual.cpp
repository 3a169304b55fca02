#include "documents/inscricao_estadual.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace zpk {
namespace {

// Works on the cleaned registration: only its characters of "0123456789P", in
// order. A registration is valid when the text rebuilt from its leading digits
// and the computed check digits equals the cleaned text, so every rule below
// first checks the length (a shorter text would be padded with zeros and a
// longer one cut, and neither rebuilds to itself) and then the check digits.

int digit_at(std::string_view s, size_t index) {
  return s[index] - '0';
}

// d[first] * w1 + d[first + 1] * w2 + ... (0-based positions).
int weighted(std::string_view s, size_t first, std::initializer_list<int> weights) {
  int sum = 0;
  for (int w : weights) sum += digit_at(s, first++) * w;
  return sum;
}

// The weights 9, 8, ..., 2 on the first eight digits, the most common rule.
int weighted_9_to_2(std::string_view s) {
  return weighted(s, 0, {9, 8, 7, 6, 5, 4, 3, 2});
}

// The first `count` digits weighted from the right 2, 3, ..., max_weight, then 2 again.
int weighted_from_right(std::string_view s, size_t count, int max_weight) {
  int sum = 0;
  int w = 2;
  for (size_t i = count; i-- > 0;) {
    sum += digit_at(s, i) * w;
    w = (w == max_weight) ? 2 : w + 1;
  }
  return sum;
}

// 11 minus the remainder, 0 when that gives 10 or 11.
int m11(int sum) {
  const int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}

// 11 minus the remainder, minus 10 when above 9 (Pernambuco's and Rondônia's rule).
int m11_minus_ten(int sum) {
  const int digit = 11 - sum % 11;
  return digit > 9 ? digit - 10 : digit;
}

bool has_prefix(std::string_view s, std::initializer_list<std::string_view> prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [&](std::string_view p) { return s.substr(0, p.size()) == p; });
}

// The digits from `first` on, `count` of them, as a number.
int number(std::string_view s, size_t first, size_t count) {
  int n = 0;
  for (size_t i = first; i < first + count; ++i) n = n * 10 + digit_at(s, i);
  return n;
}

bool check_is(std::string_view s, size_t index, int digit) {
  return digit_at(s, index) == digit;
}

// Nine digits, weights 9..2 on the first eight and rule M11, with an optional prefix.
bool nine_digits_m11(std::string_view s, std::initializer_list<std::string_view> prefixes = {}) {
  if (s.size() != 9) return false;
  if (prefixes.size() != 0 && !has_prefix(s, prefixes)) return false;
  return check_is(s, 8, m11(weighted_9_to_2(s)));
}

bool valida_ac(std::string_view s) {
  if (s.size() != 13) return false;
  return check_is(s, 11, m11(weighted(s, 0, {4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}))) &&
         check_is(s, 12, m11(weighted(s, 0, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2})));
}

// (sum x 10) mod 11, 0 when it gives 10: the check digit of Alagoas and Rio Grande do Norte.
int times_ten_mod_11(int sum) {
  const int digit = sum * 10 % 11;
  return digit == 10 ? 0 : digit;
}

// Alagoas: nine digits from "24", weights 9..2.
bool valida_al(std::string_view s) {
  return s.size() == 9 && has_prefix(s, {"24"}) && check_is(s, 8, times_ten_mod_11(weighted_9_to_2(s)));
}

bool valida_am(std::string_view s) {
  if (s.size() != 9) return false;
  const int sum = weighted_9_to_2(s);
  // A sum of 0 asks for the digit 11, which no registration can carry.
  const int digit = sum < 11 ? 11 - sum : m11(sum);
  return digit <= 9 && check_is(s, 8, digit);
}

bool valida_ap(std::string_view s) {
  if (s.size() != 9 || !has_prefix(s, {"03"})) return false;
  const int n = number(s, 0, 8);
  int p = 0;
  int d = 0;
  if (n >= 3000001 && n <= 3017000) {
    p = 5;
  } else if (n >= 3017001 && n <= 3019022) {
    p = 9;
    d = 1;
  }
  int digit = 11 - (p + weighted_9_to_2(s)) % 11;
  if (digit == 10) digit = 0;
  if (digit == 11) digit = d;
  return check_is(s, 8, digit);
}

// Bahia: two check digits, the last one computed first and then the one before
// it over the leading digits followed by the last. Modulus 10 or 11 (rule M11)
// depending on one leading digit: 0-5 and 8 take modulus 10, 6, 7 and 9 take 11.
// The 8-digit registrations choose by their first digit; the 9-digit ones the
// state has issued since 2012 choose by their second.
bool valida_ba(std::string_view s) {
  if (s.size() != 8 && s.size() != 9) return false;
  const size_t body = s.size() - 2;  // 6 or 7 leading digits
  const int selector = digit_at(s, s.size() == 8 ? 0 : 1);
  const bool modulus_10 = selector <= 5 || selector == 8;
  auto check = [&](int sum) { return modulus_10 ? (10 - sum % 10) % 10 : m11(sum); };
  // Weights body+1 .. 2 on the leading digits give the last check digit; weights
  // body+2 .. 3 on them plus 2 on the last check digit give the one before.
  int sum_last = 0;
  int sum_before = 0;
  for (size_t i = 0; i < body; ++i) {
    const int d = digit_at(s, i);
    sum_last += d * static_cast<int>(body + 1 - i);
    sum_before += d * static_cast<int>(body + 2 - i);
  }
  const int last = check(sum_last);
  const int before = check(sum_before + last * 2);
  return check_is(s, body, before) && check_is(s, body + 1, last);
}

// Distrito Federal: thirteen digits from "07", and from "08" since the "07" numbers
// ran out in 2020.
bool valida_df(std::string_view s) {
  if (s.size() != 13 || !has_prefix(s, {"07", "08"})) return false;
  return check_is(s, 11, m11(weighted_from_right(s, 11, 9))) &&
         check_is(s, 12, m11(weighted_from_right(s, 12, 9)));
}

// Goiás: prefixes 10, 11 and 15, and 20 to 29 issued since 2023 under the same rule.
// A remainder of 0 gives the digit 0; a remainder of 1 gives 1 inside
// 10103105..10119997 (the block the state's rule singles out) and 0 elsewhere.
bool valida_go(std::string_view s) {
  if (s.size() != 9) return false;
  const bool old_prefix = has_prefix(s, {"10", "11", "15"});
  const bool new_prefix = s[0] == '2';
  if (!old_prefix && !new_prefix) return false;
  const int r = weighted_9_to_2(s) % 11;
  int digit = 11 - r;
  if (r == 0) {
    digit = 0;
  } else if (r == 1) {
    const int n = number(s, 0, 8);
    digit = (n >= 10103105 && n <= 10119997) ? 1 : 0;
  }
  return check_is(s, 8, digit);
}

// Mato Grosso: eleven digits as the state prints them (ten and a check digit over
// them from the right, 2..9 cycling). A shorter registration is completed with
// leading zeros, which weigh nothing, so the ten-digit form stored without the
// printed leading zero checks the same.
bool valida_mt(std::string_view cleaned) {
  if (cleaned.size() > 11) return false;
  char padded[11];
  const size_t zeros = 11 - cleaned.size();
  std::fill_n(padded, zeros, '0');
  std::copy(cleaned.begin(), cleaned.end(), padded + zeros);
  const std::string_view s(padded, sizeof padded);
  return check_is(s, 10, m11(weighted_from_right(s, 10, 9)));
}

bool valida_mg(std::string_view s) {
  if (s.size() != 13) return false;
  // The first digit runs over the municipality code, a 0, and the rest, with
  // weights 1, 2, 1, 2... and the digits of each product summed.
  std::array<int, 12> v{};
  for (size_t i = 0, j = 0; i < 11; ++i, ++j) {
    if (i == 3) v[j++] = 0;
    v[j] = digit_at(s, i);
  }
  int sum = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    const int product = v[i] * (i % 2 == 0 ? 1 : 2);
    sum += product > 9 ? product / 10 + product % 10 : product;
  }
  return check_is(s, 11, (10 - sum % 10) % 10) && check_is(s, 12, m11(weighted_from_right(s, 12, 11)));
}

// Pernambuco: the 14-digit form of the old register, else the 9-digit e-Fisco form.
bool valida_pe(std::string_view s) {
  if (s.size() == 14 &&
      check_is(s, 13, m11_minus_ten(weighted(s, 0, {5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2})))) {
    return true;
  }
  if (s.size() != 9) return false;
  return check_is(s, 7, m11(weighted(s, 0, {8, 7, 6, 5, 4, 3, 2}))) &&
         check_is(s, 8, m11(weighted_9_to_2(s)));
}

bool valida_pr(std::string_view s) {
  if (s.size() != 10) return false;
  return check_is(s, 8, m11(weighted_from_right(s, 8, 7))) &&
         check_is(s, 9, m11(weighted_from_right(s, 9, 7)));
}

bool valida_rj(std::string_view s) {
  return s.size() == 8 && check_is(s, 7, m11(weighted_from_right(s, 7, 7)));
}

// Rondônia: the old 9-digit form (municipality code not weighted), else the 14-digit form.
bool valida_ro(std::string_view s) {
  if (s.size() == 9 && check_is(s, 8, m11_minus_ten(weighted(s, 3, {6, 5, 4, 3, 2})))) return true;
  return s.size() == 14 &&
         check_is(s, 13, m11_minus_ten(weighted(s, 0, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2})));
}

// Roraima publishes weights 1..8 (sum mod 9), which every real registration
// carries; the ERP long checked weights 9..2 instead and stored what that rule
// accepted, so both are taken.
bool valida_rr(std::string_view s) {
  if (s.size() != 9 || !has_prefix(s, {"24"})) return false;
  return check_is(s, 8, weighted(s, 0, {1, 2, 3, 4, 5, 6, 7, 8}) % 9) ||
         check_is(s, 8, weighted_9_to_2(s) % 9);
}

// Rio Grande do Norte: "20" and a check digit over the leading digits with weights
// from their count + 1 down to 2; nine digits, or ten in the form issued later.
bool valida_rn(std::string_view s) {
  if ((s.size() != 9 && s.size() != 10) || !has_prefix(s, {"20"})) return false;
  const size_t body = s.size() - 1;
  int sum = 0;
  for (size_t i = 0; i < body; ++i) sum += digit_at(s, i) * static_cast<int>(body + 1 - i);
  return check_is(s, body, times_ten_mod_11(sum));
}

// Rio Grande do Sul: ten digits, the first three the state's municipality code.
// The codes of its 497 municipalities all lie between 001 and 499 (the older bound
// of 467 dates from when the state had 467); 800 heads the registrations issued to
// individual micro-entrepreneurs since 2024 and 900 a series added in 2016.
bool valida_rs(std::string_view s) {
  if (s.size() != 10) return false;
  const int code = number(s, 0, 3);
  if ((code < 1 || code > 499) && code != 800 && code != 900) return false;
  return check_is(s, 9, m11(weighted_from_right(s, 9, 9)));
}

// São Paulo: 12 digits for industry and trade; "P" and 12 digits for a rural producer.
bool valida_sp(std::string_view cleaned) {
  const auto first_check = [](std::string_view s) {
    return weighted(s, 0, {1, 3, 4, 5, 6, 7, 8, 10}) % 11 % 10;
  };
  if (!cleaned.empty() && cleaned[0] == 'P') {
    const std::string_view s = cleaned.substr(1);
    return s.size() == 12 && s.find('P') == std::string_view::npos && check_is(s, 8, first_check(s));
  }
  const std::string_view s = cleaned;
  return s.size() == 12 && s.find('P') == std::string_view::npos && check_is(s, 8, first_check(s)) &&
         check_is(s, 11, weighted_from_right(s, 11, 10) % 11 % 10);
}

// Tocantins: the nine-digit registrations issued since 2002 (weights 9..2, whatever
// their third and fourth digits), and the older eleven-digit ones whose third and
// fourth digits are a type code (01, 02, 03 or 99) left out of the check digit.
bool valida_to(std::string_view s) {
  if (s.size() == 9) return nine_digits_m11(s);
  if (s.size() != 11) return false;
  const char t2 = s[2];
  const char t3 = s[3];
  const bool type_code = (t2 == '0' && (t3 == '1' || t3 == '2' || t3 == '3')) || (t2 == '9' && t3 == '9');
  if (!type_code) return false;
  const int sum = weighted(s, 0, {9, 8}) + weighted(s, 4, {7, 6, 5, 4, 3, 2});
  return check_is(s, 10, m11(sum));
}

struct StateRule {
  std::string_view uf;
  bool (*valid)(std::string_view);
};

constexpr StateRule kStates[] = {
    {"AC", valida_ac},
    {"AL", valida_al},
    {"AM", valida_am},
    {"AP", valida_ap},
    {"BA", valida_ba},
    {"CE", [](std::string_view s) { return nine_digits_m11(s); }},
    {"DF", valida_df},
    {"ES", [](std::string_view s) { return nine_digits_m11(s); }},
    {"GO", valida_go},
    {"MA", [](std::string_view s) { return nine_digits_m11(s, {"12"}); }},
    {"MG", valida_mg},
    {"MS", [](std::string_view s) { return nine_digits_m11(s, {"28"}); }},
    {"MT", valida_mt},
    // Pará: "15", and "75" since the "15" numbers ran out in 2024.
    {"PA",
     [](std::string_view s) {
       return nine_digits_m11(s, {"15", "75"});
     }},
    {"PB", [](std::string_view s) { return nine_digits_m11(s); }},
    {"PE", valida_pe},
    {"PI", [](std::string_view s) { return nine_digits_m11(s); }},
    {"PR", valida_pr},
    {"RJ", valida_rj},
    {"RN", valida_rn},
    {"RO", valida_ro},
    {"RR", valida_rr},
    {"RS", valida_rs},
    {"SC", [](std::string_view s) { return nine_digits_m11(s); }},
    {"SE", [](std::string_view s) { return nine_digits_m11(s); }},
    {"SP", valida_sp},
    {"TO", valida_to},
};

// The rule of each two-capital state code, indexed by its letters: one look-up
// instead of a walk over the table.
using Rule = bool (*)(std::string_view);
constexpr size_t kLetters = 26;
constexpr auto kRuleByCode = [] {
  std::array<Rule, kLetters * kLetters> rules{};
  for (const StateRule& r : kStates) rules[(r.uf[0] - 'A') * kLetters + (r.uf[1] - 'A')] = r.valid;
  return rules;
}();

// The rule of the state `UF`, or none for a code that is not two capitals of the table.
Rule rule_of(std::string_view UF) {
  const auto capital = [](char c) { return c >= 'A' && c <= 'Z'; };
  if (UF.size() != 2 || !capital(UF[0]) || !capital(UF[1])) return nullptr;
  return kRuleByCode[(UF[0] - 'A') * kLetters + (UF[1] - 'A')];
}

// Longer than any state's registration (14 digits in Pernambuco and Rondônia).
constexpr size_t kLongestCleaned = 14;

std::string_view trim_blanks(std::string_view s) {
  // Blanks and control characters are single bytes in UTF-8.
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

bool ValidaInscricao(std::string_view IE, std::string_view UF) {
  if (trim_blanks(IE) == "ISENTO") return true;

  const Rule rule = rule_of(UF);
  if (rule == nullptr) return false;

  // Keep the digits and "P"; the bytes of a multi-byte UTF-8 character are never
  // among them. A cleaned text longer than every state's registration is refused
  // as soon as it is, without copying the rest.
  char cleaned[kLongestCleaned];
  size_t size = 0;
  bool has_p = false;
  for (char c : IE) {
    if ((c >= '0' && c <= '9') || c == 'P') {
      if (size == kLongestCleaned) return false;
      has_p |= c == 'P';
      cleaned[size++] = c;
    }
  }
  // Only the São Paulo rural form carries a "P", and only in front.
  if (has_p && rule != valida_sp) return false;
  return rule(std::string_view(cleaned, size));
}

}  // namespace zpk
