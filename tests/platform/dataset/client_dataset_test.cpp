// The in-memory dataset: records, navigation, field conversions, locate,
// filter and index order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dataset/client_dataset.hpp"

namespace zpk {
namespace {

class ClientDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds_.FieldDefs.Add("NUMERO", ftString, 12);
    ds_.FieldDefs.Add("CODIGO", ftString, 15);
    ds_.FieldDefs.Add("DESCCOR", ftString, 50);
    ds_.FieldDefs.Add("CONSUMO", ftFloat);
    ds_.FieldDefs.Add("PECAS", ftInteger);
    ds_.FieldDefs.Add("DATA", ftDate);
    ds_.FieldDefs.Add("ATIVO", ftBoolean);
    ds_.CreateDataSet();
  }

  void add(const std::string& numero, const std::string& codigo, const std::string& cor, double consumo) {
    ds_.AppendRecord({numero, codigo, cor, consumo});
  }

  // The CODIGO of every visible record, walking with First/Next/Eof.
  std::vector<std::string> codes() {
    std::vector<std::string> out;
    for (ds_.First(); !ds_.Eof(); ds_.Next()) out.push_back(ds_.FieldByName("CODIGO").AsString());
    return out;
  }

  TClientDataSet ds_{"TbTeste"};
};

using Codes = std::vector<std::string>;

TEST_F(ClientDataSetTest, AppendPostAndNavigate) {
  EXPECT_TRUE(ds_.IsEmpty());
  EXPECT_TRUE(ds_.Bof());
  EXPECT_TRUE(ds_.Eof());
  EXPECT_EQ(ds_.RecNo, 0);

  ds_.Append();
  ds_.FieldByName("codigo").AsString = "A";
  ds_.FieldByName("CONSUMO").AsFloat = 1.5;
  ds_.Post();
  add("1", "B", "", 2);
  add("1", "C", "", 3);
  EXPECT_EQ(ds_.RecordCount(), 3);
  EXPECT_EQ(codes(), (Codes{"A", "B", "C"}));

  ds_.Last();
  EXPECT_TRUE(ds_.Eof());
  EXPECT_EQ(ds_.RecNo, 3);
  ds_.Prior();
  EXPECT_FALSE(ds_.Eof());
  EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), "B");
  ds_.Prior();
  ds_.Prior();
  EXPECT_TRUE(ds_.Bof());
  EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), "A");
  ds_.RecNo = 2;
  EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), "B");
  ds_.RecNo = 9;  // out of range: stays
  EXPECT_EQ(ds_.RecNo, 2);

  // Insert goes before the current record.
  ds_.Insert();
  ds_.FieldByName("CODIGO").AsString = "AB";
  EXPECT_EQ(ds_.RecNo, -1);
  ds_.Post();
  EXPECT_EQ(ds_.RecNo, 2);
  EXPECT_EQ(codes(), (Codes{"A", "AB", "B", "C"}));
}

TEST_F(ClientDataSetTest, FieldsConvertWithTheRuntimesRules) {
  const struct {
    const char* field;
    Variant value;  // assigned through Value
    const char* as_string;
    int as_integer;
    double as_float;
    bool as_boolean;
  } kCases[] = {
      {"CONSUMO", 1234.5, "1234,5", 1234, 1234.5, true},
      {"CONSUMO", "2,5", "2,5", 2, 2.5, true},  // half to even, the runtime's rounding
      {"CONSUMO", "", "", 0, 0, false},         // an empty text is null
      {"PECAS", "  42 ", "42", 42, 42, true},
      {"PECAS", 2.6, "3", 3, 3, true},
      {"DATA", EncodeDate(2024, 2, 29) + 0.75, "29/02/2024", 45351, 45351, true},  // date part only
      {"DATA", "01/03/2024", "01/03/2024", 45352, 45352, true},
      {"ATIVO", true, "True", 1, 1, true},
      {"ATIVO", "false", "False", 0, 0, false},
      {"NUMERO", "0123456789ABCDEF", "0123456789AB", 0, 0, false},  // cut to the field's 12 characters
      {"DESCCOR", "Yes", "Yes", 0, 0, true},                        // text is true when it starts with T or Y
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.field << " <- " << c.value.AsString());
    ds_.Append();
    TField& field = ds_.FieldByName(c.field);
    field.Value = c.value;
    ds_.Post();
    EXPECT_EQ(field.AsString(), c.as_string);
    if (field.DataType() != ftString) {
      EXPECT_EQ(field.AsInteger(), c.as_integer);
      EXPECT_DOUBLE_EQ(field.AsFloat(), c.as_float);
    }
    EXPECT_EQ(field.AsBoolean(), c.as_boolean);
    EXPECT_EQ(field.IsNull(), std::string(c.as_string).empty());
  }
  ds_.Append();
  ds_.FieldByName("CONSUMO").AsCurrency = Currency(12.3456);
  ds_.Post();
  EXPECT_EQ(ds_.FieldByName("CONSUMO").AsString(), "12,3456");
  EXPECT_EQ(ds_.FieldByName("CONSUMO").AsCurrency(), Currency::FromRaw(123456));

  ds_.AppendRecord({"12X"});
  EXPECT_THROW(ds_.FieldByName("NUMERO").AsInteger(), EConvertError);
}

