// The zpk program as a function: parses the command line, runs the
// sub-command and returns the exit status, so that tests run it in-process
// exactly as the shell does.
#pragma once

#include <istream>
#include <ostream>

namespace zpk::cli {

// `argv[0]` is the program's name. What `zpk call` prints goes to `out`, its
// dialogs, usage and errors to `err`; a password given as "-" is read from
// `in`. Returns 0 on success, 1 when the routine failed, 2 for a command line
// that does not fit, 128 + signal when SIGINT or SIGTERM stopped it (the
// work not committed is then rolled back; see platform/db/stop_signals.hpp).
int run_zpk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in);
// The same, reading from the process's standard input.
int run_zpk(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zpk::cli
