// `zpk call` against a server that accepts the connection and never answers:
// it gives up after --connect-timeout seconds and says which server was silent.
#include <chrono>
#include <iostream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run_zpk.hpp"
#include "support/silent_server.hpp"

namespace zpk::test {
namespace {

using ::testing::HasSubstr;

TEST(ZpkConnectTimeout, ASilentServerIsReportedByHostAndPort) {
  SilentServer server;
  const auto started = std::chrono::steady_clock::now();
  const ZpkRun run =
      run_zpk({"call", "--db", server.location(), "--connect-timeout", "2", "BuscaParametro", "FIN", "10"});
  // Shown, not asserted: the figure depends on the machine.
  std::cout << "gave up after "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() << " s\n";
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr("the database server at 127.0.0.1, port " + std::to_string(server.port()) +
                                 ", did not answer within 2 s (connect timeout)"));
}

TEST(ZpkConnectTimeout, ANegativeTimeoutIsRefusedBeforeConnecting) {
  const ZpkRun run =
      run_zpk({"call", "--db", "127.0.0.1/1:/x.fdb", "--connect-timeout", "-1", "VerCpf", "1"});
  EXPECT_NE(run.status, 0);
  EXPECT_THAT(run.err, HasSubstr("--connect-timeout"));
}

}  // namespace
}  // namespace zpk::test
