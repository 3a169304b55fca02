#include "platform/db/detail/pg_dialect.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "platform/db/database_error.hpp"
#include "platform/db/detail/sql_text.hpp"

namespace zpk::detail {

namespace {

struct Piece {
  SqlTok kind;
  std::string text;
  std::string up;  // upper-case text of a word, else empty
};
using Pieces = std::vector<Piece>;

// ASCII case changes: names and keywords of statements are ASCII.
std::string upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}
std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}
// The text without leading and trailing blanks.
std::string trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// Raises the usage error of a statement that has no PostgreSQL form here.
[[noreturn]] void refuse(const std::string& what, std::string_view statement) {
  throw EDatabaseError(DatabaseErrorKind::usage, "PostgreSQL: " + what, std::string(statement));
}

// Words PostgreSQL reserves that Firebird lets a table or column use as a
// plain name: written quoted in lower case, the name the unquoted schema gets.
// (ASC, DESC, RETURNING, LOCALTIME and LOCALTIMESTAMP are keywords in both.)
const std::set<std::string>& pg_only_reserved() {
  static const std::set<std::string> words = {
      "ANALYSE",      "ANALYZE",      "ARRAY",           "ASYMMETRIC",     "AUTHORIZATION", "BINARY",
      "COLLATION",    "CONCURRENTLY", "CURRENT_CATALOG", "CURRENT_SCHEMA", "DEFERRABLE",    "DO",
      "EXCEPT",       "FREEZE",       "ILIKE",           "INITIALLY",      "INTERSECT",     "ISNULL",
      "LATERAL",      "LIMIT",        "NOTNULL",         "OFFSET",         "OVERLAPS",      "PLACING",
      "SESSION_USER", "SYMMETRIC",    "TABLESAMPLE",     "VARIADIC",       "VERBOSE",       "WINDOW"};
  return words;
}

// A string literal with its quotes, in the standard form (q'{...}' undone).
std::string standard_literal(std::string_view raw) {
  const std::string_view inner = raw.size() >= 5 ? raw.substr(3, raw.size() - 5) : std::string_view{};
  std::string r = "'";
  for (char c : inner) {
    r.push_back(c);
    if (c == '\'') r.push_back('\'');
  }
  r.push_back('\'');
  return r;
}

// Cuts a statement into pieces with its "?" markers numbered from `*markers`.
Pieces lex(std::string_view sql, int* markers) {
  Pieces out;
  for (const SqlToken& t : tokenize_sql(sql)) {
    std::string text(sql.substr(t.begin, t.end - t.begin));
    switch (t.kind) {
      case SqlTok::marker:
        out.push_back({t.kind, "$" + std::to_string(++*markers), {}});
        break;
      case SqlTok::param:
        refuse("named parameter " + text + " left in the statement", sql);
      case SqlTok::quoted_name:
        out.push_back({t.kind, lower(text), {}});
        break;
      case SqlTok::qstring:
        out.push_back({SqlTok::string, standard_literal(text), {}});
        break;
      case SqlTok::word: {
        std::string up = upper(text);
        if (pg_only_reserved().count(up)) {
          out.push_back({SqlTok::quoted_name, "\"" + lower(text) + "\"", {}});
        } else {
          out.push_back({t.kind, std::move(text), std::move(up)});
        }
        break;
      }
      default:
        out.push_back({t.kind, std::move(text), {}});
    }
  }
  return out;
}

// Piece tests: code rather than blanks or comments, a given word, a given operator.
bool significant(const Piece& p) {
  return p.kind != SqlTok::space && p.kind != SqlTok::comment;
}
bool is_word(const Piece& p, std::string_view w) {
  return p.kind == SqlTok::word && p.up == w;
}
bool is_op(const Piece& p, std::string_view o) {
  return p.kind == SqlTok::op && p.text == o;
}

// A Firebird date or timestamp literal's text in ISO form: "10.01.2025" is
// day.month.year and "01/10/2025" month/day/year in Firebird, forms PostgreSQL
// would read by its DateStyle. Other texts ('NOW', ISO) are returned as given.
std::string iso_date_literal(const std::string& literal) {
  if (literal.size() < 2) return literal;
  const std::string inner = literal.substr(1, literal.size() - 2);
  size_t p = 0;
  auto number = [&](unsigned& v) {
    const size_t b = p;
    v = 0;
    while (p < inner.size() && std::isdigit(static_cast<unsigned char>(inner[p])))
      v = v * 10 + (inner[p++] - '0');
    return p - b;
  };
  unsigned a = 0, b = 0, c = 0;
  const size_t la = number(a);
  if (la == 0 || la > 2 || p >= inner.size()) return literal;
  const char sep = inner[p++];
  if (sep != '.' && sep != '/') return literal;
  if (number(b) == 0 || p >= inner.size() || inner[p++] != sep || number(c) != 4) return literal;
  const unsigned day = sep == '.' ? a : b;
  const unsigned month = sep == '.' ? b : a;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", c, month, day);
  return "'" + std::string(buf) + inner.substr(p) + "'";
}

class Translator {
 public:
  Translator(const Pieces& p, std::string_view statement) : p_(p), statement_(statement) {}

  // What the driver must do with markers' values (see to_postgres), and the
  // catalog that says which text columns they meet.
  PgMarkerRules* rules = nullptr;
  const PgCatalog* catalog = nullptr;

  // Tables of the statement by alias and by name (upper case), for the
  // columns its markers are compared with.
  void learn_tables() {
    const size_t hi = p_.size();
    for (size_t k = 0; k < hi; ++k) {
      if (!(is_word(p_[k], "FROM") || is_word(p_[k], "JOIN") || is_word(p_[k], "UPDATE") ||
            is_word(p_[k], "INTO")))
        continue;
      size_t t = next(k + 1, hi);
      while (t < hi && p_[t].kind == SqlTok::word && !kClauseWords.count(p_[t].up) && p_[t].up != "SELECT") {
        const std::string table = p_[t].up;
        tables_[table] = table;
        size_t a = next(t + 1, hi);
        if (a < hi && is_word(p_[a], "AS")) a = next(a + 1, hi);
        if (a < hi && p_[a].kind == SqlTok::word && !kClauseWords.count(p_[a].up) && p_[a].up != "SET" &&
            p_[a].up != "VALUES" && p_[a].up != "SELECT") {
          tables_[p_[a].up] = table;
          a = next(a + 1, hi);
        }
        if (a >= hi || !is_op(p_[a], ",")) break;
        t = next(a + 1, hi);
      }
    }
  }

