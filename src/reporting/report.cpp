#include "reporting/report.hpp"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "platform/ui/dialog_service.hpp"

#include "platform/rtl/strings.hpp"
#include "reporting/detail/layout_parser.hpp"
#include "reporting/detail/page_builder.hpp"
#include "reporting/preview.hpp"
#include "reporting/print_queue.hpp"
#include "reporting/renderer.hpp"
#include "reporting/xlsx_export.hpp"

namespace zpk {
namespace {

// Reads a TClientDataSet or a TTIQuery, which share their navigation and
// field access.
template <class DataSet>
class DataSetRows : public detail::RowSource {
 public:
  explicit DataSetRows(DataSet& dataset) : dataset_(dataset) {}
  std::vector<std::string> FieldNames() override {
    std::vector<std::string> names;
    for (int i = 0; i < dataset_.FieldCount(); ++i) names.push_back(dataset_.Fields(i).FieldName());
    return names;
  }
  void First() override { dataset_.First(); }
  bool Eof() override { return dataset_.Eof(); }
  void Next() override { dataset_.Next(); }
  void Read(std::vector<Variant>& values) override {
    values.resize(static_cast<size_t>(dataset_.FieldCount()));
    for (int i = 0; i < dataset_.FieldCount(); ++i) values[static_cast<size_t>(i)] = dataset_.Fields(i).Value;
  }

 private:
  DataSet& dataset_;
};

}  // namespace

TprVariable& TprVariables::AddVariable() {
  items_.push_back(std::make_unique<TprVariable>());
  return *items_.back();
}

TprVariable& TprVariables::Items(int index) {
  if (index < 0 || index >= Count()) throw EZpkError(fmt::format("report variable {} does not exist", index));
  return *items_[static_cast<size_t>(index)];
}

const TprVariable* TprVariables::ByName(std::string_view name) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (SameText((*it)->Name, name)) return it->get();
  }
  return nullptr;
}

const Variant& TprParameters::at(int index) const {
  if (index < 0 || index >= Count()) {
    throw EZpkError(fmt::format("function parameter {} does not exist ({} given)", index, Count()));
  }
  return values_[static_cast<size_t>(index)];
}

TprCustomReport::TprCustomReport() = default;
TprCustomReport::~TprCustomReport() = default;

void TprCustomReport::LoadTemplateFromFile(const std::string& FileName) {
  ClearTemplate();
  layout_ = std::make_unique<TprLayout>(detail::LoadLayout(FileName));
}

void TprCustomReport::LoadTemplateFromText(std::string_view Text, const std::string& FileName) {
  ClearTemplate();
  layout_ = std::make_unique<TprLayout>(detail::ParseLayout(Text, FileName));
}

void TprCustomReport::ClearTemplate() {
  layout_.reset();
  pages_.clear();
}

void TprCustomReport::bind(const std::string& name, std::unique_ptr<detail::RowSource> source) {
  for (auto& d : datasets_) {
    if (SameText(d.name, name)) {
      d.source = std::move(source);
      return;
    }
  }
  datasets_.push_back(BoundDataSet{name, std::move(source)});
}

void TprCustomReport::AddDataSet(const std::string& Name, TClientDataSet& DataSet) {
  bind(Name, std::make_unique<DataSetRows<TClientDataSet>>(DataSet));
}

void TprCustomReport::AddDataSet(const std::string& Name, TTIQuery& Query) {
  bind(Name, std::make_unique<DataSetRows<TTIQuery>>(Query));
}

namespace {

detail::BuildContext make_context(TprCustomReport& report,
                                  std::vector<std::pair<std::string, detail::RowSource*>> sets,
                                  const TprVariables& variables, const TprUnknownFunctionEvent& hook,
                                  int max_pages) {
  detail::BuildContext context;
  context.DataSet = [sets = std::move(sets)](std::string_view name) -> detail::RowSource* {
    for (const auto& [n, s] : sets) {
      if (SameText(n, name)) return s;
    }
    return nullptr;
  };
  context.Variable = [&variables](std::string_view name) -> const Variant* {
    const TprVariable* v = variables.ByName(name);
    return v ? &v->Value() : nullptr;
  };
  context.Function = [&report, &hook](const std::string& name, const std::vector<Variant>& args,
                                      Variant& value) {
    if (!hook) return false;
    bool processed = false;
    hook(report, name, TprParameters(args), static_cast<int>(args.size()), value, processed);
    return processed;
  };
  context.MaxPages = max_pages;
  return context;
}

}  // namespace

