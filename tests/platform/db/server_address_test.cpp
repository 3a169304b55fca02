// Which locations name a Firebird server, and which host and port they name.
#include <gtest/gtest.h>

#include "platform/db/detail/server_address.hpp"

namespace zpk::detail {
namespace {

TEST(ServerAddress, NamesHostAndPortOfServerLocations) {
  const struct {
    const char* location;
    const char* host;  // nullptr: a file of the embedded engine
    const char* port;
  } kCases[] = {
      {"/var/db/erp.fdb", nullptr, nullptr},
      {"var/zpk-demo.fdb", nullptr, nullptr},
      {"./erp.fdb", nullptr, nullptr},
      {"erp.fdb", nullptr, nullptr},
      {"server:/var/db/erp.fdb", "server", "3050"},
      {"127.0.0.1/3051:/var/db/erp.fdb", "127.0.0.1", "3051"},
      {"db.example.com/gds_db:erp", "db.example.com", "gds_db"},
      {"[::1]/3051:/var/db/erp.fdb", "::1", "3051"},
      {"[fe80::1]:/var/db/erp.fdb", "fe80::1", "3050"},
      {"inet://server/var/db/erp.fdb", "server", "3050"},
      {"inet://server:3052//var/db/erp.fdb", "server", "3052"},
      {"inet6://[::1]:3052/erp", "::1", "3052"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.location);
    const auto address = server_address(c.location);
    if (!c.host) {
      EXPECT_FALSE(address.has_value());
      continue;
    }
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
  }
}

}  // namespace
}  // namespace zpk::detail
