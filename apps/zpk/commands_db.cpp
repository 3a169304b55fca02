// `zpk db create PATH [--empresa 001]...` makes a new database from schema/
// (the shared tables and those of each company); `zpk db seed PATH` loads the
// demo companies 001 and 002 into it.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "platform/db/database.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace {

namespace fs = std::filesystem;

struct DbCommandOptions {
  std::string path;
  std::vector<std::string> empresas;
  std::string schema;
};

fs::path schema_dir(const DbCommandOptions& o) {
  if (!o.schema.empty()) return o.schema;
  return zpk::find_schema_dir();
}

const zpk::cli::RegisterCommand kDbCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<DbCommandOptions>();
  CLI::App* db = app.add_subcommand("db", "create and seed databases");
  db->require_subcommand(1);

  CLI::App* create = db->add_subcommand("create", "create a database: zpk db create PATH [--empresa 001]...");
  create->add_option("PATH", o->path, "database file (embedded) or host:path (server)")->required();
  create->add_option("--empresa", o->empresas, "company whose tables to create (repeatable; default 001)")
      ->allow_extra_args(false);
  create->add_option("--schema", o->schema, "the schema/ folder (default: found from the program's folder)");
  zpk::cli::add_login_options(*create, options);
  create->callback([o, &options] {
    std::vector<std::string> empresas = o->empresas.empty() ? std::vector<std::string>{"001"} : o->empresas;
    zpk::TTIDatabase database;
    database.SetConnectTimeout(options.connect_timeout);
    zpk::create_schema_database(database, o->path, empresas, schema_dir(*o),
                                zpk::cli::server_credentials(options));
    database.Close();
    std::cout << "created " << o->path << " (companies";
    for (const auto& e : empresas) std::cout << ' ' << e;
    std::cout << ")\n";
  });

  CLI::App* seed = db->add_subcommand("seed", "load the demo companies 001 and 002: zpk db seed PATH");
  seed->add_option("PATH", o->path, "database file (embedded) or host:path (server)")->required();
  seed->add_option("--schema", o->schema, "the schema/ folder (default: found from the program's folder)");
  zpk::cli::add_login_options(*seed, options);
  seed->callback([o, &options] {
    zpk::TTIDatabase database;
    database.SetConnectTimeout(options.connect_timeout);
    database.SetDatabaseName(o->path);
    database.SetCredentials(zpk::cli::server_credentials(options));
    database.Open();
    zpk::seed_demo_data(database, schema_dir(*o));
    database.DefaultTransaction().Commit();
    database.Close();
    std::cout << "seeded " << o->path << " (companies";
    for (const auto& e : zpk::kDemoCompanies) std::cout << ' ' << e;
    std::cout << ")\n";
  });
}};

}  // namespace
