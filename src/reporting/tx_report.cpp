#include "reporting/tx_report.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

// Characters are kept as UTF-8 sequences, one per cell, so that accented
// letters take one column as on the printer.
using Cell = std::string;
using Grid = std::vector<std::vector<Cell>>;

std::vector<Cell> split_utf8(std::string_view text) {
  std::vector<Cell> cells;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3 : lead >> 3 == 0x1E ? 4 : 1;
    length = std::min(length, text.size() - i);
    cells.emplace_back(text.substr(i, length));
    i += length;
  }
  return cells;
}

int to_column(double mm) {
  return static_cast<int>(std::lround(mm / TprTxReport::kColumnWidth));
}

int to_row(double mm) {
  return static_cast<int>(std::lround(mm / TprTxReport::kLineHeight));
}

void put(Grid& grid, int row, int column, const Cell& cell) {
  if (row < 0 || column < 0 || row >= static_cast<int>(grid.size())) return;
  auto& line = grid[static_cast<size_t>(row)];
  if (column >= static_cast<int>(line.size())) return;
  line[static_cast<size_t>(column)] = cell;
}

// Rich text keeps its words: the markup between "<" and ">" is dropped and
// the entities that stand for markup characters become those characters.
std::string strip_markup(const std::string& text) {
  std::string plain;
  bool in_tag = false;
  for (char c : text) {
    if (c == '<')
      in_tag = true;
    else if (c == '>' && in_tag)
      in_tag = false;
    else if (!in_tag)
      plain += c;
  }
  static constexpr std::pair<std::string_view, std::string_view> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  std::string decoded;
  for (size_t i = 0; i < plain.size();) {
    bool replaced = false;
    for (const auto& [entity, character] : kEntities) {
      if (plain.compare(i, entity.size(), entity) == 0) {
        decoded += character;
        i += entity.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) decoded += plain[i++];
  }
  return decoded;
}

// Splits a text into the lines it prints on: its own line breaks, and, for a
// word-wrapped object, at the last blank that fits `width`.
std::vector<std::vector<Cell>> text_lines(const std::string& text, int width, bool wrap) {
  std::vector<std::vector<Cell>> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view piece(text.data() + start, end - start);
    if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
    std::vector<Cell> cells = split_utf8(piece);
    while (wrap && static_cast<int>(cells.size()) > width && width > 0) {
      int cut = width;
      for (int i = width; i > 0; --i) {
        if (cells[static_cast<size_t>(i)] == " ") {
          cut = i;
          break;
        }
      }
      lines.emplace_back(cells.begin(), cells.begin() + cut);
      auto rest = cells.begin() + cut;
      while (rest != cells.end() && *rest == " ") ++rest;
      cells.erase(cells.begin(), rest);
    }
    lines.push_back(std::move(cells));
    start = end + 1;
  }
  return lines;
}

void draw_text(Grid& grid, const TprPageObject& object) {
  const int left = to_column(object.Left);
  const int top = to_row(object.Top);
  const int width = std::max(1, to_column(object.Width));
  const int height = std::max(1, to_row(object.Height));
  const std::string text = object.Kind == TprObjectKind::RichText ? strip_markup(object.Text) : object.Text;
  std::vector<std::vector<Cell>> lines = text_lines(text, width, object.WordWrap);
  if (static_cast<int>(lines.size()) > height) lines.resize(static_cast<size_t>(height));
  int row = top;
  if (object.VAlign != TprVAlign::Top) {
    const int spare = height - static_cast<int>(lines.size());
    row += object.VAlign == TprVAlign::Middle ? spare / 2 : spare;
  }
  for (auto& cells : lines) {
    if (static_cast<int>(cells.size()) > width) cells.resize(static_cast<size_t>(width));
    const int spare = width - static_cast<int>(cells.size());
    int column = left;
    if (object.Align == TprAlign::Right) column += spare;
    if (object.Align == TprAlign::Center) column += spare / 2;
    for (const Cell& cell : cells) put(grid, row, column++, cell);
    ++row;
  }
}

void draw_line(Grid& grid, const TprPageObject& object) {
  const int left = to_column(object.Left);
  const int top = to_row(object.Top);
  const int width = to_column(object.Width);
  const int height = to_row(object.Height);
  if (width >= height) {
    for (int c = 0; c < std::max(1, width); ++c) put(grid, top, left + c, "-");
  } else {
    for (int r = 0; r < std::max(1, height); ++r) put(grid, top + r, left, "|");
  }
}

void draw_rectangle(Grid& grid, const TprPageObject& object) {
  const int left = to_column(object.Left);
  const int top = to_row(object.Top);
  const int right = left + std::max(1, to_column(object.Width)) - 1;
  const int bottom = top + std::max(1, to_row(object.Height)) - 1;
  for (int c = left; c <= right; ++c) {
    put(grid, top, c, "-");
    put(grid, bottom, c, "-");
  }
  for (int r = top; r <= bottom; ++r) {
    put(grid, r, left, "|");
    put(grid, r, right, "|");
  }
  for (int r : {top, bottom}) {
    put(grid, r, left, "+");
    put(grid, r, right, "+");
  }
}

}  // namespace

std::string TprTxReport::page_text(int Index) const {
  const TprPage& page = GetEndPage(Index);
  const int columns = std::max(1, static_cast<int>(page.Width / kColumnWidth));
  const int rows = std::max(1, static_cast<int>(page.Height / kLineHeight));
  Grid grid(static_cast<size_t>(rows), std::vector<Cell>(static_cast<size_t>(columns), " "));
  for (const TprPageObject& object : page.Objects) {
    switch (object.Kind) {
      case TprObjectKind::Text:
      case TprObjectKind::RichText:
        draw_text(grid, object);
        break;
      case TprObjectKind::Line:
        draw_line(grid, object);
        break;
      case TprObjectKind::Rectangle:
        draw_rectangle(grid, object);
        break;
      case TprObjectKind::Picture:
      case TprObjectKind::Barcode:
        // A matrix printer in text mode has no graphics; the layout gives
        // these a text beside them when the number matters.
        break;
    }
  }
  std::vector<std::string> lines;
  for (const auto& cells : grid) {
    std::string line;
    for (const Cell& cell : cells) line += cell;
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(std::move(line));
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string TprTxReport::text() const {
  std::string text;
  for (int i = 0; i < GetEndPagesCount(); ++i) {
    if (i > 0) text += '\f';
    text += page_text(i);
  }
  return text;
}

void TprTxReport::export_to_text(const std::string& FileName) const {
  if (GetEndPagesCount() == 0) throw EZpkError("Não há páginas preparadas para gravar.");
  const std::string content = text();
  std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out) throw EZpkError(fmt::format("Não foi possível gravar {}", FileName));
}

}  // namespace zpk
