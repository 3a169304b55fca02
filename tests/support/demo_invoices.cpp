#include "support/demo_invoices.hpp"

#include <string>

#include <fmt/format.h>

#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::test {

void copy_demo_invoices(TTIDatabase& db, int first, int count) {
  for (const char* table : {"NOTA_001", "NOTAITEN_001"}) {
    TTIQuery q(db);
    q.SQL.Add(std::string("SELECT * FROM ") + table + " WHERE FATURA = '009001'");
    q.Open();
    std::string columns, values;
    for (int i = 0; i < q.FieldCount(); ++i) {
      const std::string name = UpperCase(q.Fields(i).FieldName());
      columns += (i ? ", " : "") + name;
      values += i ? ", " : "";
      if (name == "FATURA") {
        values += "CAST(:FATURA AS VARCHAR(10))";
      } else if (name == "CHAVE_NFE" || name == "PROTOCOLO_NFE" || name == "RECIBO_NFE" ||
                 name == "STATUS_NFE") {
        values += "NULL";
      } else {
        values += name;
      }
    }
    q.Close();
    TTIQuery insert(db);
    insert.SQL.Add(std::string("INSERT INTO ") + table + " (" + columns + ") SELECT " + values + " FROM " +
                   table + " WHERE FATURA = '009001'");
    for (int n = first; n < first + count; ++n) {
      insert.ParamByName("FATURA").AsString = fmt::format("{:06}", n);
      insert.ExecSQL();
    }
  }
}

}  // namespace zpk::test
