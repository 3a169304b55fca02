// How zpk tells a person that a command failed: one line that names what ran
// and what went wrong; with --verbose, the database engine's own message, its
// SQLSTATE and codes, and the statement follow on lines of their own.
#pragma once

#include <exception>
#include <ostream>
#include <string_view>

namespace zpk::cli {

// Writes "error: CONTEXT: WHAT\n" (CONTEXT, e.g. the routine's name, left out
// when empty); `verbose` adds the engine's details of a database error.
void report_error(std::ostream& err, const std::exception& e, std::string_view context, bool verbose);

}  // namespace zpk::cli