  // The size in characters of text column `column` of `table`; 0 when it is
  // no text column of a known size.
  size_t text_size(const std::string& table, const std::string& column) const {
    if (!catalog || !*catalog) return 0;
    const PgTableInfo info = (*catalog)(table);
    for (const auto& [name, type] : info.column_types) {
      if (name != column) continue;
      if (type.rfind("character varying(", 0) != 0 && type.rfind("character(", 0) != 0) return 0;
      return static_cast<size_t>(std::strtoul(type.c_str() + type.find('(') + 1, nullptr, 10));
    }
    return 0;
  }

  // A marker at i after "column <comparison>": notes the column's size.
  void note_limit(size_t i) {
    const Piece* op = before(i);
    if (!op || op->kind != SqlTok::op ||
        !(op->text == "=" || op->text == "<>" || op->text == "!=" || op->text == "<" || op->text == ">" ||
          op->text == "<=" || op->text == ">="))
      return;
    size_t k = i;
    while (k > 0 && &p_[k] != op) --k;
    const Piece* col = before(k);
    if (!col || col->kind != SqlTok::word) return;
    size_t c = k;
    while (c > 0 && &p_[c] != col) --c;
    const Piece* dot = before(c);
    std::string qualifier;
    if (dot && is_op(*dot, ".")) {
      size_t d = c;
      while (d > 0 && &p_[d] != dot) --d;
      const Piece* alias = before(d);
      if (!alias || alias->kind != SqlTok::word) return;
      qualifier = alias->up;
    }
    size_t size = 0;
    if (!qualifier.empty()) {
      if (auto it = tables_.find(qualifier); it != tables_.end()) size = text_size(it->second, col->up);
    } else {
      for (const auto& [alias, table] : tables_) {
        if (alias != table) continue;
        if ((size = text_size(table, col->up)) > 0) break;
      }
    }
    if (size > 0) rules->limits.emplace_back(std::stoi(p_[i].text.substr(1)), size);
  }

  // Index of the next significant piece at or after i (or hi).
  size_t next(size_t i, size_t hi) const {
    while (i < hi && !significant(p_[i])) ++i;
    return i;
  }

  // The ")" matching the "(" at i.
  size_t close_of(size_t i, size_t hi) const {
    int depth = 0;
    for (size_t k = i; k < hi; ++k) {
      if (is_op(p_[k], "(")) ++depth;
      if (is_op(p_[k], ")") && --depth == 0) return k;
    }
    refuse("unbalanced parentheses", statement_);
  }

  // The top-level comma-separated ranges between lo and hi.
  std::vector<std::pair<size_t, size_t>> split_args(size_t lo, size_t hi) const {
    std::vector<std::pair<size_t, size_t>> out;
    size_t from = lo;
    for (size_t k = lo; k < hi; ++k) {
      if (is_op(p_[k], "(")) {
        k = close_of(k, hi);
      } else if (is_op(p_[k], ",")) {
        out.emplace_back(from, k);
        from = k + 1;
      }
    }
    out.emplace_back(from, hi);
    return out;
  }

  std::string emit_trim(size_t lo, size_t hi) { return trim(emit(lo, hi)); }

