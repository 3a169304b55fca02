// Prepared report pages into an XLSX workbook (libxlsxwriter).
#include "reporting/xlsx_export.hpp"

#include <fmt/format.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <tuple>
#include <optional>
#include <cstdint>
#include <vector>

#include "platform/rtl/errors.hpp"

namespace zpk {

namespace {

// Edges are compared in tenths of a millimetre: objects printed on the same
// line or in the same column share their edge up to rounding of the layout.
long tenths(double mm) {
  return std::lround(mm * 10);
}

bool exported(const TprPageObject& o) {
  return o.Kind == TprObjectKind::Text || o.Kind == TprObjectKind::RichText ||
         o.Kind == TprObjectKind::Barcode;
}

// Objects that take a place on the sheet: the cells, and pictures, which
// keep a row and a column of their own size so that they cover no text.
bool placed(const TprPageObject& o) {
  return exported(o) || o.Kind == TprObjectKind::Picture;
}

// A PNG's size as the spreadsheet program shows it at 100 %: its pixels at
// 96 dpi, or at the resolution its pHYs chunk declares (what libxlsxwriter
// reads too). Nothing when the file is not a readable PNG.
std::optional<std::pair<double, double>> png_display_size(const std::string& file) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (f == nullptr) return std::nullopt;
  std::vector<unsigned char> data;
  unsigned char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && data.size() < (1u << 20);)
    data.insert(data.end(), buffer, buffer + n);
  std::fclose(f);
  static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() < 33 || !std::equal(std::begin(kSignature), std::end(kSignature), data.begin()))
    return std::nullopt;
  const auto u32 = [&](size_t at) {
    return (uint32_t{data[at]} << 24) | (uint32_t{data[at + 1]} << 16) | (uint32_t{data[at + 2]} << 8) |
           uint32_t{data[at + 3]};
  };
  const double width = u32(16), height = u32(20);
  double x_dpi = 96, y_dpi = 96;
  for (size_t at = 8; at + 8 <= data.size();) {
    const uint32_t length = u32(at);
    if (length > data.size() - at - 8) break;
    if (std::equal(data.begin() + at + 4, data.begin() + at + 8, "pHYs") && length >= 9 &&
        data[at + 16] == 1 && u32(at + 8) > 0 && u32(at + 12) > 0) {
      x_dpi = u32(at + 8) * 0.0254;
      y_dpi = u32(at + 12) * 0.0254;
    }
    if (std::equal(data.begin() + at + 4, data.begin() + at + 8, "IDAT")) break;
    at += 12 + length;
  }
  if (width <= 0 || height <= 0) return std::nullopt;
  return std::make_pair(width * 96 / x_dpi, height * 96 / y_dpi);
}

