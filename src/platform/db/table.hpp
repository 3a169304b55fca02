// TTITable: a query over a whole table, by name (SELECT * FROM the table), for
// the few callers that open a table rather than compose a statement.
#pragma once

#include <string>

#include "platform/db/query.hpp"

namespace zpk {

class TTITable : public TTIQuery {
 public:
  TTITable() = default;
  explicit TTITable(TTIDatabase& database) : TTIQuery(database) {}

  // The physical table name; setting it closes the table.
  void SetTableName(std::string name) {
    table_name_ = std::move(name);
    SQL.Text = "SELECT * FROM " + table_name_;
  }
  const std::string& TableName() const { return table_name_; }

 private:
  std::string table_name_;
};

}  // namespace zpk