  // The PostgreSQL text of pieces [lo, hi): one scope (a statement or the
  // inside of a parenthesis) with its own SELECT's FIRST/SKIP.
  std::string emit(size_t lo, size_t hi) {
    Scope s;
    for (size_t i = lo; i < hi; ++i) {
      const Piece& t = p_[i];
      if (!significant(t)) {
        s.out += t.text;
        continue;
      }
      if (t.kind == SqlTok::marker && rules) note_limit(i);
      const size_t n1 = next(i + 1, hi);
      const bool call = n1 < hi && is_op(p_[n1], "(");
      const bool item_start = s.in_list && s.at_item;
      const std::string firebird_name = default_name(t, n1, hi);
      if (is_op(t, "(")) {
        const size_t c = close_of(i, hi);
        s.out += "(" + emit(i + 1, c) + ")";
        // A derived table needs a name in PostgreSQL; Firebird lets it go without.
        const Piece* b = before(i);
        const size_t inner = next(i + 1, c);
        const size_t after = next(c + 1, hi);
        if (b && (is_word(*b, "FROM") || is_word(*b, "JOIN")) && inner < c && is_word(p_[inner], "SELECT") &&
            (after >= hi || is_op(p_[after], ")") || is_op(p_[after], ",") ||
             (p_[after].kind == SqlTok::word && kClauseWords.count(p_[after].up) && p_[after].up != "AS"))) {
          s.out += " AS zpk_derived_" + std::to_string(++derived_tables_);
        }
        i = c;
      } else if (t.kind == SqlTok::word && call && t.up == "IIF") {
        const size_t c = close_of(n1, hi);
        const auto args = split_args(n1 + 1, c);
        if (args.size() != 3) refuse("IIF takes three arguments", statement_);
        s.out += "CASE WHEN " + emit_trim(args[0].first, args[0].second) + " THEN " +
                 emit_trim(args[1].first, args[1].second) + " ELSE " +
                 emit_trim(args[2].first, args[2].second) + " END";
        i = c;
      } else if (t.kind == SqlTok::word && call && t.up == "LIST") {
        const size_t c = close_of(n1, hi);
        const auto args = split_args(n1 + 1, c);
        if (args.size() > 2) refuse("LIST takes an expression and a separator", statement_);
        size_t from = next(args[0].first, args[0].second);
        std::string distinct;
        if (from < args[0].second && (is_word(p_[from], "DISTINCT") || is_word(p_[from], "ALL"))) {
          if (p_[from].up == "DISTINCT") distinct = "DISTINCT ";
          ++from;
        }
        const std::string sep = args.size() == 2 ? emit_trim(args[1].first, args[1].second) : "','";
        s.out +=
            "STRING_AGG(" + distinct + "CAST(" + emit_trim(from, args[0].second) + " AS TEXT), " + sep + ")";
        i = c;
      } else if (t.kind == SqlTok::word && call && (t.up == "LPAD" || t.up == "RPAD")) {
        // Firebird pads numbers as their text; PostgreSQL pads texts only.
        const size_t c = close_of(n1, hi);
        const auto args = split_args(n1 + 1, c);
        std::string out = t.text + "(CAST(" + emit_trim(args[0].first, args[0].second) + " AS TEXT)";
        for (size_t k = 1; k < args.size(); ++k) out += ", " + emit_trim(args[k].first, args[k].second);
        s.out += out + ")";
        i = c;
      } else if (t.kind == SqlTok::word && call && t.up == "GEN_ID") {
        const size_t c = close_of(n1, hi);
        const auto args = split_args(n1 + 1, c);
        const std::string step = args.size() == 2 ? emit_trim(args[1].first, args[1].second) : "";
        const std::string gen = lower(emit_trim(args[0].first, args[0].second));
        if (step == "1") {
          s.out += "nextval('" + gen + "')";
        } else if (step == "0") {
          s.out += "(SELECT last_value FROM " + gen + ")";
        } else {
          refuse("GEN_ID with a step other than 0 or 1", statement_);
        }
        i = c;
      } else if (t.kind == SqlTok::word && call && t.up == "EXTRACT") {
        i = extract(s, n1, hi);
      } else if (t.kind == SqlTok::word && call && t.up == "CAST") {
        // A Firebird date literal cast to a date: CAST('10.01.2025' AS DATE).
        const size_t c = close_of(n1, hi);
        const size_t a = next(n1 + 1, c);
        const size_t as = next(a + 1, c);
        const size_t ty = next(as + 1, c);
        if (a < c && p_[a].kind == SqlTok::string && as < c && is_word(p_[as], "AS") && ty < c &&
            (is_word(p_[ty], "DATE") || is_word(p_[ty], "TIMESTAMP"))) {
          s.out += t.text + "(" + iso_date_literal(p_[a].text) + " AS " + emit_trim(ty, c) + ")";
        } else if (a < c && p_[a].kind == SqlTok::marker && next(a + 1, c) == as && as < c &&
                   is_word(p_[as], "AS") && ty < c && compared_at(i) && kLiteralTypes.count(p_[ty].up)) {
          // A value typed as the literal it stands for, compared with a
          // column: Firebird converts either side to the other's type,
          // PostgreSQL only an untyped value, which takes the column's type.
          // A text's trailing blanks do not count in Firebird's comparison.
          s.out += p_[a].text;
          if (rules && (p_[ty].up == "VARCHAR" || p_[ty].up == "CHAR"))
            rules->trimmed.push_back(std::stoi(p_[a].text.substr(1)));
        } else {
          s.out += t.text + "(" + emit(n1 + 1, c) + ")";
        }
        i = c;
      } else if (is_word(t, "NEXT") && n1 < hi && is_word(p_[n1], "VALUE")) {
        const size_t f = next(n1 + 1, hi);
        const size_t g = next(f + 1, hi);
        if (f >= hi || !is_word(p_[f], "FOR") || g >= hi) refuse("NEXT VALUE without FOR", statement_);
        s.out += "nextval('" + lower(p_[g].text) + "')";
        i = g;
      } else if (is_word(t, "SELECT")) {
        i = select(s, i, hi);
      } else if (is_word(t, "UNION")) {
        flush_select(s, true);
        s.had_union = true;
        s.out += t.text;
      } else if (is_word(t, "ROWS")) {
        i = rows(s, i, hi);
      } else if (is_word(t, "FOR") && n1 < hi && is_word(p_[n1], "UPDATE")) {
        flush_select(s, false);
        s.for_update = true;
        s.out += t.text;
      } else if (is_word(t, "WITH") && n1 < hi && is_word(p_[n1], "LOCK")) {
        // Firebird's pessimistic lock is PostgreSQL's row lock of the select.
        if (!s.for_update) {
          flush_select(s, false);
          s.out += "FOR UPDATE";
        } else {
          while (!s.out.empty() && static_cast<unsigned char>(s.out.back()) <= ' ') s.out.pop_back();
        }
        s.for_update = true;
        i = n1;
      } else if (is_word(t, "FROM") && n1 < hi && is_word(p_[n1], "RDB$DATABASE")) {
        i = from_rdb_database(s, n1, hi);
      } else if (is_word(t, "RDB$DB_KEY")) {
        // The row's address: PostgreSQL's ctid orders rows as they were written, as the key does.
        s.out += "ctid";
      } else if (is_word(t, "RDB$RELATIONS")) {
        // The tables of the database, with Firebird's column for their names (upper case, as created).
        s.out +=
            "(SELECT CAST(UPPER(table_name) AS VARCHAR(63)) AS rdb$relation_name FROM "
            "information_schema.tables WHERE table_schema = current_schema())";
        if (n1 >= hi || p_[n1].kind != SqlTok::word || kClauseWords.count(p_[n1].up))
          s.out += " AS rdb$relations";
      } else if (t.kind == SqlTok::word && t.up.rfind("RDB$", 0) == 0 && t.up != "RDB$RELATION_NAME") {
        refuse("Firebird system table " + t.up + " has no PostgreSQL counterpart", statement_);
      } else if (t.kind == SqlTok::word && (t.up == "STARTING" || t.up == "CONTAINING")) {
        i = predicate(s, i, hi, false);
      } else if (is_word(t, "NOT") && n1 < hi &&
                 (is_word(p_[n1], "STARTING") || is_word(p_[n1], "CONTAINING"))) {
        i = predicate(s, n1, hi, true);
      } else if ((is_word(t, "DATE") || is_word(t, "TIMESTAMP")) && n1 < hi &&
                 p_[n1].kind == SqlTok::string) {
        s.out += t.text + " " + iso_date_literal(p_[n1].text);
        i = n1;
      } else if (is_word(t, "BLOB")) {
        i = blob_type(s, i, hi);
      } else if (is_word(t, "CHARACTER") && n1 < hi && is_word(p_[n1], "SET")) {
        i = drop_clause(s, next(n1 + 1, hi));  // the character set's name
      } else if (is_word(t, "COLLATE") && n1 < hi) {
        i = drop_clause(s, n1);
      } else if (is_word(t, "ASCENDING") || is_word(t, "DESCENDING")) {
        s.out += t.up == "ASCENDING" ? "ASC" : "DESC";
      } else if (is_word(t, "COMPUTED")) {
        size_t e = n1;
        if (e < hi && is_word(p_[e], "BY")) e = next(e + 1, hi);
        if (e >= hi || !is_op(p_[e], "(")) refuse("COMPUTED BY without an expression", statement_);
        const size_t c = close_of(e, hi);
        s.out += "GENERATED ALWAYS AS (" + emit(e + 1, c) + ") STORED";
        i = c;
      } else {
        s.out += t.text;
      }
      if (item_start && !firebird_name.empty()) {
        // A select item that is only the construct gets the column name
        // Firebird gives it: rows are read by field name.
        const size_t after = next(i + 1, hi);
        if (after >= hi || is_op(p_[after], ",") || is_word(p_[after], "FROM"))
          s.out += " AS " + firebird_name;
      }
      if (t.kind == SqlTok::word && kPredicateStarts.count(t.up)) s.pred_start = s.out.size();
      if (is_op(t, ",")) s.pred_start = s.out.size();
      if (is_word(t, "SELECT")) s.in_list = true;
      if (is_word(t, "FROM")) s.in_list = false;
      s.at_item = s.in_list && (is_word(t, "SELECT") || is_op(t, ",") ||
                                (item_start && (is_word(t, "DISTINCT") || is_word(t, "ALL"))));
    }
    flush_select(s, false);
    return s.out;
  }

