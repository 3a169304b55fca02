// TprTxReport: the text-mode report for matrix printers. It prepares the same
// layouts as TprReport and renders the prepared pages to plain text on a
// character grid (10 characters per inch, 6 lines per inch).
#pragma once

#include <string>

#include "reporting/report.hpp"

namespace zpk {

class TprTxReport : public TprCustomReport {
 public:
  // Millimetres of one column (10 cpi) and one line (6 lpi).
  static constexpr double kColumnWidth = 25.4 / 10;
  static constexpr double kLineHeight = 25.4 / 6;

  // The prepared page at 0-based `Index` as lines of text, each ending in
  // "\\n", trailing blanks and blank lines at the end removed.
  std::string page_text(int Index) const;
  // Every prepared page, a form feed ("\\f") between pages.
  std::string text() const;
  // Writes text() into a file; raises EZpkError when nothing is prepared or
  // the file cannot be written.
  void export_to_text(const std::string& FileName) const;

 protected:
  void write_print_file(const std::string& FileName) const override { export_to_text(FileName); }
  std::string print_file_extension() const override { return ".txt"; }
  bool print_raw() const override { return true; }
};

}  // namespace zpk
