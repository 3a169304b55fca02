#include "support/engine_sql.hpp"

#include "platform/db/query.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk::test {

void refuse_rows(const std::string& name, const std::string& table, const std::string& event,
                 const std::string& column, const std::string& value) {
  const std::string quoted = "'" + value + "'";
  if (on_postgres()) {
    // A PL/pgSQL trigger function raising for the refused row (SQLSTATE P0001).
    exec("CREATE FUNCTION " + name + "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW." + column +
         " = " + quoted + " THEN RAISE EXCEPTION 'refused by the test'; END IF; RETURN NEW; END $$");
    exec("CREATE TRIGGER " + name + " BEFORE " + event + " ON " + table + " FOR EACH ROW EXECUTE FUNCTION " +
         name + "()");
  } else {
    exec("CREATE EXCEPTION E_" + name + " 'refused by the test'");
    Tabela.IBTransaction.CommitRetaining();
    exec("CREATE TRIGGER " + name + " FOR " + table + " BEFORE " + event + " AS BEGIN IF (NEW." + column +
         " = " + quoted + ") THEN EXCEPTION E_" + name + "; END");
  }
  Tabela.IBTransaction.CommitRetaining();
}

void drop_refusal(const std::string& name, const std::string& table) {
  if (on_postgres()) {
    exec("DROP TRIGGER " + name + " ON " + table);
    exec("DROP FUNCTION " + name + "()");
  } else {
    exec("DROP TRIGGER " + name);
    Tabela.IBTransaction.CommitRetaining();
    exec("DROP EXCEPTION E_" + name);
  }
  Tabela.IBTransaction.CommitRetaining();
}

std::string unknown_column_sqlstate() {
  return on_postgres() ? "42703" : "42S22";
}

std::string unknown_table_sqlstate() {
  return on_postgres() ? "42P01" : "42S02";
}

int other_attachments(TTIDatabase& db) {
  db.DefaultTransaction().Rollback();
  TTIQuery q(db);
  if (on_postgres()) {
    q.SQL.Add("SELECT COUNT(*) AS N FROM pg_stat_activity");
    q.SQL.Add("WHERE datname = current_database() AND pid <> pg_backend_pid()");
    q.SQL.Add("AND backend_type = 'client backend'");
  } else {
    q.SQL.Add("SELECT COUNT(*) AS N FROM MON$ATTACHMENTS");
    q.SQL.Add("WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0");
  }
  q.Open();
  const int n = q.FieldByName("N").AsInteger();
  q.Close();
  db.DefaultTransaction().Rollback();
  return n;
}

}  // namespace zpk::test
