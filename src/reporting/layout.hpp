// The in-memory form of a layout file (page, variables, groups, bands and
// their objects) and the prepared pages built from it: positioned objects
// in millimetres from the page's top-left corner, ready to be drawn.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/errors.hpp"
#include "reporting/expression.hpp"

namespace zpk {

// A layout that cannot be used: the message names the file and the line.
class ELayoutError : public EZpkError {
 public:
  ELayoutError(std::string file, int line, const std::string& message);
  const std::string& FileName() const { return file_; }
  int Line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

enum class TprOrientation { Portrait, Landscape };
enum class TprObjectKind { Text, RichText, Line, Rectangle, Picture, Barcode };
enum class TprAlign { Left, Center, Right };
enum class TprVAlign { Top, Middle, Bottom };
enum class TprBarcodeType { Ean13, Code128, Qr };
enum class TprBandKind { Title, PageHeader, GroupHeader, Detail, GroupFooter, Summary, PageFooter };

struct TprFont {
  std::string Name = "Sans";
  double Size = 10;  // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
};

// What every object shares, in the layout and on a prepared page.
struct TprObjectBase {
  TprObjectKind Kind = TprObjectKind::Text;
  double Left = 0, Top = 0, Width = 0, Height = 0;  // millimetres
  TprFont Font;
  unsigned Color = 0x000000;      // RGB of the text or the stroke
  unsigned FillColor = 0xFFFFFF;  // RGB of a rectangle's inside
  bool Filled = false;
  double LineWidth = 0.2;  // millimetres
  TprAlign Align = TprAlign::Left;
  TprVAlign VAlign = TprVAlign::Top;
  bool WordWrap = false;
  TprBarcodeType Barcode = TprBarcodeType::Code128;
  bool BarcodeText = true;  // EAN-13 and Code 128 print their number under the bars
  std::string PictureFile;  // a picture's file, resolved beside the layout
  bool Stretch = true;      // a picture fills its box (false: keeps its proportions)
};

// An object of a band: its texts are templates whose [expressions] are
// evaluated when the band is printed.
struct TprLayoutObject : TprObjectBase {
  int Line = 0;  // line of the layout file, for errors
  TextTemplate Text;
  std::string Format;  // FormatFloat / FormatDateTime pattern of the numbers and dates
};

struct TprBand {
  TprBandKind Kind = TprBandKind::Detail;
  int Line = 0;
  double Height = 0;
  int Group = -1;  // group header/footer: index into TprLayout::Groups
  std::string DataSet;
  std::unique_ptr<Expression> Visible;  // printed only when true (none: always)
  std::vector<TprLayoutObject> Objects;
};

struct TprGroup {
  std::string Name;
  int Line = 0;
  std::unique_ptr<Expression> Key;  // a new group starts when its value changes
  bool NewPage = false;             // each group after the first starts a new page
};

// A dataset the layout fetches itself: a read-only query whose :NAME
// parameters are the report's variables and whose {TABLE} names are the
// company's tables (bound by bind_layout_datasets).
struct TprLayoutDataSet {
  std::string Name;
  int Line = 0;
  std::string Sql;
};

struct TprLayoutVariable {
  std::string Name;
  int Line = 0;
  std::unique_ptr<Expression> Value;
};

// A whole layout as read from its file.
struct TprLayout {
  std::string FileName;
  std::string Directory;  // where the file lies: pictures are looked up there
  std::string Title;
  int Line = 0;                              // line of the page settings
  double PageWidth = 210, PageHeight = 297;  // millimetres, as printed (orientation applied)
  TprOrientation Orientation = TprOrientation::Portrait;
  double MarginLeft = 10, MarginTop = 10, MarginRight = 10, MarginBottom = 10;
  std::vector<TprLayoutVariable> Variables;
  std::vector<TprLayoutDataSet> DataSets;  // queries the layout declares, in file order
  std::vector<TprGroup> Groups;            // outermost first
  std::vector<TprBand> Bands;              // in the order of the file

  // The band of a kind (group bands: of that group), or nullptr.
  const TprBand* Find(TprBandKind kind, int group = -1) const;
  // 0-based index of the layout variable or group of that name (any case), or -1.
  int VariableIndex(std::string_view name) const;
  int GroupIndex(std::string_view name) const;
};

// An object placed on a prepared page, its texts final.
struct TprPageObject : TprObjectBase {
  std::string Text;  // a text's text, a rich text's markup, a barcode's data
};

// A prepared page: its size, orientation and objects in drawing order.
struct TprPage {
  double Width = 210, Height = 297;  // millimetres
  TprOrientation Orientation = TprOrientation::Portrait;
  std::vector<TprPageObject> Objects;
};

}  // namespace zpk
