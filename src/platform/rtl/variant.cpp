// Variant conversions with the runtime's rules (see variant.hpp).
#include "platform/rtl/variant.hpp"

#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

template <class... Fs>
struct Overload : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overload(Fs...) -> Overload<Fs...>;

[[noreturn]] void raise_array_cast(const char* to) {
  throw EConvertError(std::string("Could not convert variant of type (Array) into type (") + to + ")");
}

}  // namespace

std::string Variant::AsString() const {
  return std::visit(
      Overload{[](const Unassigned&) { return std::string(); }, [](const Null&) { return std::string(); },
               [](int64_t v) { return IntToStr(v); }, [](double v) { return FloatToStr(v); },
               [](const std::string& v) { return v; }, [](TDateTime v) { return DateTimeToStr(v); },
               [](const std::vector<Variant>&) -> std::string { raise_array_cast("String"); }},
      v_);
}

int64_t Variant::AsInteger() const {
  return std::visit(
      Overload{[](const Unassigned&) { return int64_t{0}; }, [](const Null&) { return int64_t{0}; },
               [](int64_t v) { return v; }, [](double v) { return Round(v); },
               [](const std::string& v) {
                 // An integer text, else a number text rounded.
                 const std::string t = Trim(v);
                 int64_t i = 0;
                 if (TryStrToInt64(t, i)) return i;
                 double f;
                 if (TryStrToFloat(t, f)) return Round(f);
                 throw EConvertError("'" + v + "' is not a valid integer value");
               },
               [](TDateTime v) { return Round(v.Value); },
               [](const std::vector<Variant>&) -> int64_t { raise_array_cast("Int64"); }},
      v_);
}

double Variant::AsFloat() const {
  return std::visit(
      Overload{[](const Unassigned&) { return 0.0; }, [](const Null&) { return 0.0; },
               [](int64_t v) { return static_cast<double>(v); }, [](double v) { return v; },
               [](const std::string& v) { return StrToFloat(v); }, [](TDateTime v) { return v.Value; },
               [](const std::vector<Variant>&) -> double { raise_array_cast("Double"); }},
      v_);
}

TDateTime Variant::AsDateTime() const {
  return std::visit(
      Overload{[](const Unassigned&) { return DateNull; }, [](const Null&) { return DateNull; },
               [](int64_t v) { return TDateTime(static_cast<double>(v)); },
               [](double v) { return TDateTime(v); }, [](const std::string& v) { return StrToDateTime(v); },
               [](TDateTime v) { return v; },
               [](const std::vector<Variant>&) -> TDateTime { raise_array_cast("Date"); }},
      v_);
}

bool Variant::AsBoolean() const {
  return std::visit(Overload{[](const Unassigned&) { return false; }, [](const Null&) { return false; },
                             [](int64_t v) { return v != 0; }, [](double v) { return v != 0; },
                             [](const std::string& v) {
                               // "True"/"False" in any case, or a number (non-zero is true).
                               const std::string t = Trim(v);
                               if (SameText(t, "True")) return true;
                               if (SameText(t, "False")) return false;
                               double f;
                               if (TryStrToFloat(t, f)) return f != 0;
                               throw EConvertError("'" + v + "' is not a valid boolean value");
                             },
                             [](TDateTime v) { return v.Value != 0; },
                             [](const std::vector<Variant>&) -> bool { raise_array_cast("Boolean"); }},
                    v_);
}

const std::vector<Variant>& Variant::Items() const {
  if (const auto* items = std::get_if<std::vector<Variant>>(&v_)) return *items;
  throw EZpkError("Variant is not an array");
}

const Variant& Variant::operator[](size_t i) const {
  const auto& items = Items();
  if (i >= items.size()) throw EZpkError("Variant array index out of bounds");
  return items[i];
}

}  // namespace zpk
