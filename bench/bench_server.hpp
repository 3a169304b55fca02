// A throw-away database on the private test server for the benchmarks that
// time several `zpk station` processes: the library's schema for company 001
// and the demo data, then what the program adds; dropped at exit. Without a
// server (ZPK_TEST_SERVER unset) or a zpk program, `problem` says why.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "support/station_processes.hpp"

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

// One timed round of stations: how long they ran, how many lines they
// printed (one per unit of work committed), and why the round failed.
struct StationRound {
  double seconds = 0;  // from the start signal until the last station ended
  int lines = 0;
  std::string error;  // empty when every station ended well
};

// Starts one `zpk station` process per entry of `workloads` (the workload's
// own arguments) running `count` times on the server database, waits until
// all are connected, releases them at once and times them to the end. A
// station that fails, or fewer lines than count per station (`what` names
// them in the message), fail the round.
inline StationRound run_station_round(const ServerBench& s,
                                      const std::vector<std::vector<std::string>>& workloads, int count,
                                      const std::string& what) {
  std::vector<std::vector<std::string>> processes;
  for (size_t i = 0; i < workloads.size(); ++i) {
    std::vector<std::string> args{s.zpk.string(), "station"};
    args.insert(args.end(), workloads[i].begin(), workloads[i].end());
    for (const std::string& a :
         {std::string("--db"), s.location, std::string("--empresa"), std::string("001"),
          std::string("--usuario"), std::string("ADMIN"), std::string("--count"), std::to_string(count),
          std::string("--station"), std::to_string(i), std::string("--start-file"), std::string("{start}")}) {
      args.push_back(a);
    }
    processes.push_back(std::move(args));
  }
  StationRound round;
  std::chrono::duration<double> released_for{0};
  std::vector<test::StationResult> results;
  try {
    results = test::run_together(processes, {}, std::chrono::seconds(300), &released_for);
  } catch (const std::exception& e) {
    round.error = e.what();
    return round;
  }
  round.seconds = released_for.count();
  for (size_t i = 0; i < results.size(); ++i) {
    round.lines += static_cast<int>(results[i].lines.size());
    if (round.error.empty() && !results[i].ok()) {
      round.error = "station " + std::to_string(i) + " failed: " + results[i].errors;
    }
  }
  const int expected = count * static_cast<int>(workloads.size());
  if (round.error.empty() && round.lines != expected) {
    round.error = "the stations printed " + std::to_string(round.lines) + " " + what + ", not " +
                  std::to_string(expected);
  }
  return round;
}

}  // namespace zpk::bench