 private:
  struct Scope {
    std::string out;
    size_t pred_start = 0;  // where the operand before a predicate begins in `out`
    size_t sel_start = 0;   // where the current SELECT begins in `out`
    std::string limit, offset;
    bool had_union = false;
    bool for_update = false;
    bool in_list = false;  // between SELECT and FROM
    bool at_item = false;  // at the start of a select item
  };

  // The column name Firebird gives a select item that is only this
  // construct, for the constructs whose PostgreSQL form is named otherwise.
  std::string default_name(const Piece& t, size_t n1, size_t hi) const {
    if (t.kind != SqlTok::word || n1 >= hi) return {};
    if (is_op(p_[n1], "(") &&
        (t.up == "IIF" || t.up == "LIST" || t.up == "EXTRACT" || t.up == "GEN_ID" || t.up == "CAST")) {
      return t.up;
    }
    if (t.up == "NEXT" && is_word(p_[n1], "VALUE")) return "NEXT_VALUE";
    return {};
  };

  // The types the library casts a caller's literal value to.
  inline static const std::set<std::string> kLiteralTypes = {"VARCHAR",  "CHAR",    "BIGINT",  "INTEGER",
                                                             "SMALLINT", "NUMERIC", "DECIMAL", "DOUBLE",
                                                             "FLOAT",    "DATE",    "TIME",    "TIMESTAMP"};

  // Words that follow a table in FROM when it has no alias.
  inline static const std::set<std::string> kClauseWords = {
      "WHERE", "UNION", "ORDER", "GROUP", "HAVING", "ROWS",  "PLAN", "FOR", "WITH",
      "JOIN",  "INNER", "LEFT",  "RIGHT", "FULL",   "CROSS", "ON",   "AS"};

  // Words after which a predicate's left operand begins.
  inline static const std::set<std::string> kPredicateStarts = {
      "WHERE", "AND", "OR", "NOT", "ON", "WHEN", "THEN", "ELSE", "HAVING", "SELECT", "CASE", "BY", "SET"};

  // Appends LIMIT/OFFSET of the current SELECT; a member of a UNION is
  // parenthesized so that its limit stays its own.
  void flush_select(Scope& s, bool union_follows) {
    if (s.limit.empty() && s.offset.empty()) return;
    size_t end = s.out.size();
    while (end > s.sel_start && static_cast<unsigned char>(s.out[end - 1]) <= ' ') --end;
    std::string clause;
    if (!s.limit.empty()) clause += " LIMIT " + s.limit;
    if (!s.offset.empty()) clause += " OFFSET " + s.offset;
    if (union_follows || s.had_union) {
      clause += ")";
      s.out.insert(end, clause);
      s.out.insert(s.sel_start, "(");
    } else {
      s.out.insert(end, clause);
    }
    s.limit.clear();
    s.offset.clear();
  }

  // A FIRST/SKIP/ROWS value: a number, a marker or a parenthesized expression.
  std::string limit_value(size_t& k, size_t hi) {
    if (k >= hi) refuse("FIRST, SKIP or ROWS without a value", statement_);
    const Piece& v = p_[k];
    if (is_op(v, "(")) {
      const size_t c = close_of(k, hi);
      std::string r = "(" + emit(k + 1, c) + ")";
      k = c;
      return r;
    }
    if (v.kind == SqlTok::number || v.kind == SqlTok::marker) return v.text;
    refuse("FIRST, SKIP or ROWS value " + v.text + " (a number, a marker or (expression))", statement_);
  }

  // SELECT [FIRST n] [SKIP m]: the values are kept for the end of this select.
  size_t select(Scope& s, size_t i, size_t hi) {
    flush_select(s, false);
    s.sel_start = s.out.size();
    s.out += p_[i].text;
    size_t last = i;
    size_t k = next(i + 1, hi);
    for (;;) {
      if (k < hi && is_word(p_[k], "FIRST")) {
        size_t v = next(k + 1, hi);
        s.limit = limit_value(v, hi);
        last = v;
        k = next(v + 1, hi);
      } else if (k < hi && is_word(p_[k], "SKIP")) {
        size_t v = next(k + 1, hi);
        s.offset = limit_value(v, hi);
        last = v;
        k = next(v + 1, hi);
      } else {
        break;
      }
    }
    return last;
  }

  // ROWS n [TO m]: rows n to m, counted from 1.
  size_t rows(Scope& s, size_t i, size_t hi) {
    size_t k = next(i + 1, hi);
    const std::string from = limit_value(k, hi);
    const size_t to = next(k + 1, hi);
    if (to < hi && is_word(p_[to], "TO")) {
      size_t m = next(to + 1, hi);
      const std::string last = limit_value(m, hi);
      const bool numbers = p_[k].kind == SqlTok::number && p_[m].kind == SqlTok::number;
      if (numbers) {
        const long a = std::strtol(from.c_str(), nullptr, 10);
        const long b = std::strtol(last.c_str(), nullptr, 10);
        s.out += "LIMIT " + std::to_string(std::max(0L, b - a + 1)) + " OFFSET " +
                 std::to_string(std::max(0L, a - 1));
      } else {
        s.out +=
            "LIMIT GREATEST(0, (" + last + ") - (" + from + ") + 1) OFFSET GREATEST(0, (" + from + ") - 1)";
      }
      return m;
    }
    s.out += "LIMIT " + from;
    return k;
  }

  // EXTRACT(part FROM e) with Firebird's parts and result types.
  size_t extract(Scope& s, size_t open, size_t hi) {
    const size_t c = close_of(open, hi);
    const size_t part = next(open + 1, c);
    const size_t from = next(part + 1, c);
    if (part >= c || from >= c || !is_word(p_[from], "FROM")) refuse("EXTRACT without FROM", statement_);
    const std::string e = emit_trim(from + 1, c);
    const std::string& w = p_[part].up;
    // Firebird gives SMALLINT (seconds NUMERIC(9,4)); PostgreSQL numeric.
    if (w == "WEEKDAY") {
      s.out += "CAST(EXTRACT(DOW FROM " + e + ") AS SMALLINT)";
    } else if (w == "YEARDAY") {
      s.out += "CAST(EXTRACT(DOY FROM " + e + ") - 1 AS SMALLINT)";
    } else if (w == "SECOND") {
      s.out += "CAST(EXTRACT(SECOND FROM " + e + ") AS NUMERIC(9,4))";
    } else if (w == "MILLISECOND") {
      s.out += "CAST(MOD(EXTRACT(MILLISECONDS FROM " + e + "), 1000) AS NUMERIC(9,1))";
    } else {
      s.out += "CAST(EXTRACT(" + p_[part].text + " FROM " + e + ") AS SMALLINT)";
    }
    return c;
  }