// A rich text's markup without its tags, its entities decoded.
std::string plain_text(const std::string& markup) {
  std::string out;
  for (size_t i = 0; i < markup.size(); ++i) {
    const char c = markup[i];
    if (c == '<') {
      const size_t end = markup.find('>', i);
      if (end == std::string::npos) {  // not markup: kept as written, like the page draws it
        out.append(markup, i, std::string::npos);
        break;
      }
      i = end;
    } else if (c == '&') {
      static const std::pair<const char*, char> kEntities[] = {
          {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
      bool decoded = false;
      for (const auto& [name, ch] : kEntities) {
        if (markup.compare(i, std::char_traits<char>::length(name), name) == 0) {
          out += ch;
          i += std::char_traits<char>::length(name) - 1;
          decoded = true;
          break;
        }
      }
      if (!decoded) out += c;
    } else {
      out += c;
    }
  }
  return out;
}

// The text a cell shows: line breaks dropped (a cell holds one line).
std::string cell_text(const TprPageObject& o) {
  std::string text = o.Kind == TprObjectKind::RichText ? plain_text(o.Text) : o.Text;
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
  return text;
}

bool valid_date(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1900 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

struct WorkbookCloser {
  void operator()(lxw_workbook* w) const {
    if (w != nullptr) workbook_close(w);
  }
};

}  // namespace

std::optional<xlsx_value> read_xlsx_value(std::string_view text) {
  static const std::regex kNumber(R"(^(-?)(\d{1,3}(?:\.\d{3})+|\d+)(?:,(\d+))?$)");
  static const std::regex kDate(R"(^(\d{2})/(\d{2})/(\d{4})(?: (\d{2}):(\d{2})(?::(\d{2}))?)?$)");
  const std::string s(text);
  std::smatch m;
  if (std::regex_match(s, m, kNumber)) {
    std::string digits = m[2].str();
    const bool grouped = digits.find('.') != std::string::npos;
    std::erase(digits, '.');
    // Codes printed with leading zeros ("007") and figures beyond a double's
    // 15 exact digits would change when read as numbers: they stay texts.
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    if (digits.size() + m[3].length() > 15) return std::nullopt;
    xlsx_value v;
    v.number = std::stod(digits + (m[3].matched ? "." + m[3].str() : std::string()));
    if (!m[1].str().empty()) v.number = -v.number;
    v.number_format = grouped ? "#,##0" : "0";
    if (m[3].matched) v.number_format += "." + std::string(static_cast<size_t>(m[3].length()), '0');
    return v;
  }
  if (std::regex_match(s, m, kDate)) {
    xlsx_value v;
    v.is_date = true;
    v.day = std::stoi(m[1]);
    v.month = std::stoi(m[2]);
    v.year = std::stoi(m[3]);
    if (!valid_date(v.year, v.month, v.day)) return std::nullopt;
    v.number_format = "dd/mm/yyyy";
    if (m[4].matched) {
      v.hour = std::stoi(m[4]);
      v.minute = std::stoi(m[5]);
      v.second = m[6].matched ? std::stoi(m[6]) : 0;
      if (v.hour > 23 || v.minute > 59 || v.second > 59) return std::nullopt;
      v.number_format += m[6].matched ? " hh:mm:ss" : " hh:mm";
    }
    return v;
  }
  return std::nullopt;
}

void export_pages_to_xlsx(const std::vector<TprPage>& pages, const std::string& file_name) {
  if (pages.empty()) throw EZpkError("there is no prepared page to export");

  // Columns: every distinct left edge of the report, and how far each column's
  // objects reach (for the last column, which has no neighbour to stop it).
  std::map<long, double> columns;  // left edge -> right-most edge (mm)
  for (const auto& page : pages) {
    for (const auto& o : page.Objects) {
      if (!placed(o)) continue;
      auto [it, added] = columns.emplace(tenths(o.Left), o.Left + o.Width);
      if (!added) it->second = std::max(it->second, o.Left + o.Width);
    }
  }
  std::map<long, int> column_of;
  for (const auto& [left, right] : columns) column_of.emplace(left, static_cast<int>(column_of.size()));

  // Cells: (row, column) -> objects, rows of each page below the previous page's.
  std::map<std::pair<int, int>, std::vector<const TprPageObject*>> cells;
  std::vector<std::pair<std::pair<int, int>, const TprPageObject*>> pictures;
  std::vector<double> row_height_mm;
  for (const auto& page : pages) {
    std::map<long, double> rows;  // top edge -> tallest object (mm)
    for (const auto& o : page.Objects) {
      if (!placed(o)) continue;
      auto [it, added] = rows.emplace(tenths(o.Top), o.Height);
      if (!added) it->second = std::max(it->second, o.Height);
    }
    std::map<long, int> row_of;
    for (const auto& [top, height] : rows) {
      row_of.emplace(top, static_cast<int>(row_height_mm.size()));
      row_height_mm.push_back(height);
    }
    for (const auto& o : page.Objects) {
      const std::pair<int, int> at{row_of.count(tenths(o.Top)) ? row_of.at(tenths(o.Top)) : 0,
                                   column_of.count(tenths(o.Left)) ? column_of.at(tenths(o.Left)) : 0};
      if (exported(o))
        cells[at].push_back(&o);
      else if (o.Kind == TprObjectKind::Picture)
        pictures.emplace_back(at, &o);
    }
  }

  // A picture the page could not show either is an error, as on the printed
  // page; it is found before anything is written.
  constexpr double kPixelsPerMmAt96 = 96 / 25.4;
  std::vector<std::pair<std::pair<std::pair<int, int>, const TprPageObject*>, lxw_image_options>>
      picture_options;
  for (const auto& [at, o] : pictures) {
    const auto size = png_display_size(o->PictureFile);
    if (!size) throw EZpkError(fmt::format("cannot read the picture {} for {}", o->PictureFile, file_name));
    lxw_image_options options{};
    options.x_scale = o->Width * kPixelsPerMmAt96 / size->first;
    options.y_scale = o->Height * kPixelsPerMmAt96 / size->second;
    if (!o->Stretch) options.x_scale = options.y_scale = std::min(options.x_scale, options.y_scale);
    picture_options.emplace_back(std::make_pair(at, o), options);
  }

  std::unique_ptr<lxw_workbook, WorkbookCloser> book(workbook_new(file_name.c_str()));
  if (!book) throw EZpkError(fmt::format("cannot create the workbook {}", file_name));
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Relatório");
  if (sheet == nullptr) throw EZpkError(fmt::format("cannot create the sheet of {}", file_name));

  const auto fail = [&](const char* what, lxw_error error) {
    book.reset();
    std::remove(file_name.c_str());
    throw EZpkError(fmt::format("cannot write {} of {}: {}", what, file_name, lxw_strerror(error)));
  };

  // One format per distinct look; libxlsxwriter keeps them with the workbook.
  std::map<std::tuple<std::string, double, bool, bool, bool, unsigned, int, int, bool, std::string>,
           lxw_format*>
      formats;
  const auto format_of = [&](const TprPageObject& o, const std::string& number_format) {
    const auto key = std::make_tuple(o.Font.Name, o.Font.Size, o.Font.Bold, o.Font.Italic, o.Font.Underline,
                                     o.Color & 0xFFFFFF, static_cast<int>(o.Align),
                                     static_cast<int>(o.VAlign), o.WordWrap, number_format);
    if (auto it = formats.find(key); it != formats.end()) return it->second;
    lxw_format* f = workbook_add_format(book.get());
    format_set_font_name(f, o.Font.Name.c_str());
    format_set_font_size(f, o.Font.Size);
    // 0 means "no colour" to libxlsxwriter: black has its own constant.
    format_set_font_color(
        f, (o.Color & 0xFFFFFF) == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : (o.Color & 0xFFFFFF));
    if (o.Font.Bold) format_set_bold(f);
    if (o.Font.Italic) format_set_italic(f);
    if (o.Font.Underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
    format_set_align(f, o.Align == TprAlign::Right    ? LXW_ALIGN_RIGHT
                        : o.Align == TprAlign::Center ? LXW_ALIGN_CENTER
                                                      : LXW_ALIGN_LEFT);
    format_set_align(f, o.VAlign == TprVAlign::Bottom   ? LXW_ALIGN_VERTICAL_BOTTOM
                        : o.VAlign == TprVAlign::Middle ? LXW_ALIGN_VERTICAL_CENTER
                                                        : LXW_ALIGN_VERTICAL_TOP);
    if (o.WordWrap) format_set_text_wrap(f);
    if (!number_format.empty()) format_set_num_format(f, number_format.c_str());
    formats.emplace(key, f);
    return f;
  };

  for (const auto& [at, objects] : cells) {
    const auto [row, col] = at;
    const TprPageObject& o = *objects.front();
    // Objects sharing a cell (printed over one another) are joined as one text.
    std::string text;
    for (const auto* each : objects) text += (text.empty() ? "" : " ") + cell_text(*each);
    const auto value =
        objects.size() == 1 && o.Kind != TprObjectKind::Barcode ? read_xlsx_value(text) : std::nullopt;
    lxw_error error;
    if (value && value->is_date) {
      lxw_datetime when{value->year, value->month,  value->day,
                        value->hour, value->minute, static_cast<double>(value->second)};
      error = worksheet_write_datetime(sheet, row, col, &when, format_of(o, value->number_format));
    } else if (value) {
      error = worksheet_write_number(sheet, row, col, value->number, format_of(o, value->number_format));
    } else {
      error = worksheet_write_string(sheet, row, col, text.c_str(), format_of(o, ""));
    }
    if (error != LXW_NO_ERROR) fail("a cell", error);
  }

  // Pictures at their cell, scaled to the size they print at.
  for (auto& [at, options] : picture_options) {
    if (const auto error = worksheet_insert_image_opt(sheet, static_cast<lxw_row_t>(at.first.first),
                                                      static_cast<lxw_col_t>(at.first.second),
                                                      at.second->PictureFile.c_str(), &options))
      fail("a picture", error);
  }

  // Sizes: rows in points, columns in character widths of the default font
  // (7 pixels each plus 5 of padding at 96 dpi), within the program's limits.
  constexpr double kPointsPerMm = 72 / 25.4, kPixelsPerMm = 96 / 25.4;
  for (size_t r = 0; r < row_height_mm.size(); ++r) {
    const double points = std::clamp(row_height_mm[r] * kPointsPerMm, 1.0, 409.0);
    if (const auto error = worksheet_set_row(sheet, static_cast<lxw_row_t>(r), points, nullptr))
      fail("a row height", error);
  }
  for (auto it = columns.begin(); it != columns.end(); ++it) {
    const auto next = std::next(it);
    const double mm =
        next != columns.end() ? (next->first - it->first) / 10.0 : it->second - it->first / 10.0;
    const double chars = std::clamp((mm * kPixelsPerMm - 5) / 7, 0.5, 255.0);
    const auto col = static_cast<lxw_col_t>(column_of.at(it->first));
    if (const auto error = worksheet_set_column(sheet, col, col, chars, nullptr))
      fail("a column width", error);
  }

  const lxw_error closed = workbook_close(book.release());
  if (closed != LXW_NO_ERROR) {
    std::remove(file_name.c_str());
    throw EZpkError(fmt::format("cannot write the workbook {}: {}", file_name, lxw_strerror(closed)));
  }
}

}  // namespace zpk
