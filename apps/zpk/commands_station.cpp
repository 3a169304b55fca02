// `zpk station WORKLOAD ...`: one station of a multi-station test. It connects
// like `zpk call`, optionally waits at a start barrier with its peers, and runs
// a registered workload that prints one line per result. The "counter"
// workload here exercises the database layer: increments of one shared row
// that must never be lost or handed out twice.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "platform/db/cancellation.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"
#include "station.hpp"

namespace zpk::cli {

std::map<std::string, StationWorkload>& station_workloads() {
  static std::map<std::string, StationWorkload> registry;
  return registry;
}

}  // namespace zpk::cli

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct StationOptions {
  std::string workload;
  std::vector<std::string> args;
  int count = 1;
  int station = 0;
  std::string start_file;
  bool list = false;
};

// How long a station waits for the start signal before giving up: long
// enough for a slow machine to start every peer.
constexpr auto kStartTimeout = 300s;

// Tells the starter this station is connected, then waits until the start file appears.
void wait_for_start(const fs::path& start_file) {
  const fs::path ready = start_file.string() + ".ready." + std::to_string(::getpid());
  {
    std::ofstream out(ready);
    if (!out) throw zpk::EZpkError("cannot create " + ready.string());
  }
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!fs::exists(start_file)) {
    // A station stopped before the start ends as promptly as one stopped mid-run.
    zpk::throw_if_stop_requested();
    if (std::chrono::steady_clock::now() > deadline) {
      throw zpk::EZpkError("no start signal (" + start_file.string() + ") within the timeout");
    }
    std::this_thread::sleep_for(1ms);
  }
}

void list_workloads(std::ostream& out) {
  for (const auto& [name, workload] : zpk::cli::station_workloads()) {
    out << name << ' ' << workload.usage << '\n';
  }
}

// --count is a whole number of operations, 0 or more (CLI11's own range
// check would print the whole range of a double).
const CLI::Validator kCount(
    [](const std::string& text) -> std::string {
      int value = 0;
      if (zpk::TryStrToInt(text, value) && value >= 0) return {};
      return "'" + text + "' is not a number of operations (a whole number, 0 or more)";
    },
    "COUNT");

const zpk::cli::RegisterCommand kStationCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<StationOptions>();
  CLI::App* cmd = app.add_subcommand(
      "station",
      "one station of a multi-station test: zpk station WORKLOAD [ARG...] --db host:path --count N");
  cmd->add_option("WORKLOAD", o->workload, "what to run (`zpk station --list` lists them)");
  cmd->add_option("ARG", o->args, "the workload's arguments");
  add_session_options(*cmd, options);
  cmd->add_option("--count", o->count, "how many operations")->capture_default_str()->check(kCount);
  cmd->add_option("--station", o->station, "this station's number among its peers")->capture_default_str();
  cmd->add_option("--start-file", o->start_file,
                  "after connecting, create FILE.ready.<pid> and wait until FILE exists");
  cmd->add_flag("--list", o->list, "list the workloads");

  cmd->callback([o, &options] {
    if (o->list) {
      list_workloads(std::cout);
      return;
    }
    auto& workloads = zpk::cli::station_workloads();
    auto it = workloads.find(o->workload);
    if (it == workloads.end()) {
      throw zpk::EZpkError(
          fmt::format("unknown workload '{}'; `zpk station --list` lists them", o->workload));
    }
    // main() queues --answer only after the command has run: the workload's dialogs need them now.
    if (auto* headless = dynamic_cast<zpk::HeadlessDialogs*>(&zpk::dialog_service())) {
      headless->reply_all(options.answers);
    }
    zpk::cli::CallSession session(options);
    if (!o->start_file.empty()) wait_for_start(o->start_file);
    zpk::cli::StationContext ctx{options, o->count, o->station, o->args, std::cout, std::cerr};
    it->second.run(ctx);
    std::cout.flush();
  });
}};

// ---------------------------------------------------------------------------
// "counter": increments of one row of the company's CODIGOS table (TABELA
// "ZPK_STATION", CAMPO the counter's name), each in its own transaction.

// The value this station got: reads the counter, writes the next value only
// where the row still holds what was read, and commits. A row moved by
// another station, an update conflict or a lost race to create the row is
// rolled back and retried; `conflicts` counts those.
int64_t increment_counter(const std::string& table, const std::string& name, int& conflicts) {
  zpk::TTIDatabase& db = zpk::Tabela.IBDatabase;
  zpk::TTITransaction& tx = zpk::Tabela.IBTransaction;
  return zpk::retry_on_conflict(
      [&]() -> int64_t {
        try {
          zpk::TTIQuery read(db);
          read.SQL.Add("SELECT PROXIMO FROM " + table + " WHERE TABELA = :TABELA AND CAMPO = :CAMPO");
          read.ParamByName("TABELA").AsString = "ZPK_STATION";
          read.ParamByName("CAMPO").AsString = name;
          read.Open();
          if (read.IsEmpty()) {
            zpk::TTIQuery create(db);
            create.SQL.Add("INSERT INTO " + table +
                           " (TABELA, CAMPO, PROXIMO) VALUES (:TABELA, :CAMPO, '1')");
            create.ParamByName("TABELA").AsString = "ZPK_STATION";
            create.ParamByName("CAMPO").AsString = name;
            create.ExecSQL();
            tx.Commit();
            return 1;
          }
          const int64_t current = read.FieldByName("PROXIMO").AsLargeInt();
          zpk::TTIQuery update(db);
          update.SQL.Add("UPDATE " + table + " SET PROXIMO = :NOVO");
          update.SQL.Add("WHERE TABELA = :TABELA AND CAMPO = :CAMPO AND PROXIMO = :ATUAL");
          update.ParamByName("NOVO").AsString = std::to_string(current + 1);
          update.ParamByName("TABELA").AsString = "ZPK_STATION";
          update.ParamByName("CAMPO").AsString = name;
          update.ParamByName("ATUAL").AsString = std::to_string(current);
          update.ExecSQL();
          if (update.RowsAffected() != 1) {
            throw zpk::EDatabaseError(zpk::DatabaseErrorKind::conflict,
                                      "the counter moved since it was read");
          }
          tx.Commit();
          return current + 1;
        } catch (const zpk::EDatabaseError& e) {
          tx.Rollback();
          if (e.kind() == zpk::DatabaseErrorKind::unique_violation) {
            ++conflicts;
            throw zpk::EDatabaseError(zpk::DatabaseErrorKind::conflict,
                                      "another station created the counter");
          }
          if (e.is_conflict()) ++conflicts;
          throw;
        }
      },
      zpk::kDefaultRetryPolicy);
}

const zpk::cli::RegisterStationWorkload kCounter{
    "counter",
    {"[NAME]: COUNT increments of a shared counter, printing each value obtained",
     [](zpk::cli::StationContext& ctx) {
       const std::string name = ctx.args.empty() ? "COUNTER" : ctx.args.front();
       const std::string table = "CODIGOS" + zpk::Tabela.SufixoEmpresa;
       int conflicts = 0;
       for (int i = 0; i < ctx.count; ++i) ctx.out << increment_counter(table, name, conflicts) << '\n';
       ctx.log << fmt::format("station {}: {} increments, {} conflicts retried\n", ctx.station, ctx.count,
                              conflicts);
     }}};

}  // namespace
