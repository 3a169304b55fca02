// The zpk program as a function: parses the command line, runs the
// sub-command and returns the exit status, so that tests run it in-process
// exactly as the shell does.
#pragma once

#include <ostream>

namespace zpk::cli {

// `argv[0]` is the program's name. What `zpk call` prints goes to `out`, its
// dialogs, usage and errors to `err`. Returns 0 on success, 1 when the routine
// failed, 2 for a command line that does not fit.
int run_zpk(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zpk::cli
