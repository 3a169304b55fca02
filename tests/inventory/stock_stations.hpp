// What the multi-station stock tests share: registering the products and
// balance rows the stations post to, reading back what the stations say they
// posted, and checking every balance against its journal.
#pragma once

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"

namespace zpk::test {

// Registers the products of `items` ("CODIGO:COR", codes of six characters)
// and a balance row at 0 for each item, so that exits find them; commits.
inline void register_stock_items(TTIDatabase& db, const std::vector<std::string>& items) {
  std::set<std::string> codigos;
  for (const std::string& item : items) codigos.insert(item.substr(0, 6));
  for (const std::string& codigo : codigos) {
    exec("INSERT INTO PRODUTO_001 (CODIGO, ESTOQUE, CUSTO, PRECO, UNIDADE) VALUES (?, 'S', 0, 1, 'M')",
         {codigo}, db);
  }
  for (const std::string& item : items) {
    exec(
        "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) "
        "VALUES (?, ?, '0', '1', '0001', '000000', 0)",
        {item.substr(0, 6), item.substr(7)}, db);
  }
  db.DefaultTransaction().Commit();
}

// What the stations say they posted ("E|S CODIGO COR QTDE" lines): entries
// minus exits per "CODIGO COR"; `lines` counts the postings.
inline std::map<std::string, double> posted_by_stations(const std::vector<StationResult>& results,
                                                        int& lines) {
  std::map<std::string, double> net;
  lines = 0;
  for (const std::string& line : all_lines(results)) {
    std::istringstream in(line);
    std::string op, codigo, cor;
    double qtde = 0;
    if (!(in >> op >> codigo >> cor >> qtde)) continue;
    ++lines;
    net[codigo + " " + cor] += op == "E" ? qtde : -qtde;
  }
  return net;
}

// Every balance row of the products whose code starts with `prefix` equals
// the sum of its journal and what the stations posted to it; there are
// `items` rows (no item got a second balance row).
inline void expect_balances_equal_journals(TTIDatabase& db, const std::string& prefix,
                                           const std::map<std::string, double>& net, int items) {
  TTIQuery q(db);
  q.SQL.Add("SELECT PA.CODIGO, PA.COR, PA.QUANTIDADE,");
  q.SQL.Add("  (SELECT COALESCE(SUM(IIF(M.OPERACAO = 'E', M.QTDE, -M.QTDE)), 0) FROM PA_MOV_001 M");
  q.SQL.Add("   WHERE M.CODIGO = PA.CODIGO AND M.COR = PA.COR AND M.TAMANHO = PA.TAM AND M.TIPO = PA.TIPO");
  q.SQL.Add("     AND M.DEPOSITO = PA.DEPOSITO AND M.LOTE = PA.LOTE) AS JOURNAL");
  q.SQL.Add("FROM PA_ITEN_001 PA WHERE PA.CODIGO STARTING WITH :PREFIXO");
  q.ParamByName("PREFIXO").AsString = prefix;
  q.Open();
  EXPECT_EQ(q.RecordCount(), items);
  for (; !q.Eof(); q.Next()) {
    const std::string key = q.FieldByName("CODIGO").AsString() + " " + q.FieldByName("COR").AsString();
    SCOPED_TRACE(key);
    EXPECT_EQ(q.FieldByName("QUANTIDADE").AsCurrency(), q.FieldByName("JOURNAL").AsCurrency());
    const auto it = net.find(key);
    EXPECT_DOUBLE_EQ(q.FieldByName("QUANTIDADE").AsFloat(), it == net.end() ? 0.0 : it->second);
  }
}

}  // namespace zpk::test
