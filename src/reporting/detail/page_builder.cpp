#include "reporting/detail/page_builder.hpp"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "platform/rtl/strings.hpp"

namespace zpk::detail {
namespace {

// TotalPages reads kTotalPagesMark, replaced once the last page is known, so
// that the pages are laid out in one pass.

// Layout variables reading layout variables deeper than this are refused.
constexpr int kMaxVariableDepth = 32;
// More objects than this on one page can only come from bands of (almost)
// no height repeated without end.
constexpr size_t kMaxObjectsPerPage = 20000;

enum class Scope { Report, Page, Group };

struct Accumulator {
  Scope scope = Scope::Report;
  int group = -1;
  int line = 0;
  TotalUse use;
  double sum = 0;
  int64_t int_sum = 0;
  bool all_integers = true;
  int64_t count = 0;
  Variant low, high;

  void reset() {
    sum = 0;
    int_sum = 0;
    all_integers = true;
    count = 0;
    low = high = Variant();
  }
};

bool less(const Variant& a, const Variant& b) {
  const bool numbers =
      (a.IsInteger() || a.IsFloat() || a.IsDateTime()) && (b.IsInteger() || b.IsFloat() || b.IsDateTime());
  if (numbers) return a.AsFloat() < b.AsFloat();
  return a.AsString() < b.AsString();
}

// EAN-13 check digit of the first 12 digits.
char ean_check_digit(std::string_view digits) {
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

class Builder : public ExpressionScope {
 public:
  Builder(TprLayout& layout, const BuildContext& context) : layout_(layout), context_(context) {
    cache_.resize(layout.Variables.size());
    assign_slots();
  }

  std::vector<TprPage> build() {
    const TprBand* detail = layout_.Find(TprBandKind::Detail);
    RowSource* source = nullptr;
    if (detail) {
      source = context_.DataSet ? context_.DataSet(detail->DataSet) : nullptr;
      if (!source)
        fail(detail->Line, fmt::format("dataset \"{}\" is not given to the report", detail->DataSet));
      detail_name_ = detail->DataSet;
      field_names_ = source->FieldNames();
      source->First();
      // The title and the first page header see the first record.
      if (!source->Eof()) {
        source->Read(current_);
        row_ = &current_;
      }
    }
    start_page(detail ? detail->Line : layout_.Line);
    const int groups = static_cast<int>(layout_.Groups.size());
    std::vector<std::string> keys(groups), new_keys(groups);
    if (source) {
      while (!source->Eof()) {
        source->Read(current_);
        ++epoch_;
        row_ = &current_;
        ++records_;
        for (int g = 0; g < groups; ++g)
          new_keys[g] = evaluate(*layout_.Groups[g].Key, layout_.Groups[g].Line).AsString();
        int level = groups;
        for (int g = 0; g < groups && level == groups; ++g) {
          if (records_ == 1 || new_keys[g] != keys[g]) level = g;
        }
        if (records_ > 1 && level < groups) {
          row_ = &previous_;
          ++epoch_;
          for (int g = groups - 1; g >= level; --g) emit_group_band(TprBandKind::GroupFooter, g);
          row_ = &current_;
          ++epoch_;
        }
        for (int g = level; g < groups; ++g) {
          for (auto& a : totals_) {
            if (a.scope == Scope::Group && a.group >= g) a.reset();
          }
          if (layout_.Groups[g].NewPage && records_ > 1 && page_has_body_) new_page(layout_.Groups[g].Line);
          emit_group_band(TprBandKind::GroupHeader, g);
        }
        keys.swap(new_keys);
        accumulate(false);
        emit(*detail, true);
        std::swap(previous_, current_);
        source->Next();
      }
      if (records_ == 0) return {};
      row_ = &previous_;
      ++epoch_;
      for (int g = groups - 1; g >= 0; --g) emit_group_band(TprBandKind::GroupFooter, g);
    }
    if (const TprBand* summary = layout_.Find(TprBandKind::Summary)) emit(*summary, false);
    end_page();
    finish_total_pages();
    return std::move(pages_);
  }

  // Expands a free text (a report title) outside any page.
  std::string expand(const std::string& text) {
    try {
      return TextTemplate(text).Expand(*this);
    } catch (const ELayoutError&) {
      throw;
    } catch (const EZpkError& e) {
      throw EExpressionError(e.what());
    }
  }

  Variant Name(std::string_view qualifier, std::string_view name) override {
    if (qualifier.empty()) {
      if (SameText(name, "Page")) return Variant(page_number_);
      if (SameText(name, "TotalPages")) return Variant(std::string(kTotalPagesMark));
      if (SameText(name, "Line")) return Variant(records_);
      if (context_.Variable) {
        if (const Variant* v = context_.Variable(name)) return *v;
      }
      const int index = layout_.VariableIndex(name);
      if (index >= 0) return variable(static_cast<size_t>(index));
      if (row_ && !detail_name_.empty()) {
        if (auto v = field(name)) return *v;
      }
      throw EExpressionError(fmt::format("unknown name \"{}\"", name));
    }
    if (!detail_name_.empty() && SameText(qualifier, detail_name_)) {
      if (!row_)
        throw EExpressionError(fmt::format("\"{}.{}\" is read outside the records", qualifier, name));
      if (auto v = field(name)) return *v;
      throw EExpressionError(fmt::format("unknown field \"{}\" of dataset \"{}\"", name, qualifier));
    }
    if (RowSource* other = context_.DataSet ? context_.DataSet(qualifier) : nullptr) {
      const auto names = other->FieldNames();
      for (size_t i = 0; i < names.size(); ++i) {
        if (!SameText(names[i], name)) continue;
        std::vector<Variant> values;
        if (other->Eof()) return Variant::MakeNull();
        other->Read(values);
        return i < values.size() ? values[i] : Variant::MakeNull();
      }
      throw EExpressionError(fmt::format("unknown field \"{}\" of dataset \"{}\"", name, qualifier));
    }
    throw EExpressionError(fmt::format("unknown dataset \"{}\"", qualifier));
  }

  Variant Call(const std::string& name, const std::vector<Variant>& args) override {
    Variant value;
    if (context_.Function && context_.Function(name, args, value)) return value;
    throw EExpressionError(fmt::format("unknown function \"{}\"", name));
  }

  Variant Total(int slot) override {
    if (slot < 0 || slot >= static_cast<int>(totals_.size()))
      throw EExpressionError("a total outside a band");
    const Accumulator& a = totals_[slot];
    switch (a.use.Kind) {
      case TprTotal::Count:
        return Variant(a.count);
      case TprTotal::Sum:
        return a.all_integers ? Variant(a.int_sum) : Variant(a.sum);
      case TprTotal::Avg:
        return Variant(a.count == 0 ? 0.0 : a.sum / static_cast<double>(a.count));
      case TprTotal::Min:
        return a.low.IsUnassigned() ? Variant::MakeNull() : a.low;
      case TprTotal::Max:
        return a.high.IsUnassigned() ? Variant::MakeNull() : a.high;
    }
    return Variant();
  }

 private:
  [[noreturn]] void fail(int line, const std::string& message) const {
    throw ELayoutError(layout_.FileName, line, message);
  }

  // Gives every total of every band its accumulator, scoped by the band
  // it is printed in: group bands count their group, page bands the page,
  // the others the whole report so far.
  void assign_slots() {
    auto add = [&](Expression& e, Scope scope, int group, int line) {
      for (auto& use : e.Totals()) {
        use.Slot = static_cast<int>(totals_.size());
        Accumulator a;
        a.scope = scope;
        a.group = group;
        a.line = line;
        a.use = use;
        totals_.push_back(a);
      }
    };
    for (auto& v : layout_.Variables) add(*v.Value, Scope::Report, -1, v.Line);
    for (auto& band : layout_.Bands) {
      Scope scope = Scope::Report;
      if (band.Kind == TprBandKind::GroupHeader || band.Kind == TprBandKind::GroupFooter)
        scope = Scope::Group;
      if (band.Kind == TprBandKind::PageHeader || band.Kind == TprBandKind::PageFooter) scope = Scope::Page;
      if (band.Visible) add(*band.Visible, scope, band.Group, band.Line);
      for (auto& o : band.Objects) {
        for (Expression* e : o.Text.Expressions()) add(*e, scope, band.Group, o.Line);
      }
    }
  }

  Variant evaluate(const Expression& e, int line) {
    try {
      return e.Evaluate(*this);
    } catch (const ELayoutError&) {
      throw;
    } catch (const EZpkError& ex) {
      fail(line, ex.what());
    }
  }

  Variant variable(size_t index) {
    auto& [epoch, value] = cache_[index];
    if (epoch == epoch_ && value) return *value;
    if (++variable_depth_ > kMaxVariableDepth) {
      --variable_depth_;
      throw EExpressionError(
          fmt::format("variable \"{}\" reads variables more than 32 deep", layout_.Variables[index].Name));
    }
    Variant result;
    try {
      result = layout_.Variables[index].Value->Evaluate(*this);
    } catch (...) {
      --variable_depth_;
      throw;
    }
    --variable_depth_;
    cache_[index] = {epoch_, result};
    return result;
  }

  std::optional<Variant> field(std::string_view name) {
    for (size_t i = 0; i < field_names_.size(); ++i) {
      if (SameText(field_names_[i], name)) return i < row_->size() ? (*row_)[i] : Variant::MakeNull();
    }
    return std::nullopt;
  }

  // Adds the current record to the totals: the page's ones (page_only) once
  // the record's page is known, the others before its bands print.
  void accumulate(bool page_only) {
    for (auto& a : totals_) {
      if ((a.scope == Scope::Page) != page_only) continue;
      Variant v;
      try {
        v = Expression::EvaluateArgument(a.use, *this);
      } catch (const ELayoutError&) {
        throw;
      } catch (const EZpkError& ex) {
        fail(a.line, ex.what());
      }
      if (v.IsNull() || v.IsUnassigned()) continue;
      ++a.count;
      if (a.use.Kind == TprTotal::Min || a.use.Kind == TprTotal::Max) {
        if (a.low.IsUnassigned() || less(v, a.low)) a.low = v;
        if (a.high.IsUnassigned() || less(a.high, v)) a.high = v;
        continue;
      }
      if (a.use.Kind == TprTotal::Count) continue;
      double d = 0;
      try {
        d = v.AsFloat();
      } catch (const EZpkError& ex) {
        fail(a.line, ex.what());
      }
      a.sum += d;
      if (v.IsInteger() && a.all_integers && !__builtin_add_overflow(a.int_sum, v.AsInteger(), &a.int_sum))
        continue;
      a.all_integers = false;
    }
    ++epoch_;  // variables reading totals see the new ones
  }

  double body_bottom() const {
    const TprBand* footer = layout_.Find(TprBandKind::PageFooter);
    return layout_.PageHeight - layout_.MarginBottom - (footer ? footer->Height : 0);
  }

  void start_page(int line) {
    if (static_cast<int>(pages_.size()) >= context_.MaxPages) {
      fail(line, fmt::format("the report would need more than {} pages", context_.MaxPages));
    }
    TprPage page;
    page.Width = layout_.PageWidth;
    page.Height = layout_.PageHeight;
    page.Orientation = layout_.Orientation;
    pages_.push_back(std::move(page));
    ++page_number_;
    ++epoch_;
    y_ = layout_.MarginTop;
    page_has_body_ = false;
    for (auto& a : totals_) {
      if (a.scope == Scope::Page) a.reset();
    }
    if (page_number_ == 1) {
      if (const TprBand* title = layout_.Find(TprBandKind::Title)) place(*title);
    }
    if (const TprBand* header = layout_.Find(TprBandKind::PageHeader)) place(*header);
  }

  void end_page() {
    if (const TprBand* footer = layout_.Find(TprBandKind::PageFooter)) {
      y_ = body_bottom();
      place(*footer);
    }
  }

  void new_page(int line) {
    end_page();
    start_page(line);
  }

  void emit_group_band(TprBandKind kind, int group) {
    if (const TprBand* band = layout_.Find(kind, group)) emit(*band, false);
  }

  // Prints a band below the last one, on a new page when it does not fit.
  void emit(const TprBand& band, bool is_detail) {
    ++epoch_;
    const bool shown = !band.Visible || evaluate(*band.Visible, band.Line).AsBoolean();
    if (shown && y_ + band.Height > body_bottom() + 1e-6) new_page(band.Line);
    if (is_detail) accumulate(true);
    if (!shown) return;
    place(band);
    page_has_body_ = true;
  }

  // Puts a band's objects on the current page at the current height.
  void place(const TprBand& band) {
    auto& objects = pages_.back().Objects;
    if (objects.size() + band.Objects.size() > kMaxObjectsPerPage) {
      fail(band.Line, fmt::format("more than {} objects on one page", kMaxObjectsPerPage));
    }
    for (const auto& o : band.Objects) {
      TprPageObject p;
      static_cast<TprObjectBase&>(p) = o;
      p.Left = layout_.MarginLeft + o.Left;
      p.Top = y_ + o.Top;
      if (o.Kind == TprObjectKind::Picture && !o.PictureFile.empty() && o.PictureFile[0] != '/' &&
          !layout_.Directory.empty()) {
        p.PictureFile = layout_.Directory + "/" + o.PictureFile;
      }
      try {
        p.Text = o.Text.Expand(*this, o.Format);
      } catch (const ELayoutError&) {
        throw;
      } catch (const EZpkError& ex) {
        fail(o.Line, ex.what());
      }
      if (o.Kind == TprObjectKind::Barcode) p.Text = barcode_data(o, p.Text);
      if (p.Text.find(kTotalPagesMark) != std::string::npos) total_pages_marks_ = true;
      objects.push_back(std::move(p));
    }
    y_ += band.Height;
  }

  // What a barcode encodes, checked here so that a bad value names its line.
  std::string barcode_data(const TprLayoutObject& o, std::string data) const {
    switch (o.Barcode) {
      case TprBarcodeType::Ean13: {
        const bool digits =
            std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || (data.size() != 12 && data.size() != 13)) {
          fail(o.Line, fmt::format("EAN-13 takes 12 or 13 digits, not \"{}\"", data.substr(0, 40)));
        }
        const char check = ean_check_digit(data);
        if (data.size() == 13 && data[12] != check) {
          fail(o.Line, fmt::format("EAN-13 \"{}\" has a wrong check digit (should be {})", data, check));
        }
        if (data.size() == 12) data += check;
        return data;
      }
      case TprBarcodeType::Code128:
        if (data.empty() || data.size() > 80 ||
            !std::all_of(data.begin(), data.end(), [](char c) { return c >= 32 && c <= 126; })) {
          fail(o.Line, fmt::format("Code 128 takes 1 to 80 printable ASCII characters, not \"{}\"",
                                   data.substr(0, 40)));
        }
        return data;
      case TprBarcodeType::Qr:
        if (data.empty() || data.size() > 2000) fail(o.Line, "a QR code takes 1 to 2000 bytes");
        return data;
    }
    return data;
  }

  void finish_total_pages() {
    if (!total_pages_marks_) return;
    const std::string total = std::to_string(pages_.size());
    for (auto& page : pages_) {
      for (auto& o : page.Objects) {
        for (size_t p = o.Text.find(kTotalPagesMark); p != std::string::npos;
             p = o.Text.find(kTotalPagesMark, p)) {
          o.Text.replace(p, kTotalPagesMark.size(), total);
          p += total.size();
        }
      }
    }
  }

  TprLayout& layout_;
  const BuildContext& context_;
  std::vector<TprPage> pages_;
  std::vector<Accumulator> totals_;
  std::vector<std::pair<uint64_t, std::optional<Variant>>> cache_;
  uint64_t epoch_ = 1;
  int variable_depth_ = 0;
  std::string detail_name_;
  std::vector<std::string> field_names_;
  std::vector<Variant> current_, previous_;
  const std::vector<Variant>* row_ = nullptr;
  int64_t records_ = 0;
  int64_t page_number_ = 0;
  double y_ = 0;
  bool page_has_body_ = false;
  bool total_pages_marks_ = false;
};

}  // namespace

std::vector<TprPage> BuildPages(TprLayout& layout, const BuildContext& context) {
  return Builder(layout, context).build();
}

std::string ExpandText(TprLayout* layout, const BuildContext& context, const std::string& text) {
  TprLayout empty;
  empty.FileName = "template";
  return Builder(layout ? *layout : empty, context).expand(text);
}

}  // namespace zpk::detail
