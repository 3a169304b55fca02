// The database session of a `zpk call` or `zpk demo` entry: Tabela connected
// from --db/--empresa (server credentials from --user and --password or
// --password-file, else ISC_USER/ISC_PASSWORD; a server is given
// --connect-timeout seconds to answer) and vUsuario from --usuario, for as
// long as the entry runs.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "platform/db/database.hpp"
#include "platform/rtl/currency.hpp"
#include "registry.hpp"

namespace zpk::cli {

// The server password: the first line of `file` (the password file of
// --password-file), without its line end. Raises EZpkError when it cannot be
// read or the line is empty.
std::string read_password_file(const std::filesystem::path& file);

// The server login of the options: --user and the password of --password-file
// or --password (empty ones fall back to ISC_USER / ISC_PASSWORD).
DatabaseCredentials server_credentials(const CallOptions& options);

// Connects for the length of one call; the connection is closed (what was not
// committed is rolled back) and the session cleared when it ends. The call
// entries of routines that read the database get one from run_in_session.
class CallSession {
 public:
  // Raises EZpkError when --db is missing or the password file cannot be
  // read, EDatabaseError when the database cannot be opened, EZpkError when
  // the company is not in it.
  explicit CallSession(const CallOptions& options);
  ~CallSession();
  CallSession(const CallSession&) = delete;
  CallSession& operator=(const CallSession&) = delete;
};

// The demo database var/zpk-demo.fdb under the current folder: the first call
// of a run recreates it from schema/ with the demo companies and connects
// Tabela to company --empresa (001) as vUsuario (--usuario, default ADMIN); later calls
// only make sure it is still connected. Demo steps of every subsystem call it.
const std::filesystem::path& demo_session(const CallOptions& options, std::ostream& out);

// Runs one statement of a demo step on the shared connection (raises EDatabaseError).
void demo_exec(const std::string& sql);

// An amount as a demo prints it: a decimal point and its cents, exactly as stored.
std::string demo_money(Currency value);

}  // namespace zpk::cli
