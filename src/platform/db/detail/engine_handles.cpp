#include "platform/db/detail/engine_handles.hpp"

#include "platform/db/database.hpp"
#include "platform/db/detail/firebird_connection.hpp"
#include "platform/db/transaction.hpp"

namespace zpk::detail {

namespace {

FirebirdConnection& firebird(const TTIDatabase& database) {
  auto* c = dynamic_cast<FirebirdConnection*>(&database.connection());
  if (!c) throw EDatabaseError(DatabaseErrorKind::usage, "the database is not a Firebird database");
  return *c;
}

}  // namespace

Firebird::IAttachment* engine_attachment(const TTIDatabase& database) {
  return firebird(database).attachment();
}

Firebird::ITransaction* engine_transaction(TTITransaction& transaction) {
  if (transaction.Database()) firebird(*transaction.Database());
  return static_cast<Firebird::ITransaction*>(transaction.engine().handle);
}

}  // namespace zpk::detail
