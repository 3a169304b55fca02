#include "support/sql.hpp"

#include "platform/db/query.hpp"

namespace zpk::test {

namespace {

void bind(TTIQuery& q, const SqlParams& params) {
  for (size_t i = 0; i < params.size(); ++i) q.Params(static_cast<int>(i)).Value = params[i];
}

}  // namespace

void exec(const std::string& sql, const SqlParams& params, TTIDatabase& db) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  bind(q, params);
  q.ExecSQL();
}

void set_parameter(const std::string& Tipo, int Codigo, const std::string& Valor,
                   const std::string& Empresa) {
  exec(
      "UPDATE OR INSERT INTO EMP_PARAM (CODIGO, TIPO, EMPRESA, VALOR) VALUES (?, ?, ?, ?) "
      "MATCHING (CODIGO, TIPO, EMPRESA)",
      {Codigo, Tipo, Empresa, Valor});
}

Variant value(const std::string& sql, const SqlParams& params, TTIDatabase& db) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  bind(q, params);
  q.Open();
  if (q.IsEmpty()) return {};
  return q.Fields(0).Value();
}

double number(const std::string& sql, const SqlParams& params, TTIDatabase& db) {
  return value(sql, params, db).AsFloat();
}

std::string text(const std::string& sql, const SqlParams& params, TTIDatabase& db) {
  return value(sql, params, db).AsString();
}

std::vector<std::string> rows(const std::string& sql, const SqlParams& params, TTIDatabase& db,
                              std::string_view separator) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  bind(q, params);
  q.Open();
  std::vector<std::string> out;
  for (; !q.Eof(); q.Next()) {
    std::string line;
    for (int i = 0; i < q.FieldCount(); ++i) {
      if (i > 0) line += separator;
      line += q.Fields(i).AsString();
    }
    out.push_back(std::move(line));
  }
  return out;
}

}  // namespace zpk::test
