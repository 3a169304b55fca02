#include "session.hpp"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "foundation/session.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::cli {

namespace fs = std::filesystem;

std::string read_password_file(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) {
    throw EZpkError("--password-file " + file.string() + ": cannot be read, or has no line");
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty()) throw EZpkError("--password-file " + file.string() + ": its first line is empty");
  return line;
}

DatabaseCredentials server_credentials(const CallOptions& options) {
  return {options.user,
          options.password_file.empty() ? options.password : read_password_file(options.password_file)};
}

CallSession::CallSession(const CallOptions& options) {
  if (options.db.empty()) {
    throw EZpkError(
        "this routine needs the database: pass --db PATH (embedded) or --db host:path (server) "
        "before the routine's name, e.g. zpk call --db var/zpk-demo.fdb --empresa 001 ...");
  }
  const DatabaseCredentials login = server_credentials(options);
  initialize_package();
  Tabela.IBDatabase.SetConnectTimeout(options.connect_timeout);
  Tabela.connect_company(options.db, options.empresa, login);
  vUsuario = options.usuario;
}

CallSession::~CallSession() {
  Tabela.disconnect();
  finalize_package();
}

const fs::path& demo_session(const CallOptions& options, std::ostream& out) {
  static fs::path location;
  if (location.empty()) {
    const fs::path folder = fs::current_path() / "var";
    fs::create_directories(folder);
    const fs::path file = folder / "zpk-demo.fdb";
    Tabela.disconnect();
    fs::remove(file);
    {
      TTIDatabase database;
      // A throw-away database: forced writes off makes creating it quick.
      const fs::path schema = find_schema_dir();
      create_schema_database(database, file.string(), kDemoCompanies, schema, {}, {8192, false});
      seed_demo_data(database, schema);
      database.DefaultTransaction().Commit();
      database.Close();
    }
    location = file;
    // The engine must see the attachment closed before the client library goes away at exit.
    std::atexit([] {
      Tabela.disconnect();
      finalize_package();
    });
    out << "created var/zpk-demo.fdb (companies";
    for (const auto& e : kDemoCompanies) out << ' ' << e;
    out << ")\n";
  }
  if (!Tabela.IBDatabase.Connected()) {
    initialize_package();
    Tabela.connect_company(location.string(), options.empresa);
    vUsuario = options.usuario.empty() ? "ADMIN" : options.usuario;
    out << "connected to company " << Copy(Tabela.SufixoEmpresa, 2, 3) << " as " << vUsuario << '\n';
  }
  return location;
}

void demo_exec(const std::string& sql) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(sql);
  q.ExecSQL();
}

std::string demo_money(Currency value) {
  const int64_t cents = value.Raw() / 100;
  return fmt::format("{}{}.{:02}", cents < 0 ? "-" : "", std::llabs(cents) / 100, std::llabs(cents) % 100);
}

}  // namespace zpk::cli
