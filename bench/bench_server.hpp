// A throw-away database on the private test server for the benchmarks that
// time several `zpk station` processes: the library's schema for company 001
// and the demo data, then what the program adds; dropped at exit. Without a
// server (ZPK_TEST_SERVER unset) or a zpk program, `problem` says why.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/db/database.hpp"
#include "platform/tabela/schema_setup.hpp"

namespace zpk::bench {

// The environment variable's value, or "" when it is not set.
inline std::string env_text(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The zpk program: $ZPK_BINARY, else apps/zpk/zpk of the build this program belongs to.
inline std::filesystem::path zpk_program() {
  if (const std::string given = env_text("ZPK_BINARY"); !given.empty()) return given;
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps" / "zpk" / "zpk";
}

struct ServerBench {
  std::string problem;  // why the figures cannot be taken; empty when they can
  std::string location;
  std::filesystem::path zpk;
  DatabaseCredentials credentials;

  // Makes database `name` on the server and runs `fill` on it before committing.
  explicit ServerBench(const std::string& name, const std::function<void(TTIDatabase&)>& fill = {}) {
    namespace fs = std::filesystem;
    const std::string prefix = env_text("ZPK_TEST_SERVER");
    if (prefix.empty()) {
      problem =
          "skipped: ZPK_TEST_SERVER is not set (scripts/fbserver start, then export the variables of the "
          "file `scripts/fbserver env` prints)";
      return;
    }
    zpk = zpk_program();
    if (!fs::exists(zpk)) {
      problem = "no zpk program at " + zpk.string() + " (build target zpk or set ZPK_BINARY)";
      return;
    }
    const std::string data = env_text("ZPK_TEST_SERVER_DATA");
    const fs::path dir = data.empty() ? fs::temp_directory_path() : fs::path(data);
    location = prefix + ":" + (dir / (name + "-" + std::to_string(::getpid()) + ".fdb")).string();
    credentials = {env_text("ISC_USER"), env_text("ISC_PASSWORD")};
    try {
      const fs::path schema = find_schema_dir();
      TTIDatabase setup;
      // A throw-away database, as the tests' copies: forced writes off.
      create_schema_database(setup, location, {"001"}, schema, credentials, {8192, false});
      seed_demo_data(setup, schema);
      if (fill) fill(setup);
      setup.DefaultTransaction().Commit();
      setup.Close();
    } catch (const std::exception& e) {
      problem = std::string("cannot make the database on the server: ") + e.what();
    }
  }
  ~ServerBench() {
    if (!problem.empty() || location.empty()) return;
    try {
      TTIDatabase db;
      db.SetDatabaseName(location);
      db.SetCredentials(credentials);
      db.Open();
      db.drop_database();
    } catch (...) {
      // The server's data folder is emptied on its next start.
    }
  }
  ServerBench(const ServerBench&) = delete;
  ServerBench& operator=(const ServerBench&) = delete;
};

}  // namespace zpk::bench