  // FROM RDB$DATABASE, Firebird's one-row table: PostgreSQL selects without FROM.
  size_t from_rdb_database(Scope& s, size_t rdb, size_t hi) {
    size_t last = rdb;
    size_t after = next(rdb + 1, hi);
    static const std::set<std::string> kFollow = {"WHERE", "UNION", "ORDER", "GROUP", "HAVING",
                                                  "ROWS",  "PLAN",  "FOR",   "WITH"};
    if (after < hi && p_[after].kind == SqlTok::word && !kFollow.count(p_[after].up) &&
        p_[after].up != "JOIN" && p_[after].up != "INNER" && p_[after].up != "LEFT" &&
        p_[after].up != "CROSS") {
      last = after;  // an alias
      after = next(after + 1, hi);
    }
    if (after < hi && (is_op(p_[after], ",") || p_[after].up == "JOIN" || p_[after].up == "INNER" ||
                       p_[after].up == "LEFT" || p_[after].up == "RIGHT" || p_[after].up == "CROSS")) {
      refuse("RDB$DATABASE joined with other tables", statement_);
    }
    while (!s.out.empty() && static_cast<unsigned char>(s.out.back()) <= ' ') s.out.pop_back();
    return last;
  }

  // Whether an operand is one name, marker or literal, which needs no parentheses.
  static bool simple_operand(const std::string& x) {
    if (x.empty()) return true;
    if (x.front() == '\'' && x.back() == '\'' && x.find('\'', 1) == x.size() - 1) return true;
    return std::all_of(x.begin(), x.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.' || c == '"';
    });
  }
  static std::string wrap(const std::string& x) { return simple_operand(x) ? x : "(" + x + ")"; }

  // x [NOT] STARTING [WITH] y and x [NOT] CONTAINING y: predicates with
  // Firebird's precedence (below || and arithmetic), so operands that are
  // expressions are parenthesized.
  size_t predicate(Scope& s, size_t i, size_t hi, bool negated) {
    const bool starting = p_[i].up == "STARTING";
    size_t k = next(i + 1, hi);
    if (starting && k < hi && is_word(p_[k], "WITH")) k = next(k + 1, hi);
    static const std::set<std::string> kEnd = {"AND",   "OR",     "THEN",  "ELSE", "WHEN",  "END", "ORDER",
                                               "GROUP", "HAVING", "UNION", "ROWS", "PLAN",  "FOR", "WITH",
                                               "INTO",  "FROM",   "WHERE", "IS",   "ESCAPE"};
    size_t e = k;
    for (; e < hi; ++e) {
      const Piece& q = p_[e];
      if (is_op(q, "(")) {
        e = close_of(e, hi);
      } else if (is_op(q, ",") || is_op(q, ";") || is_op(q, ")") ||
                 (q.kind == SqlTok::word && kEnd.count(q.up))) {
        break;
      }
    }
    while (e > k && !significant(p_[e - 1])) --e;
    const std::string left = trim(s.out.substr(s.pred_start));
    const std::string right = emit_trim(k, e);
    if (left.empty() || right.empty()) refuse(p_[i].up + " without two operands", statement_);
    std::string pred = starting ? wrap(left) + " ^@ " + wrap(right)
                                : "POSITION(UPPER(" + right + ") IN UPPER(" + left + ")) > 0";
    if (negated) pred = "NOT (" + pred + ")";
    // The blank between the preceding keyword and the operand stays.
    size_t operand = s.pred_start;
    while (operand < s.out.size() && static_cast<unsigned char>(s.out[operand]) <= ' ') ++operand;
    s.out = s.out.substr(0, operand) + pred;
    return e - 1;
  }

  // BLOB [SUB_TYPE x] [SEGMENT SIZE n]: text for sub-type TEXT/1, bytes otherwise.
  size_t blob_type(Scope& s, size_t i, size_t hi) {
    size_t last = i;
    bool text = false;
    size_t k = next(i + 1, hi);
    for (;;) {
      if (k < hi && is_word(p_[k], "SUB_TYPE")) {
        const size_t v = next(k + 1, hi);
        if (v >= hi) break;
        text = p_[v].up == "TEXT" || p_[v].text == "1";
        last = v;
        k = next(v + 1, hi);
      } else if (k < hi && is_word(p_[k], "SEGMENT")) {
        const size_t sz = next(k + 1, hi);
        last = next(sz + 1, hi);
        k = next(last + 1, hi);
      } else {
        break;
      }
    }
    s.out += text ? "TEXT" : "BYTEA";
    return last;
  }

  // Drops a clause ending at piece `name` (CHARACTER SET x, COLLATE x) with the blank before it.
  size_t drop_clause(Scope& s, size_t name) {
    while (!s.out.empty() && static_cast<unsigned char>(s.out.back()) <= ' ') s.out.pop_back();
    return name;
  }

  // The previous significant piece before i, or nullptr.
  const Piece* before(size_t i) const {
    while (i > 0) {
      --i;
      if (significant(p_[i])) return &p_[i];
    }
    return nullptr;
  }

  // Whether the piece before i makes what follows the right side of a comparison.
  bool compared_at(size_t i) const {
    const Piece* b = before(i);
    if (!b) return false;
    if (b->kind == SqlTok::op)
      return b->text == "=" || b->text == "<>" || b->text == "!=" || b->text == "<" || b->text == ">" ||
             b->text == "<=" || b->text == ">=";
    return is_word(*b, "LIKE");
  }

  int derived_tables_ = 0;

  std::map<std::string, std::string> tables_;
  const Pieces& p_;
  std::string_view statement_;
};

// A list of column names as a set, to compare keys in any order.
std::set<std::string> upper_set(const std::vector<std::string>& v) {
  return {v.begin(), v.end()};
}

// The name in a piece, upper case and unquoted, as the catalog knows it.
std::string name_of(const Piece& p) {
  if (p.kind == SqlTok::quoted_name) return upper(p.text.substr(1, p.text.size() - 2));
  return p.up.empty() ? upper(p.text) : p.up;
}

