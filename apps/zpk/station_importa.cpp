// Station workload "importa FILE": imports a movement file with stock
// posting, as a station of a multi-station test, and prints one line
// "inserted N changed M errors K" followed by one "error LINE: message" line
// per skipped line.
#include <ostream>

#include <fmt/format.h>

#include "inventory/sis_importa.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const RegisterStationWorkload kImporta{
    "importa", {"FILE", [](StationContext& ctx) {
                  TSisImporta imp;
                  imp.Arquivo = ctx.args.at(0);
                  imp.Estoque = true;
                  imp.Importar();
                  ctx.out << fmt::format("inserted {} changed {} errors {}\n", imp.inserted(), imp.changed(),
                                         imp.errors().size());
                  for (const ImportLineError& e : imp.errors()) {
                    ctx.out << fmt::format("error {}: {}\n", e.linha, e.mensagem);
                  }
                }}};

}  // namespace
}  // namespace zpk::cli
