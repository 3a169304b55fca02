// The runtime's Variant, limited to what the library stores in it:
// unassigned, null, integer, float, text, date-time, or an array of variants
// (what Busca_Valor returns for several columns).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/rtl/datetime.hpp"

namespace zpk {

class Variant {
 public:
  struct Unassigned {
    bool operator==(const Unassigned&) const = default;
  };
  struct Null {
    bool operator==(const Null&) const = default;
  };

  Variant() = default;                                           // unassigned
  Variant(int value) : v_(int64_t{value}) {}                     // NOLINT(google-explicit-constructor)
  Variant(int64_t value) : v_(value) {}                          // NOLINT(google-explicit-constructor)
  Variant(double value) : v_(value) {}                           // NOLINT(google-explicit-constructor)
  Variant(bool value) : v_(int64_t{value ? 1 : 0}) {}            // NOLINT(google-explicit-constructor)
  Variant(std::string value) : v_(std::move(value)) {}           // NOLINT(google-explicit-constructor)
  Variant(const char* value) : v_(std::string(value)) {}         // NOLINT(google-explicit-constructor)
  Variant(TDateTime value) : v_(value) {}                        // NOLINT(google-explicit-constructor)
  Variant(std::vector<Variant> items) : v_(std::move(items)) {}  // NOLINT(google-explicit-constructor)

  static Variant MakeNull() {
    Variant v;
    v.v_ = Null{};
    return v;
  }

  bool IsUnassigned() const { return std::holds_alternative<Unassigned>(v_); }
  bool IsNull() const { return std::holds_alternative<Null>(v_); }
  bool IsArray() const { return std::holds_alternative<std::vector<Variant>>(v_); }
  bool IsInteger() const { return std::holds_alternative<int64_t>(v_); }
  bool IsFloat() const { return std::holds_alternative<double>(v_); }
  bool IsText() const { return std::holds_alternative<std::string>(v_); }
  bool IsDateTime() const { return std::holds_alternative<TDateTime>(v_); }

  // Conversions with the runtime's rules that callers rely on: unassigned and null read as "" / 0;
  // numbers as text use the decimal comma; a date as text is "dd/mm/yyyy"
  // (with the time when it has one). A float read as an integer is rounded half
  // to even. A text that is not a number (or date) raises EConvertError when
  // read as one, and so does an array read as a single value.
  std::string AsString() const;
  int64_t AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;

  // Elements of an array (raises EZpkError when not an array or out of range).
  const std::vector<Variant>& Items() const;
  const Variant& operator[](size_t i) const;
  int VarArrayHighBound() const { return IsArray() ? static_cast<int>(Items().size()) - 1 : -1; }

  bool operator==(const Variant& other) const = default;

 private:
  std::variant<Unassigned, Null, int64_t, double, std::string, TDateTime, std::vector<Variant>> v_;
};

inline bool VarIsNull(const Variant& v) {
  return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
  return v.IsUnassigned();
}
inline bool VarIsArray(const Variant& v) {
  return v.IsArray();
}
inline Variant VarArrayOf(std::vector<Variant> items) {
  return Variant(std::move(items));
}

}  // namespace zpk