// UPDATE OR INSERT INTO t (cols) VALUES (vals) [MATCHING (keys)] [RETURNING ...].
std::string update_or_insert(const Pieces& p, std::string_view sql, const PgCatalog& catalog) {
  Translator tr(p, sql);
  const size_t hi = p.size();
  size_t k = tr.next(0, hi);
  for (int w = 0; w < 4; ++w) k = tr.next(k + 1, hi);  // UPDATE OR INSERT INTO
  if (k >= hi) refuse("UPDATE OR INSERT without a table", sql);
  const std::string table_text = p[k].text;
  const std::string table = name_of(p[k]);
  size_t open = tr.next(k + 1, hi);
  if (open >= hi || !is_op(p[open], "("))
    refuse("UPDATE OR INSERT INTO " + table + " without a column list", sql);
  size_t close = tr.close_of(open, hi);
  std::vector<std::string> cols, cols_text;
  for (auto [a, b] : tr.split_args(open + 1, close)) {
    const size_t c = tr.next(a, b);
    if (c >= b) refuse("UPDATE OR INSERT INTO " + table + ": empty column", sql);
    cols.push_back(name_of(p[c]));
    cols_text.push_back(p[c].text);
  }
  size_t v = tr.next(close + 1, hi);
  if (v >= hi || !is_word(p[v], "VALUES")) refuse("UPDATE OR INSERT INTO " + table + " without VALUES", sql);
  open = tr.next(v + 1, hi);
  if (open >= hi || !is_op(p[open], "("))
    refuse("UPDATE OR INSERT INTO " + table + ": VALUES without (", sql);
  close = tr.close_of(open, hi);
  std::vector<std::string> vals;
  for (auto [a, b] : tr.split_args(open + 1, close)) vals.push_back(tr.emit_trim(a, b));
  if (vals.size() != cols.size())
    refuse("UPDATE OR INSERT INTO " + table + ": columns and values differ in count", sql);
  std::vector<std::string> keys;
  size_t m = tr.next(close + 1, hi);
  if (m < hi && is_word(p[m], "MATCHING")) {
    open = tr.next(m + 1, hi);
    if (open >= hi || !is_op(p[open], "("))
      refuse("UPDATE OR INSERT INTO " + table + ": MATCHING without (", sql);
    close = tr.close_of(open, hi);
    for (auto [a, b] : tr.split_args(open + 1, close)) keys.push_back(name_of(p[tr.next(a, b)]));
    m = tr.next(close + 1, hi);
  }
  std::string returning;
  if (m < hi && !is_op(p[m], ";")) {
    if (!is_word(p[m], "RETURNING"))
      refuse("UPDATE OR INSERT INTO " + table + ": unexpected " + p[m].text, sql);
    size_t e = hi;
    while (e > m && (!significant(p[e - 1]) || is_op(p[e - 1], ";"))) --e;
    returning = " " + tr.emit_trim(m, e);
  }
  const PgTableInfo info = catalog ? catalog(table) : PgTableInfo{};
  if (keys.empty()) keys = info.primary_key;
  if (keys.empty())
    refuse("UPDATE OR INSERT INTO " + table + " without MATCHING and without a primary key", sql);
  auto col_index = [&](const std::string& c) {
    const auto it = std::find(cols.begin(), cols.end(), c);
    if (it == cols.end())
      refuse("UPDATE OR INSERT INTO " + table + ": key " + c + " is not among the columns", sql);
    return static_cast<size_t>(it - cols.begin());
  };
  std::vector<size_t> key_at;
  for (const std::string& key : keys) key_at.push_back(col_index(key));
  const std::set<std::string> key_set = upper_set(keys);
  bool constrained = !info.primary_key.empty() && upper_set(info.primary_key) == key_set;
  for (const auto& u : info.unique_keys) constrained = constrained || upper_set(u) == key_set;

  std::string col_list;
  for (size_t c = 0; c < cols.size(); ++c) col_list += (c ? ", " : "") + cols_text[c];
  if (constrained) {
    // A key with a constraint: PostgreSQL's upsert on that constraint.
    std::string r = "INSERT INTO " + table_text + " (" + col_list + ") VALUES (";
    for (size_t c = 0; c < vals.size(); ++c) r += (c ? ", " : "") + vals[c];
    r += ") ON CONFLICT (";
    for (size_t c = 0; c < key_at.size(); ++c) r += (c ? ", " : "") + cols_text[key_at[c]];
    r += ")";
    std::string set;
    for (size_t c = 0; c < cols.size(); ++c) {
      if (key_set.count(cols[c])) continue;
      set += (set.empty() ? "" : ", ") + cols_text[c] + " = EXCLUDED." + cols_text[c];
    }
    // Only keys: the row is still updated (to itself), as Firebird does, so
    // that it is locked, counted as one row written and returned by RETURNING.
    if (set.empty()) set = cols_text[key_at[0]] + " = EXCLUDED." + cols_text[key_at[0]];
    r += " DO UPDATE SET " + set;
    return r + returning;
  }
  if (!returning.empty())
    refuse("UPDATE OR INSERT INTO " + table + " RETURNING on a key without a constraint", sql);
  // No constraint on the key: update the matching rows, else insert. NULL
  // keys match as in Firebird's MATCHING (IS NOT DISTINCT FROM). Values are
  // cast to their columns' types: in INSERT ... SELECT an untyped value is text.
  auto type_of = [&](const std::string& c) {
    for (const auto& [name, type] : info.column_types) {
      if (upper(name) == c) return type;
    }
    refuse("UPDATE OR INSERT INTO " + table + ": type of column " + c + " unknown", sql);
  };
  std::string set, where, select;
  for (size_t c = 0; c < cols.size(); ++c) {
    set += (c ? ", " : "") + cols_text[c] + " = " + vals[c];
    select += (c ? ", " : "") + ("CAST(" + vals[c] + " AS " + type_of(cols[c]) + ")");
  }
  for (size_t c = 0; c < key_at.size(); ++c) {
    where += (c ? " AND " : "") + cols_text[key_at[c]] + " IS NOT DISTINCT FROM " + vals[key_at[c]];
  }
  return "WITH u AS (UPDATE " + table_text + " SET " + set + " WHERE " + where +
         " RETURNING 1) INSERT INTO " + table_text + " (" + col_list + ") SELECT " + select +
         " WHERE NOT EXISTS (SELECT 1 FROM u)";
}

