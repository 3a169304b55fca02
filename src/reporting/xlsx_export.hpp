// Copies prepared report pages into an XLSX workbook so the figures can be
// worked on in a spreadsheet: texts, numbers and dates become cells with the
// fonts, colours, row heights and column widths of their report objects.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reporting/layout.hpp"

namespace zpk {

// A printed text read back as a spreadsheet value: a number ("1.815,00",
// "-3,5", "0") or a date ("31/12/2024", "31/12/2024 08:30") with the number
// format that shows it as printed, or nothing (the text stays a text).
struct xlsx_value {
  bool is_date = false;
  double number = 0;  // the number itself (is_date false)
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::string number_format;  // "#,##0.00", "0", "dd/mm/yyyy", "dd/mm/yyyy hh:mm"...
};
std::optional<xlsx_value> read_xlsx_value(std::string_view text);

// Writes `pages` one below the other onto the first sheet of a new XLSX file
// (replacing it). Every distinct top edge of a page becomes a row and every
// distinct left edge of the report a column; texts lose their line breaks,
// rich texts their markup, barcodes keep their data as text; lines,
// rectangles and pictures are not copied. Raises EZpkError when there is no
// page or the file cannot be written.
void export_pages_to_xlsx(const std::vector<TprPage>& pages, const std::string& file_name);

}  // namespace zpk