TEST_F(ClientDataSetTest, MisuseRaises) {
  add("1", "A", "", 1);
  EXPECT_THROW(ds_.FieldByName("CODIGO").AsString = "x", EDataSetError);  // not editing
  EXPECT_THROW(ds_.FieldByName("NADA"), EDataSetError);
  EXPECT_EQ(ds_.FindField("nada"), nullptr);
  EXPECT_THROW(ds_.CreateDataSet(), EDataSetError);  // already open

  ds_.Edit();
  EXPECT_THROW(ds_.FieldByName("CONSUMO").AsString = "muito", EConvertError);
  ds_.Post();
  EXPECT_DOUBLE_EQ(ds_.FieldByName("CONSUMO").AsFloat(), 1);  // the bad value changed nothing

  ds_.Close();
  EXPECT_THROW(ds_.RecordCount(), EDataSetError);
  EXPECT_THROW(ds_.Append(), EDataSetError);
  TClientDataSet empty;
  EXPECT_THROW(empty.CreateDataSet(), EDataSetError);
  // The definitions outlive Close, so the dataset can be created again.
  ds_.CreateDataSet();
  EXPECT_TRUE(ds_.IsEmpty());
}

TEST_F(ClientDataSetTest, EditCancelAndImplicitPost) {
  add("1", "A", "", 1);
  add("1", "B", "", 2);
  ds_.First();
  ds_.Edit();
  ds_.FieldByName("CONSUMO").AsFloat = 10;
  ds_.Cancel();
  EXPECT_DOUBLE_EQ(ds_.FieldByName("CONSUMO").AsFloat(), 1);

  ds_.Edit();
  ds_.FieldByName("CONSUMO").AsFloat = 10;
  ds_.Next();  // moving posts the pending edit
  EXPECT_EQ(ds_.State(), dsBrowse);
  ds_.First();
  EXPECT_DOUBLE_EQ(ds_.FieldByName("CONSUMO").AsFloat(), 10);

  // Edit on an empty dataset starts a new record.
  ds_.EmptyDataSet();
  ds_.Edit();
  EXPECT_EQ(ds_.State(), dsInsert);
  ds_.FieldByName("PECAS").AsInteger = 7;
  ds_.Post();
  EXPECT_EQ(ds_.RecordCount(), 1);
  EXPECT_EQ(ds_.FieldByName("PECAS").AsInteger(), 7);
}

TEST_F(ClientDataSetTest, DeleteKeepsAUsefulPosition) {
  for (const char* code : {"A", "B", "C", "D"}) add("1", code, "", 1);
  ds_.RecNo = 2;
  ds_.Delete();
  EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), "C");  // the next record
  ds_.Last();
  ds_.Delete();
  EXPECT_TRUE(ds_.Eof());  // deleting the last record ends a walk
  EXPECT_EQ(codes(), (Codes{"A", "C"}));

  // The usual "delete while walking" loop removes the matching records only.
  for (ds_.First(); !ds_.Eof();) {
    if (ds_.FieldByName("CODIGO").AsString() == "A") {
      ds_.Delete();
    } else {
      ds_.Next();
    }
  }
  EXPECT_EQ(codes(), (Codes{"C"}));
  ds_.First();
  ds_.Delete();
  EXPECT_TRUE(ds_.IsEmpty());
  EXPECT_THROW(ds_.Delete(), EDataSetError);
}

