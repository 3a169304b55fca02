// libFuzzer target for layout files: any bytes as a layout, read and, when
// it reads, prepared over a small dataset. Nothing may crash; every refusal
// is an ELayoutError naming the file; prepared pages stay within the page
// limit and their objects on their page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "reporting/detail/layout_parser.hpp"
#include "reporting/detail/page_builder.hpp"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// D: 30 records of A (text), N (integer) and F (float), in groups of 7.
class Rows : public zpk::detail::RowSource {
 public:
  std::vector<std::string> FieldNames() override { return {"A", "N", "F"}; }
  void First() override { row_ = 0; }
  bool Eof() override { return row_ >= 30; }
  void Next() override { ++row_; }
  void Read(std::vector<zpk::Variant>& values) override {
    values = {zpk::Variant(std::string(1, static_cast<char>('a' + row_ / 7))), zpk::Variant(row_),
              zpk::Variant(row_ * 0.5)};
  }

 private:
  int row_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zpk::TprLayout layout;
  try {
    layout = zpk::detail::ParseLayout(text, "FUZZ.prt");
  } catch (const zpk::ELayoutError& e) {
    check(e.FileName() == "FUZZ.prt" && e.Line() >= 0);
    return 0;
  }
  Rows rows;
  const zpk::Variant user("ANA");
  zpk::detail::BuildContext context;
  context.DataSet = [&rows](std::string_view name) -> zpk::detail::RowSource* {
    return name == "D" ? &rows : nullptr;
  };
  context.Variable = [&user](std::string_view name) -> const zpk::Variant* {
    return name == "vUsuario" ? &user : nullptr;
  };
  context.Function = [](const std::string& name, const std::vector<zpk::Variant>& args, zpk::Variant& value) {
    value = zpk::Variant(static_cast<int64_t>(args.size()));
    return name == "F1";
  };
  context.MaxPages = 20;
  try {
    const auto pages = zpk::detail::BuildPages(layout, context);
    check(pages.size() <= 20);
    for (const auto& page : pages) {
      for (const auto& o : page.Objects) check(o.Top >= 0 && o.Top + o.Height <= page.Height + 1e-6);
    }
  } catch (const zpk::ELayoutError& e) {
    check(e.FileName() == "FUZZ.prt" && e.Line() >= 0);
  }
  return 0;
}