// One statement's PostgreSQL text from its pieces.
std::string translate(const Pieces& p, std::string_view sql, const PgCatalog& catalog,
                      PgMarkerRules* rules = nullptr) {
  Translator tr(p, sql);
  tr.rules = rules;
  tr.catalog = &catalog;
  if (rules) tr.learn_tables();
  const size_t hi = p.size();
  const size_t a = tr.next(0, hi);
  const size_t b = tr.next(a + 1, hi);
  const size_t c = tr.next(b + 1, hi);
  if (a < hi && is_word(p[a], "UPDATE") && b < hi && is_word(p[b], "OR") && c < hi &&
      is_word(p[c], "INSERT")) {
    return update_or_insert(p, sql, catalog);
  }
  return tr.emit(0, hi);
}

// One statement's PostgreSQL text, its markers numbered from $1.
std::string translate(std::string_view sql, const PgCatalog& catalog, PgMarkerRules* rules = nullptr) {
  int markers = 0;
  return translate(lex(sql, &markers), sql, catalog, rules);
}

// The significant pieces of a statement.
std::vector<const Piece*> words_of(const Pieces& p) {
  std::vector<const Piece*> r;
  for (const Piece& q : p) {
    if (significant(q)) r.push_back(&q);
  }
  return r;
}

// The name of the PSQL object a statement defines ("" when it defines none);
// EXECUTE BLOCK is named "EXECUTE BLOCK".
std::string psql_object(const std::vector<const Piece*>& w) {
  auto at = [&](size_t k, std::string_view word) { return k < w.size() && is_word(*w[k], word); };
  if (at(0, "EXECUTE") && at(1, "BLOCK")) return "EXECUTE BLOCK";
  size_t k = 0;
  if (at(0, "CREATE") && at(1, "OR") && at(2, "ALTER")) {
    k = 3;
  } else if (at(0, "CREATE") || at(0, "RECREATE") || at(0, "ALTER")) {
    k = 1;
  } else {
    return {};
  }
  if ((at(k, "PROCEDURE") || at(k, "FUNCTION") || at(k, "TRIGGER")) && k + 1 < w.size())
    return name_of(*w[k + 1]);
  return {};
}

// The PSQL object a statement defines, read from its head: the body's
// ":VARIABLE"s are no parameters of ours.
std::string psql_object_of(std::string_view sql) {
  Pieces head;
  for (const SqlToken& t : tokenize_sql(sql)) {
    if (t.kind == SqlTok::param) break;
    const std::string_view text = sql.substr(t.begin, t.end - t.begin);
    head.push_back({t.kind, std::string(text), t.kind == SqlTok::word ? upper(text) : std::string()});
  }
  return psql_object(words_of(head));
}

// What CREATE TABLE and ALTER TABLE ... ADD statements of the script tell of
// their tables, so that its later statements need not ask the live database.
void learn_table(const Pieces& p, std::string_view sql, std::map<std::string, PgTableInfo>& tables) {
  Translator tr(p, sql);
  const size_t hi = p.size();
  const size_t a = tr.next(0, hi);
  const size_t b = tr.next(a + 1, hi);
  const size_t n = tr.next(b + 1, hi);
  if (n >= hi || !is_word(p[b], "TABLE")) return;
  if (!is_word(p[a], "CREATE") && !is_word(p[a], "RECREATE") && !is_word(p[a], "ALTER")) return;
  static const std::set<std::string> kTypeEnd = {"DEFAULT", "NOT",      "NULL",       "PRIMARY",
                                                 "UNIQUE",  "CHECK",    "REFERENCES", "CONSTRAINT",
                                                 "COLLATE", "COMPUTED", "GENERATED"};
  PgTableInfo& info = tables[name_of(p[n])];
  auto column = [&](size_t lo, size_t e) {
    const size_t c = tr.next(lo, e);
    if (c >= e) return;
    size_t t = tr.next(c + 1, e);
    size_t te = t;
    while (
        te < e && !(p[te].kind == SqlTok::word && kTypeEnd.count(p[te].up)) &&
        !(is_word(p[te], "CHARACTER") && tr.next(te + 1, e) < e && is_word(p[tr.next(te + 1, e)], "SET"))) {
      ++te;
    }
    const std::string name = name_of(p[c]);
    const std::string type = tr.emit_trim(t, te);
    if (!type.empty()) info.column_types.emplace_back(name, type);
    for (size_t k = te; k < e; ++k) {
      if (is_word(p[k], "PRIMARY")) info.primary_key = {name};
      if (is_word(p[k], "UNIQUE")) info.unique_keys.push_back({name});
    }
  };
  auto names_in = [&](size_t open, size_t e) {
    std::vector<std::string> r;
    if (open >= e || !is_op(p[open], "(")) return r;
    for (auto [x, y] : tr.split_args(open + 1, tr.close_of(open, e))) r.push_back(name_of(p[tr.next(x, y)]));
    return r;
  };
  if (is_word(p[a], "ALTER")) {
    size_t k = tr.next(n + 1, hi);
    if (k < hi && is_word(p[k], "ADD")) {
      size_t c = tr.next(k + 1, hi);
      if (c < hi && is_word(p[c], "COLUMN")) c = tr.next(c + 1, hi);
      if (c < hi && !is_word(p[c], "CONSTRAINT") && !is_word(p[c], "PRIMARY") && !is_word(p[c], "UNIQUE") &&
          !is_word(p[c], "FOREIGN") && !is_word(p[c], "CHECK")) {
        column(c, hi);
      }
    }
    return;
  }
  const size_t open = tr.next(n + 1, hi);
  if (open >= hi || !is_op(p[open], "(")) return;
  for (auto [lo, e] : tr.split_args(open + 1, tr.close_of(open, hi))) {
    size_t k = tr.next(lo, e);
    if (k >= e) continue;
    if (is_word(p[k], "CONSTRAINT")) k = tr.next(tr.next(k + 1, e) + 1, e);
    if (k >= e) continue;
    if (is_word(p[k], "PRIMARY")) {
      info.primary_key = names_in(tr.next(tr.next(k + 1, e) + 1, e), e);
    } else if (is_word(p[k], "UNIQUE")) {
      info.unique_keys.push_back(names_in(tr.next(k + 1, e), e));
    } else if (!is_word(p[k], "FOREIGN") && !is_word(p[k], "CHECK")) {
      column(k, e);
    }
  }
}

// A generator's value n as PostgreSQL's restart value: Firebird 3's next value
// after "SET GENERATOR g TO n" (or RESTART WITH n, START WITH n) is n + 1.
std::string next_of(const Piece& v, std::string_view sql) {
  if (v.kind != SqlTok::number) refuse("generator value " + v.text + " is not a number", sql);
  return std::to_string(std::strtoll(v.text.c_str(), nullptr, 10) + 1);
}

