#include "platform/db/detail/sql_text.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace zpk::detail {

namespace {

using Tok = SqlTok;
using Token = SqlToken;

bool ident_start(unsigned char c) {
  return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool ident_char(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

// Operators of two characters; everything else is one character.
constexpr std::array<std::string_view, 13> kTwoCharOps = {"<>", "!=", "^=", "~=", "<=", ">=", "!<",
                                                          "!>", "^<", "^>", "~<", "~>", "||"};

char closing_delimiter(char open) {
  switch (open) {
    case '(':
      return ')';
    case '[':
      return ']';
    case '{':
      return '}';
    case '<':
      return '>';
    default:
      return open;
  }
}

}  // namespace

std::vector<SqlToken> tokenize_sql(std::string_view s) {
  std::vector<Token> out;
  out.reserve(s.size() / 4 + 4);
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const size_t b = i;
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c <= ' ') {
      while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
      out.push_back({Tok::space, b, i});
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      out.push_back({Tok::comment, b, i});
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t close = s.find("*/", i + 2);
      i = close == std::string_view::npos ? n : close + 2;
      out.push_back({Tok::comment, b, i});
    } else if (c == '\'') {
      ++i;
      while (i < n) {
        if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      out.push_back({Tok::string, b, i});
    } else if ((c == 'q' || c == 'Q') && i + 2 < n && s[i + 1] == '\'' &&
               (b == 0 || !ident_char(static_cast<unsigned char>(s[b - 1])))) {
      // q'{...}': the alternative quoting of Firebird.
      const char close = closing_delimiter(s[i + 2]);
      i += 3;
      while (i < n && !(s[i] == close && i + 1 < n && s[i + 1] == '\'')) ++i;
      i = std::min(n, i + 2);
      out.push_back({Tok::qstring, b, i});
    } else if (c == '"') {
      ++i;
      while (i < n) {
        if (s[i] == '"') {
          if (i + 1 < n && s[i + 1] == '"') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      out.push_back({Tok::quoted_name, b, i});
    } else if (ident_start(c)) {
      while (i < n && ident_char(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({Tok::word, b, i});
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      while (i < n && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
        // an exponent sign belongs to the number: 1E-5
        if ((s[i] == 'e' || s[i] == 'E') && i + 1 < n && (s[i + 1] == '-' || s[i + 1] == '+')) ++i;
        ++i;
      }
      out.push_back({Tok::number, b, i});
    } else if (c == ':' && i + 1 < n && ident_start(static_cast<unsigned char>(s[i + 1]))) {
      ++i;
      while (i < n && ident_char(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({Tok::param, b, i});
    } else if (c == '?') {
      ++i;
      out.push_back({Tok::marker, b, i});
    } else {
      size_t len = 1;
      if (i + 1 < n) {
        const std::string_view two = s.substr(i, 2);
        if (std::find(kTwoCharOps.begin(), kTwoCharOps.end(), two) != kTwoCharOps.end()) len = 2;
      }
      i += len;
      out.push_back({Tok::op, b, i});
    }
  }
  return out;
}

namespace {

std::vector<Token> tokenize(std::string_view s) {
  return tokenize_sql(s);
}

std::string upper_ascii(std::string_view s) {
  std::string r(s);
  for (char& ch : r) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return r;
}

bool word_is(std::string_view s, const Token& t, std::string_view word) {
  if (t.kind != Tok::word || t.end - t.begin != word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    if (std::toupper(static_cast<unsigned char>(s[t.begin + k])) != word[k]) return false;
  }
  return true;
}

bool op_is(std::string_view s, const Token& t, std::string_view op) {
  return t.kind == Tok::op && s.substr(t.begin, t.end - t.begin) == op;
}

bool insignificant(const Token& t) {
  return t.kind == Tok::space || t.kind == Tok::comment;
}

// Index of the next / previous significant token, or -1.
long next_significant(const std::vector<Token>& toks, long i) {
  for (long k = i + 1; k < static_cast<long>(toks.size()); ++k) {
    if (!insignificant(toks[k])) return k;
  }
  return -1;
}
long prev_significant(const std::vector<Token>& toks, long i) {
  for (long k = i - 1; k >= 0; --k) {
    if (!insignificant(toks[k])) return k;
  }
  return -1;
}

std::string_view text_of(std::string_view s, const Token& t) {
  return s.substr(t.begin, t.end - t.begin);
}

std::string trim_blanks(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// The first word of a statement, past blanks and comments, as written.
std::string_view first_word(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  for (;;) {
    while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    if (i + 1 < n && s[i] == '-' && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
    } else if (i + 1 < n && s[i] == '/' && s[i + 1] == '*') {
      const size_t close = s.find("*/", i + 2);
      i = close == std::string_view::npos ? n : close + 2;
    } else {
      break;
    }
  }
  size_t e = i;
  while (e < n && ident_char(static_cast<unsigned char>(s[e]))) ++e;
  return s.substr(i, e - i);
}

// Whether `word` is the upper-case keyword `upper` in any case (statements
// run on every query: no call into the locale).
bool same_word(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    const char c = word[k] >= 'a' && word[k] <= 'z' ? static_cast<char>(word[k] - 'a' + 'A') : word[k];
    if (c != upper[k]) return false;
  }
  return true;
}

}  // namespace

std::string rewrite_list_brackets(std::string_view sql) {
  const std::vector<Token> toks = tokenize(sql);
  std::string out;
  out.reserve(sql.size());
  size_t copied = 0;  // sql[0, copied) is already in `out`
  for (long i = 0; i < static_cast<long>(toks.size()); ++i) {
    if (!word_is(sql, toks[i], "LIST")) continue;
    const long open = next_significant(toks, i);
    if (open < 0 || !op_is(sql, toks[open], "[")) continue;
    // Find the matching "]" and the top-level commas between.
    int depth = 0;
    long close = -1;
    std::vector<size_t> cuts;  // positions of top-level commas
    for (long k = open + 1; k < static_cast<long>(toks.size()); ++k) {
      const Token& t = toks[k];
      if (t.kind != Tok::op) continue;
      const std::string_view o = text_of(sql, t);
      if (o == "(" || o == "[") {
        ++depth;
      } else if (o == ")" || (o == "]" && depth > 0)) {
        --depth;
      } else if (o == "]") {
        close = k;
        break;
      } else if (o == "," && depth == 0) {
        cuts.push_back(t.begin);
      }
    }
    if (close < 0) continue;  // not a bracket form we understand: leave it to the engine
    const size_t args_begin = toks[open].end;
    const size_t args_end = toks[close].begin;
    std::vector<std::string_view> args;
    size_t from = args_begin;
    for (size_t cut : cuts) {
      args.push_back(sql.substr(from, cut - from));
      from = cut + 1;
    }
    args.push_back(sql.substr(from, args_end - from));
    out.append(sql.substr(copied, toks[i].begin - copied));
    out.append(text_of(sql, toks[i]));  // keeps the caller's spelling of LIST
    out.push_back('(');
    // Firebird's LIST takes the expression and the separator; the third part
    // of the bracket form has no counterpart and is dropped.
    out.append(rewrite_list_brackets(args[0]));
    if (args.size() > 1) {
      out.push_back(',');
      out.append(rewrite_list_brackets(args[1]));
    }
    out.push_back(')');
    copied = toks[close].end;
    i = close;
  }
  out.append(sql.substr(copied));
  return out;
}

RewrittenSql rewrite_sql(std::string_view sql) {
  RewrittenSql result;
  std::string listed;
  std::string_view text = sql;
  if (sql.find('[') != std::string_view::npos) {
    listed = rewrite_list_brackets(sql);
    text = listed;
  }
  if (text.find(':') == std::string_view::npos && text.find('?') == std::string_view::npos) {
    result.text = std::string(text);
    return result;
  }
  const std::vector<Token> toks = tokenize(text);
  result.text.reserve(text.size());
  for (const Token& t : toks) {
    if (t.kind == Tok::param) {
      result.text.push_back('?');
      result.slots.push_back(upper_ascii(text.substr(t.begin + 1, t.end - t.begin - 1)));
    } else if (t.kind == Tok::marker) {
      result.text.push_back('?');
      result.slots.emplace_back();
    } else {
      result.text.append(text_of(text, t));
    }
  }
  return result;
}

bool is_select_statement(std::string_view sql) {
  return same_word(first_word(sql), "SELECT");
}

bool is_ddl_statement(std::string_view sql) {
  const std::string_view w = first_word(sql);
  for (std::string_view ddl :
       {"CREATE", "ALTER", "DROP", "RECREATE", "COMMENT", "GRANT", "REVOKE", "DECLARE"}) {
    if (same_word(w, ddl)) return true;
  }
  return false;
}

bool lift_compared_literals(std::string_view sql, LiteralShape& shape) {
  shape.text.clear();
  shape.values.clear();
  if (sql.find('\'') == std::string_view::npos || !is_select_statement(sql)) return false;
  const std::vector<Token> toks = tokenize(sql);

  static constexpr std::string_view kComparisons[] = {
      "=", "<>", "!=", "^=", "~=", "<", ">", "<=", ">=", "!<", "!>", "^<", "^>", "~<", "~>"};
  // Words that may follow a complete comparison.
  static constexpr std::string_view kFollowers[] = {"AND",  "OR",   "ORDER", "GROUP",  "HAVING", "UNION",
                                                    "ROWS", "PLAN", "THEN",  "ELSE",   "END",    "WHEN",
                                                    "FOR",  "WITH", "FETCH", "OFFSET", "INTO"};
  auto is_comparison = [&](const Token& t) {
    if (t.kind != Tok::op) return false;
    const std::string_view o = text_of(sql, t);
    return std::find(std::begin(kComparisons), std::end(kComparisons), o) != std::end(kComparisons);
  };

  size_t copied = 0;
  for (long i = 0; i < static_cast<long>(toks.size()); ++i) {
    const Token& lit = toks[i];
    if (lit.kind != Tok::string) continue;
    if (lit.end - lit.begin < 2 || sql[lit.end - 1] != '\'') continue;  // unterminated
    const long op = prev_significant(toks, i);
    if (op < 0 || !is_comparison(toks[op])) continue;
    // The left operand must end in a value (a name, a closing parenthesis, a
    // literal): never another marker, whose type the engine could not infer.
    const long left = prev_significant(toks, op);
    if (left < 0) continue;
    const Token& l = toks[left];
    const bool left_ok = l.kind == Tok::word || l.kind == Tok::quoted_name || l.kind == Tok::number ||
                         l.kind == Tok::string || op_is(sql, l, ")");
    if (!left_ok) continue;
    // The literal must end the comparison: "X = 'a' || Y" or "X = 'a' COLLATE ..." stay as written.
    const long next = next_significant(toks, i);
    bool right_ok = next < 0;
    if (!right_ok) {
      const Token& r = toks[next];
      if (op_is(sql, r, ")") || op_is(sql, r, ",") || op_is(sql, r, ";")) {
        right_ok = true;
      } else {
        for (std::string_view w : kFollowers) {
          if (word_is(sql, r, w)) {
            right_ok = true;
            break;
          }
        }
      }
    }
    if (!right_ok) continue;
    shape.text.append(sql.substr(copied, lit.begin - copied));
    shape.text.push_back('?');
    copied = lit.end;
    std::string value;
    const std::string_view inner = sql.substr(lit.begin + 1, lit.end - lit.begin - 2);
    value.reserve(inner.size());
    for (size_t k = 0; k < inner.size(); ++k) {
      value.push_back(inner[k]);
      if (inner[k] == '\'' && k + 1 < inner.size() && inner[k + 1] == '\'') ++k;
    }
    shape.values.push_back(std::move(value));
  }
  if (shape.values.empty()) return false;
  shape.text.append(sql.substr(copied));
  return true;
}

std::vector<std::string> split_sql_script(std::string_view script) {
  std::vector<std::string> out;
  std::string term = ";";
  const std::vector<Token> toks = tokenize(script);
  size_t start = 0;      // start of the current statement
  bool at_start = true;  // no code seen yet in the current statement
  auto flush = [&](size_t end) {
    if (!at_start) out.push_back(trim_blanks(script.substr(start, end - start)));
  };
  auto skip_to = [&](long& i, size_t pos) {
    while (i + 1 < static_cast<long>(toks.size()) && toks[i + 1].begin < pos) ++i;
  };
  for (long i = 0; i < static_cast<long>(toks.size()); ++i) {
    const Token& t = toks[i];
    if (insignificant(t)) continue;
    if (at_start && word_is(script, t, "SET")) {
      // SET TERM <new> <old>: isql's way to let PSQL bodies contain ";".
      const long term_word = next_significant(toks, i);
      if (term_word >= 0 && word_is(script, toks[term_word], "TERM")) {
        const size_t from = toks[term_word].end;
        size_t end = script.find(term, from);
        if (end == std::string_view::npos) end = script.size();
        const std::string new_term = trim_blanks(script.substr(from, end - from));
        const size_t after = std::min(script.size(), end + term.size());
        if (!new_term.empty()) term = new_term;
        start = after;
        skip_to(i, after);
        continue;
      }
    }
    if (t.kind == Tok::op && script.compare(t.begin, term.size(), term) == 0) {
      flush(t.begin);
      start = t.begin + term.size();
      at_start = true;
      skip_to(i, start);
      continue;
    }
    at_start = false;
  }
  flush(script.size());
  return out;
}

}  // namespace zpk::detail
