// The report engine's output: PDF pages per second against a floor that draws
// the same texts straight with cairo and pango, XLSX rows per second, and the
// peak memory of a whole print (prepare + PDF) at 100 and 1,000 pages.
#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "reporting/report.hpp"

namespace {

constexpr const char* kLayout = R"prt(page size=A4 margin=10
group name=G key="ITENS.GRUPO"
band title height=12
  text x=0 y=0 w=190 h=10 text="Lista de itens" size=14 bold=yes
band pageheader height=8
  text x=0 y=0 w=30 h=5 text="Código" bold=yes
  text x=30 y=0 w=110 h=5 text="Descrição" bold=yes
  text x=140 y=0 w=50 h=5 text="Página [Page] de [TotalPages]" align=right
band groupheader group=G height=7
  text x=0 y=0 w=100 h=7 text="Grupo [ITENS.GRUPO]" bold=yes
band detail dataset=ITENS height=5
  text x=0 y=0 w=30 h=5 text="[ITENS.CODIGO]"
  text x=30 y=0 w=110 h=5 text="[ITENS.DESCRICAO]"
  text x=140 y=0 w=50 h=5 text="[ITENS.VALOR]" format="#,##0.00" align=right
band groupfooter group=G height=7
  text x=0 y=0 w=100 h=7 text="Total do grupo [ITENS.GRUPO]"
  text x=140 y=0 w=50 h=7 text="[SUM(ITENS.VALOR)]" format="#,##0.00" align=right
band summary height=10
  text x=140 y=0 w=50 h=7 text="[SUM(ITENS.VALOR)]" format="#,##0.00" align=right
band pagefooter height=6
  text x=0 y=0 w=190 h=5 text="Lista de itens"
)prt";

// About 50 records fill a page, with its group bands; 100 records make a group.
void fill(zpk::TClientDataSet& items, int pages) {
  items.FieldDefs.Add("GRUPO", zpk::ftString, 6);
  items.FieldDefs.Add("CODIGO", zpk::ftInteger);
  items.FieldDefs.Add("DESCRICAO", zpk::ftString, 60);
  items.FieldDefs.Add("VALOR", zpk::ftFloat);
  items.CreateDataSet();
  const int rows = pages * 50;
  for (int i = 1; i <= rows; ++i) {
    items.AppendRecord({fmt::format("G{:04}", (i - 1) / 100 + 1), i,
                        fmt::format("TECIDO PLANO {} ALGODÃO 1,60 M COR {}", i % 97, i % 13), i * 1.25});
  }
}

