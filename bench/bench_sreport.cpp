// Cost of opening a report in the preview window without the window:
// CriaReport on a calling screen of 40 controls (screen datasets rebuilt,
// layout found by name in the shared folder, loaded and prepared) against
// the floor of loading and preparing the same layout file directly with the
// screen record already built.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <fmt/format.h>

#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "reporting/sreport.hpp"

namespace {

namespace fs = std::filesystem;
using namespace zpk;

constexpr int kControls = 40;

// A station in a temporary folder whose shared folder holds the layout
// WBENCH: a title band printing every control's field.
class BenchStation {
 public:
  BenchStation() {
    fs::create_directories(base_ / "programa");
    fs::create_directories(base_ / "servidor" / "layout");
    set_program_folder(base_ / "programa");
    set_user_settings_folder(base_ / "usuario");
    GravaIni("Caminho", "path", (base_ / "servidor").string(), Tabela.ArquivoIni);
    std::string layout = "report title=\"Bancada [vUsuario]\"\npage size=A4\nband title height=250\n";
    for (int i = 0; i < kControls; ++i) {
      layout += fmt::format("  text x=0 y={} w=190 h=5 text=\"[Tela.edt{}]\"\n", i * 6, i);
    }
    std::ofstream(layout_file()) << layout;
  }
  ~BenchStation() {
    set_program_folder({});
    set_user_settings_folder({});
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  fs::path layout_file() const { return base_ / "servidor" / "layout" / "WBENCH.prt"; }

  // The calling screen: edits, check boxes and radio groups in turn.
  static std::vector<TControlValue> controls() {
    std::vector<TControlValue> list;
    for (int i = 0; i < kControls; ++i) {
      const auto kind = i % 3 == 0 ? TControlKind::check_box
                                   : (i % 3 == 1 ? TControlKind::radio_group : TControlKind::edit);
      list.push_back({kind, fmt::format("edt{}", i), 90, fmt::format("valor {}", i), i % 2 == 0, i % 4});
    }
    return list;
  }

 private:
  fs::path base_ = fs::temp_directory_path() / fmt::format("zpk-bench-sreport-{}", ::getpid());
};

void BM_CriaReport(benchmark::State& state) {
  BenchStation station;
  TFmSReport fm;
  fm.NomeLayout = "WBENCH";
  fm.Origem = BenchStation::controls();
  for (auto _ : state) {
    fm.CriaReport();
    benchmark::DoNotOptimize(fm.PageCount());
  }
}
BENCHMARK(BM_CriaReport)->Unit(benchmark::kMicrosecond);

// The floor: the layout file loaded and prepared over a screen record built once.
void BM_CriaReport_floor(benchmark::State& state) {
  BenchStation station;
  TClientDataSet tela("Tela");
  tela.FieldDefs.Add("Vazio", ftString, 1);
  for (int i = 0; i < kControls; ++i) tela.FieldDefs.Add(fmt::format("edt{}", i), ftString, 15);
  tela.CreateDataSet();
  tela.Append();
  for (int i = 0; i < kControls; ++i) tela.Fields(i + 1).AsString = fmt::format("valor {}", i);
  tela.Post();
  tela.First();
  const std::string file = station.layout_file().string();
  for (auto _ : state) {
    TprReport report;
    report.AddDataSet("Tela", tela);
    report.LoadTemplateFromFile(file);
    report.Prepare();
    benchmark::DoNotOptimize(report.GetEndPagesCount());
  }
}
BENCHMARK(BM_CriaReport_floor)->Unit(benchmark::kMicrosecond);

}  // namespace