// CREATE [UNIQUE] [ASC|DESC[ENDING]] INDEX name ON t (cols | COMPUTED BY (e)).
std::string create_index(const Pieces& p, std::string_view sql) {
  Translator tr(p, sql);
  const size_t hi = p.size();
  bool unique = false;
  bool desc = false;
  size_t k = tr.next(tr.next(0, hi) + 1, hi);
  for (; k < hi && !is_word(p[k], "INDEX"); k = tr.next(k + 1, hi)) {
    if (is_word(p[k], "UNIQUE")) unique = true;
    if (is_word(p[k], "DESC") || is_word(p[k], "DESCENDING")) desc = true;
  }
  const size_t name = tr.next(k + 1, hi);
  const size_t on = tr.next(name + 1, hi);
  const size_t table = tr.next(on + 1, hi);
  size_t open = tr.next(table + 1, hi);
  if (table >= hi || open >= hi) refuse("CREATE INDEX without a table and columns", sql);
  std::string r = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + p[name].text + " ON " +
                  p[table].text + " (";
  if (is_word(p[open], "COMPUTED")) {
    open = tr.next(open + 1, hi);
    if (open < hi && is_word(p[open], "BY")) open = tr.next(open + 1, hi);
    if (open >= hi || !is_op(p[open], "(")) refuse("COMPUTED BY without an expression", sql);
    return r + "(" + tr.emit_trim(open + 1, tr.close_of(open, hi)) + ")" + (desc ? " DESC" : "") + ")";
  }
  if (!is_op(p[open], "(")) refuse("CREATE INDEX without columns", sql);
  const auto cols = tr.split_args(open + 1, tr.close_of(open, hi));
  for (size_t c = 0; c < cols.size(); ++c) {
    r += (c ? ", " : "") + tr.emit_trim(cols[c].first, cols[c].second) + (desc ? " DESC" : "");
  }
  return r + ")";
}

// The PostgreSQL version of PSQL object `name`, from its file.
std::string read_psql_file(const std::string& name, const std::filesystem::path& psql_folder,
                           std::string_view sql) {
  std::filesystem::path folder = psql_folder;
  if (folder.empty()) {
    const char* env = std::getenv("ZPK_SCHEMA_DIR");
    if (!env || !*env)
      refuse("no folder holds the PostgreSQL version of " + name + " (set ZPK_SCHEMA_DIR)", sql);
    folder = std::filesystem::path(env) / "postgres";
  }
  for (const std::string& file : {name + ".sql", lower(name) + ".sql"}) {
    std::ifstream in(folder / file, std::ios::binary);
    if (!in) continue;
    std::ostringstream text;
    text << in.rdbuf();
    std::string r = trim(text.str());
    if (!r.empty() && r.back() == ';') r.pop_back();
    return trim(r);
  }
  refuse("PSQL object " + name + " has no PostgreSQL version " + (folder / (name + ".sql")).string(), sql);
}

}  // namespace

std::string to_postgres(std::string_view firebird_sql, const PgCatalog& catalog, PgMarkerRules* rules) {
  return translate(firebird_sql, catalog, rules);
}

std::vector<std::string> psql_objects_of(std::string_view firebird_script) {
  std::vector<std::string> r;
  for (const std::string& sql : split_sql_script(firebird_script)) {
    std::string name = psql_object_of(sql);
    if (!name.empty()) r.push_back(std::move(name));
  }
  return r;
}

std::vector<std::string> schema_to_postgres(std::string_view firebird_script, const PgCatalog& catalog,
                                            const std::filesystem::path& psql_folder) {
  std::map<std::string, PgTableInfo> tables;  // created by the script itself
  const PgCatalog known = [&](std::string_view table) {
    const auto it = tables.find(std::string(table));
    if (it != tables.end()) return it->second;
    return catalog ? catalog(table) : PgTableInfo{};
  };
  std::vector<std::string> out;
  for (const std::string& sql : split_sql_script(firebird_script)) {
    const std::string object = psql_object_of(sql);
    if (object == "EXECUTE BLOCK")
      refuse("EXECUTE BLOCK in a schema script (give it a name: a procedure)", sql);
    if (!object.empty()) {
      out.push_back(read_psql_file(object, psql_folder, sql));
      continue;
    }
    int markers = 0;
    const Pieces p = lex(sql, &markers);
    const std::vector<const Piece*> w = words_of(p);
    auto at = [&](size_t k, std::string_view word) { return k < w.size() && is_word(*w[k], word); };
    if (at(0, "COMMIT") || (at(0, "SET") && !at(1, "GENERATOR"))) continue;  // SET SQL DIALECT, SET NAMES...
    if (at(0, "DECLARE")) refuse("external functions (DECLARE EXTERNAL FUNCTION)", sql);
    if ((at(0, "CREATE") && (at(1, "GENERATOR") || at(1, "SEQUENCE"))) && w.size() >= 3) {
      std::string r = "CREATE SEQUENCE " + w[2]->text;
      if (at(3, "START") && at(4, "WITH") && w.size() >= 6) r += " START WITH " + next_of(*w[5], sql);
      out.push_back(r);
      continue;
    }
    if (at(0, "SET") && at(1, "GENERATOR") && at(3, "TO") && w.size() >= 5) {
      out.push_back("ALTER SEQUENCE " + w[2]->text + " RESTART WITH " + next_of(*w[4], sql));
      continue;
    }
    if ((at(0, "ALTER") && (at(1, "SEQUENCE") || at(1, "GENERATOR"))) && at(3, "RESTART") && at(4, "WITH") &&
        w.size() >= 6) {
      out.push_back("ALTER SEQUENCE " + w[2]->text + " RESTART WITH " + next_of(*w[5], sql));
      continue;
    }
    if (at(0, "DROP") && at(1, "GENERATOR") && w.size() >= 3) {
      out.push_back("DROP SEQUENCE " + w[2]->text);
      continue;
    }
    if (at(0, "CREATE") && (at(1, "INDEX") || at(2, "INDEX") || at(3, "INDEX"))) {
      out.push_back(create_index(p, sql));
      continue;
    }
    learn_table(p, sql, tables);
    if (at(0, "RECREATE") && at(1, "TABLE") && w.size() >= 3) {
      out.push_back("DROP TABLE IF EXISTS " + w[2]->text);
      Pieces create = p;
      for (Piece& q : create) {
        if (!is_word(q, "RECREATE")) continue;
        q.text = q.up = "CREATE";
        break;
      }
      out.push_back(translate(create, sql, known));
      continue;
    }
    out.push_back(translate(p, sql, known));
  }
  return out;
}

}  // namespace zpk::detail