bool TprCustomReport::Prepare() {
  pages_.clear();
  if (!layout_) return false;
  std::vector<std::pair<std::string, detail::RowSource*>> sets;
  for (auto& d : datasets_) sets.emplace_back(d.name, d.source.get());
  const auto context = make_context(*this, std::move(sets), Variables, OnUnknownFunction, MaxPages);
  pages_ = detail::BuildPages(*layout_, context);
  return !pages_.empty();
}

const TprPage& TprCustomReport::GetEndPage(int index) const {
  if (index < 0 || index >= GetEndPagesCount()) {
    throw EZpkError(fmt::format("page {} was not prepared ({} pages)", index, GetEndPagesCount()));
  }
  return pages_[static_cast<size_t>(index)];
}

bool TprCustomReport::FormatTemplate(const std::string& Template, std::string& Result) {
  std::vector<std::pair<std::string, detail::RowSource*>> sets;
  const auto context = make_context(*this, std::move(sets), Variables, OnUnknownFunction, MaxPages);
  try {
    Result = detail::ExpandText(layout_.get(), context, Template);
    return true;
  } catch (const EZpkError&) {
    return false;
  }
}

void TprReport::export_to_pdf(const std::string& FileName) const {
  render_pdf(end_pages(), FileName);
}

void TprReport::export_page_to_png(int Index, const std::string& FileName, double Dpi) const {
  render_png(GetEndPage(Index), FileName, Dpi);
}

void TprReport::export_to_xlsx(const std::string& FileName) const {
  export_pages_to_xlsx(end_pages(), FileName);
}

bool TprCustomReport::SetupPrintParams() {
  InputRequest request;
  request.kind = DialogKind::print_setup;
  request.caption = "Configurar impressão";
  request.prompt = "Impressora";
  request.items = impressoras_instaladas();
  request.value = PrinterName;
  request.buttons = {"&OK", "&Cancelar"};
  const std::optional<std::string> answer = dialog_service().show_input(request);
  if (!answer) return false;
  PrinterName = Trim(*answer);
  return true;
}

bool TprCustomReport::PrintPreparedReportDlg() {
  if (!SetupPrintParams()) return false;
  PrintPreparedReport();
  return true;
}

void TprCustomReport::PrintPreparedReport() {
  if (pages_.empty()) throw EZpkError("Não há páginas preparadas para imprimir.");
  namespace fs = std::filesystem;
  // The job is written to a private temporary file: lp copies it into the
  // spool before it returns, so the file goes away right after.
  std::error_code ec;
  const fs::path temp =
      fs::temp_directory_path(ec) /
      fmt::format("zpk-print-{}-{}{}", ::getpid(), static_cast<const void*>(this), print_file_extension());
  struct Remove {
    const fs::path& path;
    ~Remove() {
      std::error_code ignored;
      fs::remove(path, ignored);
    }
  } remove{temp};
  write_print_file(temp.string());
  const std::string job = layout_ ? fs::path(layout_->FileName).stem().string() : std::string("relatorio");
  const PrintOutcome outcome = send_to_print_queue(temp, PrinterName, print_raw(), job);
  last_print_file_ = outcome.file;
}

void TprCustomReport::PreviewPreparedReport() {
  PreviewRequest request;
  request.report = this;
  request.layout = layout_ ? std::filesystem::path(layout_->FileName).stem().string() : std::string();
  request.caption = layout_ ? layout_->Title : std::string();
  request.prepared = true;
  preview_host().show_preview(request);
}

}  // namespace zpk