TEST_F(ClientDataSetTest, LocateFindsByOneOrSeveralFields) {
  add("000001", "TECIDO", "Azul", 1);
  add("000001", "BOTAO", "Azul", 2);
  add("000002", "BOTAO", "Verde", 3);
  const struct {
    const char* fields;
    Variant values;
    TLocateOptions options;
    double found_consumo;  // 0: not found
  } kCases[] = {
      {"CODIGO", "BOTAO", 0, 2},
      {"NUMERO;CODIGO;DESCCOR", VarArrayOf({"000002", "BOTAO", "Verde"}), 0, 3},
      {"numero; codigo", VarArrayOf({"000002", "TECIDO"}), 0, 0},
      {"DESCCOR", "verde", 0, 0},
      {"DESCCOR", "verde", loCaseInsensitive, 3},
      {"CODIGO", "TEC", 0, 0},
      {"CODIGO", "TEC", loPartialKey, 1},
      {"CODIGO", "bot", loPartialKey | loCaseInsensitive, 2},
      {"CONSUMO", 3, 0, 3},
      {"CONSUMO", "3,0", 0, 3},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fields);
    ds_.Last();
    const bool found = ds_.Locate(c.fields, c.values, c.options);
    EXPECT_EQ(found, c.found_consumo != 0);
    // Not found leaves the position as it was.
    EXPECT_DOUBLE_EQ(ds_.FieldByName("CONSUMO").AsFloat(), found ? c.found_consumo : 3);
  }
  EXPECT_THROW(ds_.Locate("NUMERO;CODIGO", "000001"), EDataSetError);
}

TEST_F(ClientDataSetTest, FilterShowsMatchingRecordsOnly) {
  add("000001", "A", "Azul", 1);
  add("000002", "B", "O'Neil", 2);
  add("000001", "C", "", 5.5);
  add("000003", "D", "Verde", 10);
  const struct {
    const char* filter;
    Codes expected;
  } kCases[] = {
      {"NUMERO = '000001'", {"A", "C"}},
      {"numero <> '000001'", {"B", "D"}},
      {"CONSUMO > 2", {"C", "D"}},
      {"CONSUMO >= 5.5 AND CONSUMO < 10", {"C"}},
      {"CONSUMO = '5,5'", {"C"}},
      {"NUMERO = '000003' OR (NUMERO = '000001' AND NOT CONSUMO = 1)", {"D", "C"}},
      {"DESCCOR = 'O''Neil'", {"B"}},
      {"DESCCOR IS NULL", {"C"}},
      {"DESCCOR IS NOT NULL AND [CODIGO] <> 'A'", {"B", "D"}},
      {"PECAS <> 1", {"A", "B", "C", "D"}},  // a null number differs from everything
      {"PECAS = 1", {}},
      {"  ", {"A", "B", "C", "D"}},
  };
  ds_.IndexFieldNames = "CONSUMO";
  ds_.Filtered = true;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.filter);
    ds_.Filter = c.filter;
    Codes expected = c.expected;
    std::sort(expected.begin(), expected.end());  // in index order: CONSUMO grows with CODIGO here
    EXPECT_EQ(codes(), expected);
    EXPECT_EQ(ds_.RecordCount(), static_cast<int>(expected.size()));
  }
}

TEST_F(ClientDataSetTest, FilterFollowsPostsAndRefusesBadText) {
  add("000001", "A", "", 1);
  add("000002", "B", "", 2);
  ds_.Filter = "NUMERO = '000001'";
  ds_.Filtered = true;
  EXPECT_EQ(codes(), (Codes{"A"}));

  add("000002", "C", "", 3);  // hidden by the filter
  add("000001", "D", "", 4);
  EXPECT_EQ(codes(), (Codes{"A", "D"}));
  ds_.First();
  ds_.Edit();
  ds_.FieldByName("NUMERO").AsString = "000009";  // leaves the filter when posted
  ds_.Post();
  EXPECT_EQ(codes(), (Codes{"D"}));

  for (const char* bad : {"NUMERO = ", "NADA = 1", "NUMERO = 'aberto", "NUMERO == 'x'", "DATA = 'ontem'"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ds_.Filter = bad, EDataSetError);
    EXPECT_EQ(ds_.Filter(), "NUMERO = '000001'");  // the filter in force stays
  }
  ds_.Filtered = false;
  EXPECT_EQ(codes(), (Codes{"A", "B", "C", "D"}));
  ds_.Filtered = true;
  ds_.EmptyDataSet();  // also the hidden records
  ds_.Filtered = false;
  EXPECT_TRUE(ds_.IsEmpty());
}

