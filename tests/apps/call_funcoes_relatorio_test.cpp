// The report functions through `zpk call`: arguments read from the command
// line, results printed, errors reported with a failing status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_zpk.hpp"

namespace zpk::test {
namespace {

TEST(CallFuncoesRelatorioTest, ArgumentsAndResults) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } kCases[] = {
      {{"call", "FV", "12,5", "2"}, 0, "12,50\n"},
      {{"call", "DataExtenso", "05/13/2024"}, 0, "\n"},
      {{"call", "Formata", "1.2345", "2"}, 0, "1.2345\n"},
      {{"call", "--set", "iSeq=9", "Sequencia", "4"}, 0, "0010\n"},
      {{"call", "FV", "abc", "2"}, 1, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args[1] + " " + c.args.back());
    const ZpkRun run = run_zpk(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

}  // namespace
}  // namespace zpk::test
