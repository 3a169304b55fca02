// Variant: what each kind reads as, conversion errors, arrays and equality.
#include "platform/rtl/variant.hpp"

#include <gtest/gtest.h>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

TEST(Variant, ReadsEachKindWithTheRuntimesRules) {
  const TDateTime day = EncodeDate(2024, 2, 29);
  const TDateTime moment = EncodeDateTime(2024, 2, 29, 8, 5, 0, 0);
  const struct {
    const char* name;
    Variant v;
    const char* text;
    int64_t integer;
    double real;
    bool boolean;
  } kCases[] = {
      {"unassigned", Variant(), "", 0, 0, false},
      {"null", Variant::MakeNull(), "", 0, 0, false},
      {"integer", Variant(42), "42", 42, 42, true},
      {"int64", Variant(int64_t{-9000000000}), "-9000000000", -9000000000, -9e9, true},
      {"bool", Variant(true), "1", 1, 1, true},
      {"float", Variant(1234.5), "1234,5", 1234, 1234.5, true},  // half to even
      {"float up", Variant(2.5001), "2,5001", 3, 2.5001, true},
      {"float small", Variant(0.1), "0,1", 0, 0.1, true},
      {"text int", Variant("12"), "12", 12, 12, true},
      {"text float", Variant(" 12,5 "), " 12,5 ", 12, 12.5, true},
      {"text zero", Variant("0"), "0", 0, 0, false},
      {"date", Variant(day), "29/02/2024", 45351, 45351, true},
      {"date time", Variant(moment), "29/02/2024 08:05:00", 45351, moment.Value, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.v.AsString(), c.text);
    EXPECT_EQ(c.v.AsInteger(), c.integer);
    EXPECT_DOUBLE_EQ(c.v.AsFloat(), c.real);
    EXPECT_EQ(c.v.AsBoolean(), c.boolean);
  }
  EXPECT_EQ(Variant("29/02/2024 08:05").AsDateTime(), moment);
  EXPECT_EQ(Variant(45351.0).AsDateTime(), day);
  EXPECT_EQ(Variant::MakeNull().AsDateTime(), DateNull);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("FALSE").AsBoolean());
}

TEST(Variant, TextThatIsNotANumberRaises) {
  const Variant v("abc");
  EXPECT_THROW(v.AsInteger(), EConvertError);
  EXPECT_THROW(v.AsFloat(), EConvertError);
  EXPECT_THROW(v.AsDateTime(), EConvertError);
  EXPECT_THROW(v.AsBoolean(), EConvertError);
  EXPECT_THROW(Variant("1.5").AsFloat(), EConvertError);  // the decimal separator is the comma
  EXPECT_THROW(Variant("").AsInteger(), EConvertError);
}

TEST(Variant, ArraysHoldItemsAndCheckBounds) {
  const Variant a = VarArrayOf({Variant(1), Variant("x"), Variant::MakeNull()});
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(a.VarArrayHighBound(), 2);
  EXPECT_EQ(a[0].AsInteger(), 1);
  EXPECT_EQ(a[1].AsString(), "x");
  EXPECT_TRUE(VarIsNull(a[2]));
  EXPECT_THROW(a[3], EZpkError);
  EXPECT_THROW(a.AsString(), EConvertError);
  EXPECT_THROW(Variant(1).Items(), EZpkError);
  EXPECT_EQ(Variant(1).VarArrayHighBound(), -1);
}

TEST(Variant, EqualityComparesKindAndValue) {
  EXPECT_EQ(Variant(), Variant());
  EXPECT_EQ(Variant::MakeNull(), Variant::MakeNull());
  EXPECT_NE(Variant(), Variant::MakeNull());
  EXPECT_EQ(Variant("a"), Variant(std::string("a")));
  EXPECT_NE(Variant(1), Variant(1.0));
  EXPECT_EQ(VarArrayOf({1, "b"}), VarArrayOf({1, "b"}));
  EXPECT_NE(VarArrayOf({1, "b"}), VarArrayOf({1, "c"}));
  EXPECT_TRUE(VarIsEmpty(Variant()));
}

}  // namespace
}  // namespace zpk
