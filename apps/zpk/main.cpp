// zpk: the library's command-line tool. `zpk call ROUTINE ARG...` runs one
// exported routine and prints its result; `zpk demo` walks through what the
// library does; `zpk db` creates and seeds databases.
#include <iostream>

#include "app.hpp"
#include "platform/db/stop_signals.hpp"

int main(int argc, char** argv) {
  // First of all, before the database client starts threads of its own:
  // SIGINT and SIGTERM stop the work cleanly (the running statement is
  // cancelled, what was not committed rolled back) and end zpk with 130 / 143.
  zpk::StopSignals stop_signals;
  const int status = zpk::cli::run_zpk(argc, argv, std::cout, std::cerr);
  const int stopped = zpk::StopSignals::exit_status();
  return stopped != 0 ? stopped : status;
}
