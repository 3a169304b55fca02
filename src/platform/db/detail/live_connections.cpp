#include "platform/db/detail/live_connections.hpp"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/db/detail/connection.hpp"

namespace zpk::detail {

namespace {

std::mutex& live_mutex() {
  static std::mutex m;
  return m;
}

std::vector<Connection*>& live() {
  static std::vector<Connection*> connections;
  return connections;
}

}  // namespace

void add_live_connection(Connection* connection) {
  std::lock_guard lock(live_mutex());
  live().push_back(connection);
}

void remove_live_connection(Connection* connection) noexcept {
  std::lock_guard lock(live_mutex());
  auto& all = live();
  all.erase(std::remove(all.begin(), all.end(), connection), all.end());
}

void cancel_live_statements() noexcept {
  std::lock_guard lock(live_mutex());
  for (Connection* c : live()) {
    if (c->in_statement()) c->cancel_statement();
  }
}

void abort_live_connections() noexcept {
  std::lock_guard lock(live_mutex());
  for (Connection* c : live()) c->abort();
}

}  // namespace zpk::detail
