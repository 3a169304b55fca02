// Opening the report preview window on a prepared report of 100 pages until
// its first page is visible (window built, page drawn by the renderer into a
// picture, shown and painted), against the floor of drawing that page into
// a PNG and reading it back as an image, the work the window cannot avoid.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QImage>

#include "platform/dataset/client_dataset.hpp"
#include "platform/settings/user_settings.hpp"
#include "reporting/report.hpp"
#include "reporting/sreport.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/detail/preview_window.hpp"

namespace {

namespace fs = std::filesystem;
using namespace zpk;

// A4 pages of 40 detail lines: 4000 records make 100 pages.
constexpr const char* kLayout = R"(report title="Itens"
page size=A4 margin=10
band pageheader height=15
  text x=0 y=0 w=190 h=8 text="Lista de itens - página [Page]"
band detail dataset=ITENS height=6.5
  text x=0 y=0 w=30 h=5 text="[ITENS.CODIGO]"
  text x=35 y=0 w=120 h=5 text="Tecido sarja em rolos, cor [ITENS.CODIGO]"
  text x=160 y=0 w=30 h=5 text="[ITENS.CODIGO]" align=right
)";

// A prepared report of 100 pages, with the user's zoom kept in a temporary folder.
struct Relatorio {
  fs::path base = fs::temp_directory_path() / ("zpk-bench-qtpreview-" + std::to_string(::getpid()));
  TClientDataSet items;
  TprReport report;

  Relatorio() {
    fs::create_directories(base);
    set_user_settings_folder(base);
    zpk::ui::aplicacao_qt();
    items.FieldDefs.Add("CODIGO", ftInteger);
    items.CreateDataSet();
    report.LoadTemplateFromText(kLayout, "ITENS.prt");
    report.AddDataSet("ITENS", items);
    for (int i = 1; i <= 4000; ++i) items.AppendRecord({i});
    report.Prepare();
  }
  ~Relatorio() {
    set_user_settings_folder({});
    std::error_code ec;
    fs::remove_all(base, ec);
  }
};

Relatorio& relatorio() {
  static Relatorio r;
  return r;
}

void BM_AbrePreview100Paginas(benchmark::State& state) {
  Relatorio& r = relatorio();
  for (auto _ : state) {
    auto form = std::make_unique<TFmSReport>();
    form->Report = &r.report;
    zpk::ui::PreviewWindow window(std::move(form));
    window.show();
    QApplication::processEvents();  // painted
    benchmark::DoNotOptimize(window.page_image().width());
  }
  state.counters["pages"] = r.report.GetEndPagesCount();
}
BENCHMARK(BM_AbrePreview100Paginas)->Unit(benchmark::kMillisecond);

void BM_Floor_DesenhaPrimeiraPagina(benchmark::State& state) {
  Relatorio& r = relatorio();
  const std::string file = (r.base / "pagina.png").string();
  for (auto _ : state) {
    r.report.export_page_to_png(0, file, 96);
    QImage image(QString::fromStdString(file));
    benchmark::DoNotOptimize(image.width());
  }
  state.counters["pages"] = r.report.GetEndPagesCount();
}
BENCHMARK(BM_Floor_DesenhaPrimeiraPagina)->Unit(benchmark::kMillisecond);

}  // namespace