std::string temp_file(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

// The engine: a prepared report written to PDF (rendering only).
void BM_Pdf_Engine(benchmark::State& state) {
  zpk::TClientDataSet items;
  fill(items, static_cast<int>(state.range(0)));
  zpk::TprReport report;
  report.LoadTemplateFromText(kLayout, "BENCH.prt");
  report.AddDataSet("ITENS", items);
  report.Prepare();
  const std::string pdf = temp_file("bench-relatorio-engine.pdf");
  for (auto _ : state) report.export_to_pdf(pdf);
  state.counters["pages"] = report.GetEndPagesCount();
  state.counters["pages/s"] =
      benchmark::Counter(report.GetEndPagesCount(), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Pdf_Engine)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prepare alone (laying the pages out, evaluating every expression).
void BM_Prepare(benchmark::State& state) {
  zpk::TClientDataSet items;
  fill(items, static_cast<int>(state.range(0)));
  zpk::TprReport report;
  report.LoadTemplateFromText(kLayout, "BENCH.prt");
  report.AddDataSet("ITENS", items);
  for (auto _ : state) report.Prepare();
  state.counters["pages/s"] =
      benchmark::Counter(report.GetEndPagesCount(), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Prepare)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same texts at the same places in the same fonts, drawn
// with one pango layout each straight onto a cairo PDF surface.
void BM_Pdf_Floor(benchmark::State& state) {
  zpk::TClientDataSet items;
  fill(items, static_cast<int>(state.range(0)));
  zpk::TprReport report;
  report.LoadTemplateFromText(kLayout, "BENCH.prt");
  report.AddDataSet("ITENS", items);
  report.Prepare();
  struct Text {
    double x, y, w;
    bool bold, right;
    double size;
    std::string text;
  };
  std::vector<std::vector<Text>> pages;
  for (int p = 0; p < report.GetEndPagesCount(); ++p) {
    pages.emplace_back();
    for (const auto& o : report.GetEndPage(p).Objects) {
      pages.back().push_back(
          {o.Left, o.Top, o.Width, o.Font.Bold, o.Align == zpk::TprAlign::Right, o.Font.Size, o.Text});
    }
  }
  const std::string pdf = temp_file("bench-relatorio-floor.pdf");
  const double to_points = 72 / 25.4;
  for (auto _ : state) {
    cairo_surface_t* surface = cairo_pdf_surface_create(pdf.c_str(), 210 * to_points, 297 * to_points);
    cairo_t* cr = cairo_create(surface);
    PangoFontDescription* fonts[2];
    for (int b = 0; b < 2; ++b) {
      fonts[b] = pango_font_description_from_string(b ? "Sans Bold" : "Sans");
    }
    for (const auto& page : pages) {
      cairo_save(cr);
      cairo_scale(cr, to_points, to_points);
      for (const auto& t : page) {
        PangoLayout* layout = pango_cairo_create_layout(cr);
        pango_font_description_set_absolute_size(fonts[t.bold], t.size * 25.4 / 72 * PANGO_SCALE);
        pango_layout_set_font_description(layout, fonts[t.bold]);
        pango_layout_set_text(layout, t.text.c_str(), -1);
        double x = t.x;
        if (t.right) {
          int w, h;
          pango_layout_get_size(layout, &w, &h);
          x += t.w - static_cast<double>(w) / PANGO_SCALE;
        }
        cairo_move_to(cr, x, t.y);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
      }
      cairo_restore(cr);
      cairo_show_page(cr);
    }
    for (auto* f : fonts) pango_font_description_free(f);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  }
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Pdf_Floor)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// XLSX of 10,000 records (the prepared pages copied into one sheet).
void BM_Xlsx_10000Rows(benchmark::State& state) {
  zpk::TClientDataSet items;
  fill(items, 10000 / 50);
  zpk::TprReport report;
  report.LoadTemplateFromText(kLayout, "BENCH.prt");
  report.AddDataSet("ITENS", items);
  report.Prepare();
  const std::string xlsx = temp_file("bench-relatorio.xlsx");
  for (auto _ : state) report.export_to_xlsx(xlsx);
  state.counters["rows/s"] =
      benchmark::Counter(items.RecordCount(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pages"] = report.GetEndPagesCount();
}
BENCHMARK(BM_Xlsx_10000Rows)->Unit(benchmark::kMillisecond)->UseRealTime();

// A figure of /proc/self/status in MiB ("VmHWM", the resident high-water
// mark, or "VmRSS").
double status_mib(const char* key) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  double kib = -1;
  const size_t n = std::strlen(key);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, key, n) == 0 && line[n] == ':') kib = std::atof(line + n + 1);
  }
  std::fclose(f);
  return kib / 1024;
}

// Peak resident memory of a whole print in a child process: it resets its
// high-water mark after the fork, then builds the records, prepares and
// writes the PDF of `pages` pages. Counters (MiB): "start" what the child
// holds from the benchmark process, then how much the high-water mark rose
// for the records ("data"), Prepare's pages ("prepare") and the PDF ("pdf").
void BM_PeakMemory(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  double result[5] = {0, 0, 0, 0, 0};
  for (auto _ : state) {
    int fds[2];
    if (::pipe(fds) != 0) state.SkipWithError("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      // "5" resets the peak resident size to the current one (Linux 4.0+).
      if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
      }
      double r[5];
      r[0] = status_mib("VmRSS");
      zpk::TClientDataSet items;
      fill(items, pages);
      r[1] = status_mib("VmHWM");
      zpk::TprReport report;
      report.LoadTemplateFromText(kLayout, "BENCH.prt");
      report.AddDataSet("ITENS", items);
      report.Prepare();
      r[2] = status_mib("VmHWM");
      report.export_to_pdf(temp_file("bench-relatorio-memory.pdf"));
      r[3] = status_mib("VmHWM");
      r[4] = report.GetEndPagesCount();
      if (::write(fds[1], r, sizeof r) != sizeof r) ::_exit(1);
      ::_exit(0);
    }
    ::close(fds[1]);
    if (::read(fds[0], result, sizeof result) != sizeof result) state.SkipWithError("child failed");
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  state.counters["start"] = result[0];
  state.counters["data"] = result[1] - result[0];
  state.counters["prepare"] = result[2] - result[1];
  state.counters["pdf"] = result[3] - result[2];
  state.counters["peak"] = result[3];
  state.counters["pages"] = result[4];
}
BENCHMARK(BM_PeakMemory)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
