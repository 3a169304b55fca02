#include "platform/db/detail/connection.hpp"

#include "platform/db/cancellation.hpp"
#include "platform/db/detail/firebird_connection.hpp"
#include "platform/db/detail/pg_connection.hpp"

namespace zpk::detail {

StatementMark::StatementMark(Connection& c) : c_(c), outer_(c.in_statement_.exchange(true)) {
  if (outer_) return;
  try {
    throw_if_stop_requested();
  } catch (...) {
    c_.in_statement_.store(false);
    throw;
  }
}

std::unique_ptr<Connection> Connection::open(const ConnectSettings& settings, const CreateSettings* create) {
  if (is_postgres_location(settings.location)) return PgConnection::open(settings, create);
  return FirebirdConnection::open(settings, create);
}

}  // namespace zpk::detail
