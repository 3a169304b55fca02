// Statement text handling of the query layer: named parameters become
// positional markers, the bracket form LIST[a, sep, b] becomes Firebird's
// LIST(a, sep), and string literals compared with a value can be lifted out as
// bound values, all without touching literals, quoted names or comments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zpk::detail {

// Kinds of the pieces of a statement, as every rewrite of the layer sees them.
enum class SqlTok { space, comment, string, qstring, quoted_name, word, number, param, marker, op };

// One piece of a statement: [begin, end) of its text.
struct SqlToken {
  SqlTok kind;
  size_t begin;
  size_t end;  // one past the last character
};

// Cuts a statement into pieces; unterminated literals and comments run to the end.
std::vector<SqlToken> tokenize_sql(std::string_view sql);

struct RewrittenSql {
  std::string text;                // the statement with "?" markers
  std::vector<std::string> slots;  // parameter name (upper case) of each marker; "" for a plain "?"
};

// Rewrites LIST[...] and ":NAME" parameters of a statement.
RewrittenSql rewrite_sql(std::string_view sql);

// Rewrites only the LIST[...] bracket form.
std::string rewrite_list_brackets(std::string_view sql);

// A statement whose compared string literals were replaced by markers.
struct LiteralShape {
  std::string text;
  std::vector<std::string> values;  // the literals' texts, quotes undone, in marker order
};

// Lifts the string literals that stand alone on the right of a comparison
// ("CODIGO = '001'") out of a SELECT; returns false when there is none.
bool lift_compared_literals(std::string_view sql, LiteralShape& shape);

// True when the statement's first word is SELECT.
bool is_select_statement(std::string_view sql);

// True when the statement changes the schema (CREATE, ALTER, DROP, RECREATE...).
bool is_ddl_statement(std::string_view sql);

// Splits a script into statements: ";" ends a statement outside literals and
// comments, and "SET TERM x ;" changes the terminator as isql does.
std::vector<std::string> split_sql_script(std::string_view script);

}  // namespace zpk::detail
