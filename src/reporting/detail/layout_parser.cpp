#include "reporting/detail/layout_parser.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <fmt/format.h>

#include "platform/rtl/strings.hpp"

namespace zpk::detail {
namespace {

// Caps that keep a hostile file from asking for unbounded work.
constexpr size_t kMaxObjectsPerBand = 2000;
constexpr size_t kMaxVariables = 500;
constexpr size_t kMaxGroups = 16;
constexpr size_t kMaxDataSets = 16;
constexpr double kMaxMillimetres = 2000;

struct PageSize {
  std::string_view name;
  double width, height;
};
constexpr PageSize kPageSizes[] = {
    {"A3", 297, 420}, {"A4", 210, 297}, {"A5", 148, 210}, {"Letter", 215.9, 279.4}, {"Legal", 215.9, 355.6}};

struct BandName {
  std::string_view name;
  TprBandKind kind;
};
constexpr BandName kBandNames[] = {{"title", TprBandKind::Title},
                                   {"pageheader", TprBandKind::PageHeader},
                                   {"groupheader", TprBandKind::GroupHeader},
                                   {"detail", TprBandKind::Detail},
                                   {"groupfooter", TprBandKind::GroupFooter},
                                   {"summary", TprBandKind::Summary},
                                   {"pagefooter", TprBandKind::PageFooter}};

struct ObjectName {
  std::string_view name;
  TprObjectKind kind;
};
constexpr ObjectName kObjectNames[] = {
    {"text", TprObjectKind::Text},       {"richtext", TprObjectKind::RichText},
    {"line", TprObjectKind::Line},       {"rect", TprObjectKind::Rectangle},
    {"picture", TprObjectKind::Picture}, {"barcode", TprObjectKind::Barcode}};

// One line of the file: its keyword, the words after it and its fields.
class Line {
 public:
  Line(const std::string& file, int number, std::string_view text) : file_(file), number_(number) {
    size_t p = 0;
    while (true) {
      while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
      if (p >= text.size()) break;
      size_t start = p;
      while (p < text.size() && text[p] != ' ' && text[p] != '\t' && text[p] != '=') ++p;
      std::string word(text.substr(start, p - start));
      if (p >= text.size() || text[p] != '=') {
        if (word.empty()) fail("a field without a name");
        if (!fields_.empty()) fail(fmt::format("\"{}\" is not a field (name=value)", word));
        words_.push_back(std::move(word));
        continue;
      }
      ++p;
      if (word.empty()) fail("a field without a name");
      std::string value;
      if (p < text.size() && text[p] == '"') {
        ++p;
        for (;;) {
          if (p >= text.size()) fail(fmt::format("the value of \"{}\" is not closed by a \"", word));
          if (text[p] == '"') break;
          if (text[p] == '\\' && p + 1 < text.size() && (text[p + 1] == '"' || text[p + 1] == '\\')) ++p;
          value += text[p++];
        }
        ++p;
        if (p < text.size() && text[p] != ' ' && text[p] != '\t')
          fail(fmt::format("text after the value of \"{}\"", word));
      } else {
        start = p;
        while (p < text.size() && text[p] != ' ' && text[p] != '\t') ++p;
        value = std::string(text.substr(start, p - start));
      }
      const std::string key = LowerCase(word);
      if (fields_.count(key)) fail(fmt::format("field \"{}\" given twice", word));
      fields_.emplace(key, std::move(value));
    }
    if (words_.empty()) fail("a line without a keyword");
  }

  [[noreturn]] void fail(const std::string& message) const { throw ELayoutError(file_, number_, message); }
  int number() const { return number_; }
  const std::string& keyword() const { return words_[0]; }
  const std::vector<std::string>& words() const { return words_; }

