#include "platform/db/detail/engine_handles.hpp"

#include "platform/db/database.hpp"
#include "platform/db/detail/connection.hpp"
#include "platform/db/transaction.hpp"

namespace zpk::detail {

Firebird::IAttachment* engine_attachment(const TTIDatabase& database) {
  return database.connection().attachment();
}

Firebird::ITransaction* engine_transaction(TTITransaction& transaction) {
  return transaction.engine().handle;
}

}  // namespace zpk::detail