TEST_F(ClientDataSetTest, IndexOrdersByTheFieldList) {
  add("000002", "B1", "verde", 1);
  add("000001", "A2", "Ámbar", 2);
  add("000001", "A3", "azul", 3);
  add("000001", "A1", "", 4);
  add("000001", "A4", "Azul", 5);
  add("000001", "A5", "branco", 6);
  ds_.IndexFieldNames = "NUMERO; DESCCOR";
  // Alphabetical regardless of accents and case, nulls first, exact order last.
  EXPECT_EQ(codes(), (Codes{"A1", "A2", "A4", "A3", "A5", "B1"}));

  // The current record stays current when the order changes or its key moves.
  ds_.Locate("CODIGO", "A3");
  ds_.Edit();
  ds_.FieldByName("NUMERO").AsString = "000003";
  ds_.Post();
  EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), "A3");
  EXPECT_EQ(ds_.RecNo, 6);
  ds_.IndexFieldNames = "CONSUMO";
  EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), "A3");
  EXPECT_EQ(ds_.RecNo, 3);

  ds_.IndexFieldNames = "";
  EXPECT_EQ(codes(), (Codes{"B1", "A2", "A3", "A1", "A4", "A5"}));
  EXPECT_THROW(ds_.IndexFieldNames = "NUMERO;NADA", EDataSetError);
}

TEST_F(ClientDataSetTest, NamedIndexRunsItsDescendingFieldsDownwards) {
  ds_.AppendRecord({"1", "B", "", 1, 0, Variant::MakeNull(), false});
  ds_.AppendRecord({"1", "C", "", 2, 0, Variant::MakeNull(), true});
  ds_.AppendRecord({"1", "A", "", 3, 0, Variant::MakeNull(), false});
  ds_.AddIndex("PorAtivo", "ATIVO;CODIGO", "ATIVO");
  ds_.IndexName = "porativo";
  EXPECT_EQ(codes(), (Codes{"C", "A", "B"}));
  // A record whose key changes moves to its place in the same order.
  ds_.Locate("CODIGO", "B");
  ds_.Edit();
  ds_.FieldByName("ATIVO").AsBoolean = true;
  ds_.Post();
  EXPECT_EQ(codes(), (Codes{"B", "C", "A"}));

  ds_.IndexFieldNames = "CODIGO";
  EXPECT_EQ(ds_.IndexName(), "");
  EXPECT_EQ(codes(), (Codes{"A", "B", "C"}));
  EXPECT_THROW(ds_.IndexName = "NADA", EDataSetError);
}

TEST_F(ClientDataSetTest, RecordsAppendedUnderAnIndexTakeTheirPlaceAndStayCurrent) {
  ds_.IndexFieldNames = "CODIGO";
  Codes expected;
  for (int i = 40; i > 0; --i) {  // enough records for the ordered view to grow several times
    const std::string code = "C" + std::to_string(100 + i);
    add("1", code, "", i);
    EXPECT_EQ(ds_.FieldByName("CODIGO").AsString(), code);
    EXPECT_EQ(ds_.RecNo, 1);
    expected.insert(expected.begin(), code);
  }
  EXPECT_EQ(codes(), expected);
}

TEST_F(ClientDataSetTest, AfterPostRunsAfterEveryPostAndMayPostAgain) {
  int calls = 0;
  ds_.AfterPost = [&calls](TClientDataSet& d) {
    ++calls;
    if (d.FieldByName("PECAS").AsInteger() == 0) {
      d.Edit();
      d.FieldByName("PECAS").AsInteger = 1;
      d.Post();
    }
  };
  add("1", "A", "", 1);
  EXPECT_EQ(calls, 2);  // the handler's own post runs it again
  EXPECT_EQ(ds_.FieldByName("PECAS").AsInteger(), 1);
  ds_.Edit();
  ds_.FieldByName("CONSUMO").AsFloat = 2;
  ds_.First();  // navigation posts the pending edit
  EXPECT_EQ(calls, 3);
  ds_.Cancel();
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace zpk
