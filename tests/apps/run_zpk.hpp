// Runs the zpk program in-process, as the shell would, and keeps what it
// printed: the tests of the command line check exit status and output.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app.hpp"

namespace zpk::test {

struct ZpkRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // dialogs, usage and errors
};

// `args` follow the program's name: {"call", "VerCpf", "111.444.777-35"};
// `input` is what it reads from standard input (passwords given as "-").
inline ZpkRun run_zpk(const std::vector<std::string>& args, const std::string& input = "") {
  std::vector<const char*> argv{"zpk"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  ZpkRun run;
  run.status = cli::run_zpk(static_cast<int>(argv.size()), argv.data(), out, err, in);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace zpk::test
