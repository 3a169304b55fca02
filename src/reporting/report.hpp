// TprReport: the graphic report. Loads a layout file, is given its
// datasets and variables, and Prepare lays the pages out; the prepared pages
// are read back with GetEndPagesCount and GetEndPage.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dataset/client_dataset.hpp"
#include "platform/db/query.hpp"
#include "reporting/layout.hpp"

namespace zpk {

namespace detail {
class RowSource;
}

// A report variable layouts read by name ("vUsuario").
class TprVariable {
 public:
  std::string Name;
  void SetAsString(const std::string& value) { value_ = Variant(value); }
  void SetAsDouble(double value) { value_ = Variant(value); }
  void SetAsInteger(int64_t value) { value_ = Variant(value); }
  void SetAsDateTime(TDateTime value) { value_ = Variant(value); }
  const Variant& Value() const { return value_; }

 private:
  Variant value_ = Variant::MakeNull();
};

class TprVariables {
 public:
  // Adds a variable with no name and a null value, and returns it.
  TprVariable& AddVariable();
  int Count() const { return static_cast<int>(items_.size()); }
  TprVariable& Items(int index);
  // The last variable added under `name` (any case), or nullptr.
  const TprVariable* ByName(std::string_view name) const;
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TprVariable>> items_;
};

// The parameters of a function call the engine does not know.
class TprParameters {
 public:
  explicit TprParameters(const std::vector<Variant>& values) : values_(values) {}
  int Count() const { return static_cast<int>(values_.size()); }
  // The 0-based parameter `index` read as each type; raises EZpkError outside the range.
  std::string AsString(int index) const { return at(index).AsString(); }
  int64_t AsInteger(int index) const { return at(index).AsInteger(); }
  double AsDouble(int index) const { return at(index).AsFloat(); }
  TDateTime AsDateTime(int index) const { return at(index).AsDateTime(); }
  const Variant& AsVariant(int index) const { return at(index); }

 private:
  const Variant& at(int index) const;
  const std::vector<Variant>& values_;
};

class TprCustomReport;

// Called for a function the layout calls and the engine does not know;
// the handler sets Value (text, integer, double or Boolean) and IsProcessed.
using TprUnknownFunctionEvent =
    std::function<void(TprCustomReport& Sender, const std::string& FuncName, const TprParameters& Parameters,
                       int ParametersCount, Variant& Value, bool& IsProcessed)>;

// What graphic and text reports share: template, datasets, variables, pages.
class TprCustomReport {
 public:
  TprCustomReport();
  virtual ~TprCustomReport();
  TprCustomReport(const TprCustomReport&) = delete;
  TprCustomReport& operator=(const TprCustomReport&) = delete;

  // Replaces the template by the layout file; raises ELayoutError (file and
  // line) when it cannot be used, leaving the report without a template.
  void LoadTemplateFromFile(const std::string& FileName);
  // Replaces the template by a layout given as text; `FileName` names it in errors.
  void LoadTemplateFromText(std::string_view Text, const std::string& FileName);
  // Empties the template and the prepared pages.
  void ClearTemplate();
  // The loaded template, or nullptr.
  const TprLayout* Template() const { return layout_.get(); }

  // Binds a dataset under the name the layout gives it (replacing one bound
  // under that name). The dataset must outlive Prepare.
  void AddDataSet(const std::string& Name, TClientDataSet& DataSet);
  void AddDataSet(const std::string& Name, TTIQuery& Query);

  // Builds the pages from the template and its datasets; false when nothing
  // was produced (no template, or no record for the detail band). Raises
  // ELayoutError naming the layout's file and line when the data cannot be
  // printed by it (an unknown field or function, a bad barcode, more pages
  // than MaxPages).
  bool Prepare();
  int GetEndPagesCount() const { return static_cast<int>(pages_.size()); }
  // The prepared page at 0-based `index`; raises EZpkError outside the range.
  const TprPage& GetEndPage(int index) const;

  // Expands the [expressions] of Template with the report's variables;
  // false (Result unchanged) when one cannot be evaluated.
  bool FormatTemplate(const std::string& Template, std::string& Result);

  // The engine shows no progress window, so there is none to close.
  void CloseProgressForm() {}

  // Printing. Jobs go to the station's CUPS queue (print_queue.hpp); with no
  // printer at all they are written to a file whose path LastPrintFile gives.

  // The print set-up dialog: the station's printers with PrinterName
  // selected. True when confirmed; the printer chosen becomes PrinterName.
  bool SetupPrintParams();
  // The set-up dialog, then the prepared pages printed when it was
  // confirmed; false (nothing printed) when it was cancelled.
  bool PrintPreparedReportDlg();
  // Prints the prepared pages without a dialog on PrinterName, else on the
  // user's default printer, else to a file. Raises EZpkError when nothing is
  // prepared or the queue refuses the job.
  void PrintPreparedReport();
  // Hands the prepared report to the preview hook (preview.hpp).
  void PreviewPreparedReport();
  // The file the last print job was written to instead of a printer ("" when it was printed).
  const std::string& LastPrintFile() const { return last_print_file_; }

  // The printer jobs go to; empty: the user's default printer.
  std::string PrinterName;

  TprVariables Variables;
  TprUnknownFunctionEvent OnUnknownFunction;
  // Prepare refuses layouts that would need more pages than this.
  int MaxPages = 10000;

 protected:
  // The prepared pages in order.
  const std::vector<TprPage>& end_pages() const { return pages_; }
  // Writes the prepared pages as the print queue takes them, with the file
  // ending they need (".pdf", ".txt"); `raw` when the printer must get the
  // bytes untouched.
  virtual void write_print_file(const std::string& FileName) const = 0;
  virtual std::string print_file_extension() const = 0;
  virtual bool print_raw() const = 0;

 private:
  struct BoundDataSet {
    std::string name;
    std::unique_ptr<detail::RowSource> source;
  };
  void bind(const std::string& name, std::unique_ptr<detail::RowSource> source);

  std::unique_ptr<TprLayout> layout_;
  std::vector<BoundDataSet> datasets_;
  std::vector<TprPage> pages_;
  std::string last_print_file_;
};

// The graphic report.
class TprReport : public TprCustomReport {
 public:
  // Writes every prepared page into one PDF file; raises EZpkError when
  // nothing is prepared or the file cannot be written.
  void export_to_pdf(const std::string& FileName) const;
  // Writes the prepared page at 0-based `Index` as a PNG image at `Dpi` dots
  // per inch; raises EZpkError outside the pages or for an unusable resolution.
  void export_page_to_png(int Index, const std::string& FileName, double Dpi = 96) const;
  // Copies every prepared page into a new XLSX workbook (texts, numbers and
  // dates as cells); raises EZpkError when nothing is prepared or the file
  // cannot be written.
  void export_to_xlsx(const std::string& FileName) const;

 protected:
  void write_print_file(const std::string& FileName) const override { export_to_pdf(FileName); }
  std::string print_file_extension() const override { return ".pdf"; }
  bool print_raw() const override { return false; }
};

}  // namespace zpk