  bool has(const std::string& key) const { return fields_.count(key) != 0; }
  std::string text(const std::string& key, const std::string& def = "") {
    used_.push_back(key);
    auto it = fields_.find(key);
    return it == fields_.end() ? def : it->second;
  }
  std::string required(const std::string& key) {
    if (!has(key)) fail(fmt::format("{} needs the field \"{}\"", keyword(), key));
    return text(key);
  }
  double number(const std::string& key, double def, double low, double high) {
    if (!has(key)) return text(key), def;
    const std::string value = text(key);
    char* end = nullptr;
    const double d = std::strtod(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(d)) {
      fail(fmt::format("\"{}\" is not a number: {}", key, value));
    }
    if (d < low || d > high) fail(fmt::format("\"{}\" = {} lies outside {} to {}", key, value, low, high));
    return d;
  }
  bool flag(const std::string& key, bool def = false) {
    if (!has(key)) return text(key), def;
    const std::string value = LowerCase(text(key));
    if (value == "yes" || value == "true") return true;
    if (value == "no" || value == "false") return false;
    fail(fmt::format("\"{}\" takes yes or no, not {}", key, value));
  }
  template <class T>
  T choice(const std::string& key, T def, std::initializer_list<std::pair<std::string_view, T>> options) {
    if (!has(key)) return text(key), def;
    const std::string value = text(key);
    for (const auto& [name, option] : options) {
      if (SameText(name, value)) return option;
    }
    std::string names;
    for (const auto& option : options) names += (names.empty() ? "" : ", ") + std::string(option.first);
    fail(fmt::format("\"{}\" takes {}, not {}", key, names, value));
  }
  unsigned color(const std::string& key, unsigned def) {
    if (!has(key)) return text(key), def;
    const std::string value = text(key);
    const bool ok = value.size() == 7 && value[0] == '#' &&
                    std::all_of(value.begin() + 1, value.end(),
                                [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (!ok) fail(fmt::format("\"{}\" takes a colour as #RRGGBB, not {}", key, value));
    return static_cast<unsigned>(std::stoul(value.substr(1), nullptr, 16));
  }
  std::unique_ptr<Expression> expression(const std::string& key) {
    if (!has(key)) return text(key), nullptr;
    try {
      return std::make_unique<Expression>(text(key));
    } catch (const EExpressionError& e) {
      fail(fmt::format("field \"{}\": {}", key, e.what()));
    }
  }
  TextTemplate text_template(const std::string& key) {
    try {
      return TextTemplate(text(key));
    } catch (const EExpressionError& e) {
      fail(fmt::format("field \"{}\": {}", key, e.what()));
    }
  }
  // Every field must have been read: anything else is a field we do not know.
  void finish() const {
    for (const auto& [key, value] : fields_) {
      if (std::find(used_.begin(), used_.end(), key) == used_.end()) {
        fail(fmt::format("unknown field \"{}\" in {}", key, keyword()));
      }
    }
  }

 private:
  const std::string& file_;
  int number_;
  std::vector<std::string> words_;
  std::map<std::string, std::string> fields_;
  std::vector<std::string> used_;
};

class LayoutReader {
 public:
  LayoutReader(const std::string& file) {
    layout_.FileName = file;
    layout_.Directory = std::filesystem::path(file).parent_path().string();
  }

  TprLayout read(std::string_view text) {
    if (text.size() > kMaxLayoutBytes)
      throw ELayoutError(layout_.FileName, 0, "larger than 1 MiB, not a layout");
    int number = 0;
    size_t p = 0;
    while (p <= text.size()) {
      size_t end = text.find('\n', p);
      if (end == std::string_view::npos) end = text.size();
      std::string_view raw = text.substr(p, end - p);
      p = end + 1;
      ++number;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      if (raw.find('\0') != std::string_view::npos)
        throw ELayoutError(layout_.FileName, number, "a NUL byte: not a text file");
      const size_t first = raw.find_first_not_of(" \t");
      if (first == std::string_view::npos || raw[first] == '#') continue;
      Line line(layout_.FileName, number, raw);
      read_line(line);
      line.finish();
    }
    check_whole();
    return std::move(layout_);
  }

 private:
  void read_line(Line& line) {
    const std::string keyword = LowerCase(line.keyword());
    if (line.words().size() > (keyword == "band" || keyword == "dataset" ? 2u : 1u)) {
      line.fail(fmt::format("unexpected word \"{}\"", line.words().back()));
    }
    if (keyword == "report") {
      layout_.Title = line.text("title");
    } else if (keyword == "page") {
      read_page(line);
    } else if (keyword == "variable") {
      read_variable(line);
    } else if (keyword == "group") {
      read_group(line);
    } else if (keyword == "band") {
      read_band(line);
    } else if (keyword == "dataset") {
      read_dataset(line);
    } else {
      for (const auto& object : kObjectNames) {
        if (SameText(object.name, keyword)) return read_object(line, object.kind);
      }
      line.fail(fmt::format("unknown keyword \"{}\"", line.keyword()));
    }
  }

  void read_page(Line& line) {
    if (page_seen_) line.fail("a second page line");
    page_seen_ = true;
    layout_.Line = line.number();
    const std::string size = line.text("size", "A4");
    const PageSize* found = nullptr;
    for (const auto& s : kPageSizes) {
      if (SameText(s.name, size)) found = &s;
    }
    if (!found && size != "custom")
      line.fail(fmt::format("unknown page size \"{}\" (A3, A4, A5, Letter, Legal, custom)", size));
    double width = line.number("width", found ? found->width : 0, 20, kMaxMillimetres);
    double height = line.number("height", found ? found->height : 0, 20, kMaxMillimetres);
    if (!found && (!line.has("width") || !line.has("height")))
      line.fail("a custom page needs width and height");
    if (found && (line.has("width") || line.has("height"))) line.fail("width and height go with size=custom");
    layout_.Orientation =
        line.choice("orientation", TprOrientation::Portrait,
                    {{"portrait", TprOrientation::Portrait}, {"landscape", TprOrientation::Landscape}});
    if (layout_.Orientation == TprOrientation::Landscape) std::swap(width, height);
    layout_.PageWidth = width;
    layout_.PageHeight = height;
    const double all = line.number("margin", 10, 0, 200);
    layout_.MarginLeft = line.number("left", all, 0, 200);
    layout_.MarginTop = line.number("top", all, 0, 200);
    layout_.MarginRight = line.number("right", all, 0, 200);
    layout_.MarginBottom = line.number("bottom", all, 0, 200);
    if (layout_.MarginLeft + layout_.MarginRight + 10 > width ||
        layout_.MarginTop + layout_.MarginBottom + 10 > height) {
      line.fail("the margins leave less than 10 mm to print on");
    }
  }

  void read_variable(Line& line) {
    if (layout_.Variables.size() >= kMaxVariables) line.fail("more than 500 variables");
    TprLayoutVariable v;
    v.Name = line.required("name");
    check_name(line, v.Name);
    if (layout_.VariableIndex(v.Name) >= 0) line.fail(fmt::format("variable \"{}\" declared twice", v.Name));
    v.Line = line.number();
    if (!line.has("value")) line.fail("variable needs the field \"value\"");
    v.Value = line.expression("value");
    layout_.Variables.push_back(std::move(v));
  }

  void read_group(Line& line) {
    if (layout_.Groups.size() >= kMaxGroups) line.fail("more than 16 groups");
    TprGroup g;
    g.Name = line.required("name");
    check_name(line, g.Name);
    if (layout_.GroupIndex(g.Name) >= 0) line.fail(fmt::format("group \"{}\" declared twice", g.Name));
    g.Line = line.number();
    if (!line.has("key")) line.fail("group needs the field \"key\"");
    g.Key = line.expression("key");
    g.NewPage = line.flag("newpage");
    layout_.Groups.push_back(std::move(g));
  }

  // `dataset NAME sql="SELECT ..."`: a query the program runs to fill the
  // dataset NAME. Only a SELECT (or WITH ... SELECT) is taken here; the query
  // also runs in a read-only transaction, so nothing a layout says can write.
  void read_dataset(Line& line) {
    if (line.words().size() < 2) line.fail("dataset needs its name (dataset NAME sql=\"SELECT ...\")");
    if (layout_.DataSets.size() >= kMaxDataSets) line.fail("more than 16 datasets");
    TprLayoutDataSet d;
    d.Name = line.words()[1];
    check_name(line, d.Name);
    for (const auto& other : layout_.DataSets) {
      if (SameText(other.Name, d.Name)) line.fail(fmt::format("dataset \"{}\" declared twice", d.Name));
    }
    d.Line = line.number();
    d.Sql = line.required("sql");
    const size_t start = d.Sql.find_first_not_of(" \t\r\n");
    size_t end = start;
    while (end < d.Sql.size() && std::isalpha(static_cast<unsigned char>(d.Sql[end]))) ++end;
    const std::string first = start == std::string::npos ? "" : d.Sql.substr(start, end - start);
    if (!SameText(first, "SELECT") && !SameText(first, "WITH"))
      line.fail("the sql of a dataset must be a SELECT");
    layout_.DataSets.push_back(std::move(d));
  }

  void read_band(Line& line) {
    if (line.words().size() < 2)
      line.fail(
          "band needs its kind (title, pageheader, groupheader, detail, groupfooter, summary, pagefooter)");
    TprBand band;
    band.Line = line.number();
    const BandName* found = nullptr;
    for (const auto& b : kBandNames) {
      if (SameText(b.name, line.words()[1])) found = &b;
    }
    if (!found) line.fail(fmt::format("unknown band \"{}\"", line.words()[1]));
    band.Kind = found->kind;
    band.Height = line.number("height", 0, 0, kMaxMillimetres);
    if (!line.has("height")) line.fail("band needs the field \"height\"");
    if (band.Kind == TprBandKind::GroupHeader || band.Kind == TprBandKind::GroupFooter) {
      const std::string name = line.required("group");
      band.Group = layout_.GroupIndex(name);
      if (band.Group < 0) line.fail(fmt::format("group \"{}\" is not declared above", name));
    }
    if (band.Kind == TprBandKind::Detail) {
      band.DataSet = line.required("dataset");
      check_name(line, band.DataSet);
    }
    band.Visible = line.expression("visible");
    if (layout_.Find(band.Kind, band.Group)) line.fail(fmt::format("a second {} band", line.words()[1]));
    layout_.Bands.push_back(std::move(band));
  }

  void read_object(Line& line, TprObjectKind kind) {
    if (layout_.Bands.empty()) line.fail(fmt::format("{} outside a band", line.keyword()));
    TprBand& band = layout_.Bands.back();
    if (band.Objects.size() >= kMaxObjectsPerBand) line.fail("more than 2000 objects in one band");
    TprLayoutObject o;
    o.Kind = kind;
    o.Line = line.number();
    o.Left = line.number("x", 0, 0, kMaxMillimetres);
    o.Top = line.number("y", 0, 0, kMaxMillimetres);
    o.Width = line.number("w", 0, 0, kMaxMillimetres);
    o.Height = line.number("h", 0, 0, kMaxMillimetres);
    o.Color = line.color("color", 0x000000);
    if (o.Top + o.Height > band.Height + 1e-6)
      line.fail(fmt::format("the object goes below its band ({} mm high)", band.Height));
    switch (kind) {
      case TprObjectKind::Text:
      case TprObjectKind::RichText:
        o.Text = line.text_template("text");
        o.Format = line.text("format");
        o.Font.Name = line.text("font", "Sans");
        o.Font.Size = line.number("size", 10, 1, 200);
        o.Font.Bold = line.flag("bold");
        o.Font.Italic = line.flag("italic");
        o.Font.Underline = line.flag("underline");
        o.Align =
            line.choice("align", TprAlign::Left,
                        {{"left", TprAlign::Left}, {"center", TprAlign::Center}, {"right", TprAlign::Right}});
        o.VAlign = line.choice(
            "valign", TprVAlign::Top,
            {{"top", TprVAlign::Top}, {"middle", TprVAlign::Middle}, {"bottom", TprVAlign::Bottom}});
        o.WordWrap = line.flag("wrap");
        break;
      case TprObjectKind::Line:
      case TprObjectKind::Rectangle:
        o.LineWidth = line.number("width", 0.2, 0, 20);
        if (kind == TprObjectKind::Rectangle && line.has("fill")) {
          o.Filled = true;
          o.FillColor = line.color("fill", 0xFFFFFF);
        }
        break;
      case TprObjectKind::Picture:
        o.PictureFile = line.required("file");
        o.Stretch = line.flag("stretch", true);
        break;
      case TprObjectKind::Barcode:
        o.Barcode = line.choice("type", TprBarcodeType::Code128,
                                {{"ean13", TprBarcodeType::Ean13},
                                 {"code128", TprBarcodeType::Code128},
                                 {"qr", TprBarcodeType::Qr}});
        o.BarcodeText = line.flag("readable", true);
        if (!line.has("data")) line.fail("barcode needs the field \"data\"");
        o.Text = line.text_template("data");
        break;
    }
    band.Objects.push_back(std::move(o));
  }

  static void check_name(Line& line, const std::string& name) {
    const bool ok =
        !name.empty() && name.size() <= 63 && !std::isdigit(static_cast<unsigned char>(name[0])) &&
        std::all_of(name.begin(), name.end(),
                    [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    if (!ok) line.fail(fmt::format("\"{}\" is not a name (letters, digits and _)", name.substr(0, 80)));
  }

  // What only the whole file tells: bands that fit the page, groups with a
  // detail band, variables that do not refer to themselves.
  void check_whole() {
    const double printable = layout_.PageHeight - layout_.MarginTop - layout_.MarginBottom;
    const double width = layout_.PageWidth - layout_.MarginLeft - layout_.MarginRight;
    const TprBand* header = layout_.Find(TprBandKind::PageHeader);
    const TprBand* footer = layout_.Find(TprBandKind::PageFooter);
    const double frame = (header ? header->Height : 0) + (footer ? footer->Height : 0);
    for (const auto& band : layout_.Bands) {
      const bool framed = band.Kind != TprBandKind::PageHeader && band.Kind != TprBandKind::PageFooter;
      // A band that cannot fit an empty page would ask for pages without end.
      if (band.Height + (framed ? frame : 0) > printable + 1e-6) {
        throw ELayoutError(layout_.FileName, band.Line,
                           fmt::format("the band ({} mm) does not fit on a page ({} mm between the margins, "
                                       "page header and footer)",
                                       band.Height, printable - (framed ? frame : 0)));
      }
      for (const auto& o : band.Objects) {
        if (o.Left + o.Width > width + 1e-6) {
          throw ELayoutError(layout_.FileName, o.Line,
                             fmt::format("the object goes past the right margin ({} mm wide)", width));
        }
      }
    }
    if (!layout_.Groups.empty() && !layout_.Find(TprBandKind::Detail)) {
      throw ELayoutError(layout_.FileName, layout_.Groups[0].Line, "a group without a detail band");
    }
    // Variables may read each other, never in a circle.
    std::vector<int> state(layout_.Variables.size(), 0);  // 0 new, 1 on the path, 2 done
    std::function<void(size_t, const TprLayoutVariable&)> visit = [&](size_t i,
                                                                      const TprLayoutVariable& from) {
      if (state[i] == 2) return;
      if (state[i] == 1) {
        throw ELayoutError(layout_.FileName, from.Line,
                           fmt::format("variable \"{}\" refers to itself (through \"{}\")", from.Name,
                                       layout_.Variables[i].Name));
      }
      state[i] = 1;
      for (const auto& name : layout_.Variables[i].Value->PlainNames()) {
        const int j = layout_.VariableIndex(name);
        if (j >= 0) visit(static_cast<size_t>(j), layout_.Variables[i]);
      }
      state[i] = 2;
    };
    for (size_t i = 0; i < layout_.Variables.size(); ++i) visit(i, layout_.Variables[i]);
  }

  TprLayout layout_;
  bool page_seen_ = false;
};

}  // namespace

TprLayout ParseLayout(std::string_view text, const std::string& file_name) {
  return LayoutReader(file_name).read(text);
}

TprLayout LoadLayout(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw ELayoutError(path, 0, "cannot be read: " + ec.message());
  if (size > kMaxLayoutBytes) throw ELayoutError(path, 0, "larger than 1 MiB, not a layout");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ELayoutError(path, 0, "cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  return ParseLayout(text.str(), path);
}

}  // namespace zpk::detail
