// Workloads of `zpk station`: one station's share of a multi-station test.
// Each file of this folder registers its own workloads by name, so a later
// subsystem adds one ("proximo", "lock-pedido", "movimenta") without touching
// the command:
//
//   const zpk::cli::RegisterStationWorkload kProximo{"proximo", {"TABELA CAMPO", [](auto& ctx) {
//     for (int i = 0; i < ctx.count; ++i) ctx.out << Proximo(ctx.args.at(0), ctx.args.at(1)) << '\n';
//   }}};
//
//   zpk station WORKLOAD [ARG...] --db host:path --empresa 001 --usuario U --count N
//               [--station I] [--start-file F]
//
// Before the workload runs, Tabela is connected for --empresa and vUsuario is
// --usuario (as for `zpk call`). With --start-file, the station then creates
// "F.ready.<pid>" and waits until F exists: the test starts all stations at once.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "registry.hpp"

namespace zpk::cli {

// What a workload gets: the connection options, how many operations to do,
// this station's number among its peers, the arguments after the workload's
// name, and where to print its results (one line per result).
struct StationContext {
  const CallOptions& options;
  int count;
  int station;
  const std::vector<std::string>& args;
  std::ostream& out;
  // Notes for people (retry counts, timings) go here, not to `out`.
  std::ostream& log;
};

struct StationWorkload {
  std::string usage;  // its arguments, e.g. "TABELA CAMPO"
  std::function<void(StationContext&)> run;
};

// Every workload by name.
std::map<std::string, StationWorkload>& station_workloads();

// Registers at static-initialisation time.
struct RegisterStationWorkload {
  RegisterStationWorkload(const std::string& name, StationWorkload workload) {
    station_workloads()[name] = std::move(workload);
  }
};

}  // namespace zpk::cli
