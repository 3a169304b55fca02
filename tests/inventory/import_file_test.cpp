// The import file reader on its own: header columns, fixed-position values,
// blob counts and the companion, and hostile files (broken sections, broken
// UTF-8, records with no section) reported by line and skipped.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "inventory/detail/import_file.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk {
// Columns print as (ini, fim, campo) in failure messages.
void PrintTo(const TPosicao& p, std::ostream* os) {
  *os << "(" << p.ini << ", " << p.fim << ", " << p.campo << ")";
}
}  // namespace zpk

namespace zpk::detail {
namespace {

TEST(ImportHeader, ColumnsStartAfterABlankAndRunToTheNextOne) {
  const struct {
    const char* header;
    TPosicoes columns;
  } kCases[] = {
      {"CODIGO COR   QTDE", {{1, 7, "CODIGO"}, {8, 6, "COR"}, {14, 4, "QTDE"}}},
      {"CODIGO", {{1, 6, "CODIGO"}}},
      // A one-character last column is a column of its own.
      {"CODIGO X", {{1, 7, "CODIGO"}, {8, 1, "X"}}},
      // Leading blanks hold no column.
      {"  CODIGO COR", {{3, 7, "CODIGO"}, {10, 3, "COR"}}},
      // Positions count characters, not bytes.
      {"DESCRIÇÃO COR", {{1, 10, "DESCRIÇÃO"}, {11, 3, "COR"}}},
      {"", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(header_columns(c.header), c.columns);
  }
}

TEST(ImportHeader, ValuesAreTheTrimmedSliceOfTheirColumn) {
  const TPosicoes cols = header_columns("CODIGO COR   QTDE");
  const struct {
    const char* line;
    std::vector<std::string> values;
  } kCases[] = {
      {"CAM-01 01    12.5", {"CAM-01", "01", "12.5"}},
      {"CAM-01", {"CAM-01", "", ""}},  // short record
      // The last column runs to the end of the record: nothing is cut off unseen.
      {"CAM-01 01    12.5   rest", {"CAM-01", "01", "12.5   rest"}},
      {"AÇÃO-1 é     3", {"AÇÃO-1", "é", "3"}},
      {"", {"", "", ""}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    std::vector<std::string> got;
    for (const TPosicao& p : cols)
      got.push_back(column_slice(std::string_view(c.line), p, &p == &cols.back()));
    EXPECT_EQ(got, c.values);
  }
}

TEST(ImportValues, BlobCountsAndUtf8AndNames) {
  const struct {
    const char* value;
    std::optional<size_t> count;
  } kCounts[] = {
      {"\\Blob:12", 12},    {"\\Blob: 7 ", 7},  {"\\Blob:0", 0},
      {"\\Blob:", {}},      {"\\Blob:-1", {}},  {"\\Blob:1.5", {}},
      {"\\Blob:abc", {}},   {"\\Blob:12x", {}}, {"\\Blob:999999999999999999999999", {}},
      {"no mark here", {}},
  };
  for (const auto& c : kCounts) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(blob_count(c.value), c.count);
  }
  const struct {
    std::string text;
    bool valid;
  } kUtf8[] = {
      {"plain", true},
      {"ação", true},
      {"\xF0\x9F\x98\x80", true},
      {"\xC3", false},
      {"\x80", false},
      {"\xC0\xAF", false},  // overlong "/"
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},
      {"ab\xE3\x81", false},
  };
  for (const auto& c : kUtf8) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(valid_utf8(c.text), c.valid);
  }
  for (const char* ok : {"PA_MOV", "pa_iten", "X", "A$1"}) EXPECT_TRUE(plain_identifier(ok)) << ok;
  for (const char* bad : {"", "1A", "PA MOV", "T;DROP", "A-B", "\"X\"", "ÇA"}) {
    EXPECT_FALSE(plain_identifier(bad)) << bad;
  }
}

// Walks a file and writes what the reader found, one item a line:
// "S<line> TABLE keys... | columns", "R<line> values|...", "E<line> message".
std::vector<std::string> walk(const std::string& text, int* skipped = nullptr) {
  ImportFileReader reader(text, std::nullopt);
  std::vector<std::string> out;
  ImportItem item;
  while (reader.next(item)) {
    std::string s;
    switch (item.kind) {
      case ImportItem::Kind::section:
        s = "S" + std::to_string(item.line) + " " + reader.section().table;
        for (const auto& k : reader.section().keys) s += " " + k;
        s += " |";
        for (const auto& c : reader.section().columns) s += " " + c.campo;
        break;
      case ImportItem::Kind::record:
        s = "R" + std::to_string(item.line);
        for (const auto& v : reader.record().values) s += " " + v;
        break;
      case ImportItem::Kind::error:
        s = "E" + std::to_string(item.line);
        break;
    }
    out.push_back(s);
  }
  if (skipped != nullptr) *skipped = reader.skipped();
  return out;
}

TEST(ImportReader, ReportsEachBrokenLineByItsNumberAndNeverReadsARecordWithAnotherSectionsColumns) {
  const struct {
    const char* name;
    std::string file;
    std::vector<std::string> items;
    int skipped;
  } kCases[] = {
      {"two sections, CR LF, CR and blank lines",
       ";PA_MOV-CODIGO, COR\r\nCODIGO COR\r\nA1     01\r\n\r\n   \rA2     02\n;CLIENTE-CODIGO\nCODIGO\nC1\n",
       {"S1 PA_MOV CODIGO COR | CODIGO COR", "R3 A1 01", "R6 A2 02", "S7 CLIENTE CODIGO | CODIGO", "R9 C1"},
       0},
      {"records before the first section", "A1\nA2\n;T-K\nK\nx\n", {"E1", "E2", "S3 T K | K", "R5 x"}, 0},
      {"section line without a dash", ";PA_MOV\nCODIGO\nA1\n;T-K\nK\nx\n", {"E1", "S4 T K | K", "R6 x"}, 1},
      {"table that is not a name", ";PA_MOV;DROP-K\nK\nA1\n", {"E1"}, 1},
      {"key that is not a name", ";T-K,1=1\nK\nA1\n", {"E1"}, 1},
      {"section at the end of the file", "\n;T-K\n", {"E2"}, 0},
      {"section followed by a section", ";T-K\n;U-K\nK\nv\n", {"E1", "S2 U K | K", "R4 v"}, 0},
      {"header that is not UTF-8", ";T-K\nK \xC3\nv\n;U-K\nK\nw\n", {"E2", "S4 U K | K", "R6 w"}, 1},
      {"column that is not a name", ";T-K\nK C'X\nv\n", {"E2"}, 1},
      {"column repeated", ";T-K\nK C k\nv\n", {"E2"}, 1},
      {"column named by control characters", ";T-K\nK  \x14\x14 C\nv\n", {"E2"}, 1},
      {"record that is not UTF-8", ";T-K\nK\nv\xFF\nw\n", {"S1 T K | K", "E3", "R4 w"}, 0},
      {"record of any length",
       ";T-K\nK C\n" + std::string(100000, 'x') + "\nz\n",
       {"S1 T K | K C", "R3 xx " + std::string(99998, 'x'), "R4 z "},
       0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    int skipped = -1;
    EXPECT_EQ(walk(c.file, &skipped), c.items);
    EXPECT_EQ(skipped, c.skipped);
  }
}

TEST(ImportReader, TakesBlobsInOrderAndRefusesEveryLaterOneOnceAPositionIsLost) {
  const std::string file = ";T-K\nK\nv\n";
  {
    ImportFileReader r(file, std::string("abcdef"));
    EXPECT_EQ(r.take_blob("\\Blob:2", 3), "ab");
    EXPECT_EQ(r.take_blob("\\Blob:0", 3), "");
    EXPECT_EQ(r.take_blob("\\Blob:3", 4), "cde");
    EXPECT_THROW(r.take_blob("\\Blob:2", 5), EZpkError);  // one byte left
    EXPECT_THROW(r.take_blob("\\Blob:1", 6), EZpkError);  // position unknown since line 5
  }
  {
    ImportFileReader r(file, std::string("abcdef"));
    EXPECT_THROW(r.take_blob("\\Blob:x", 3), EZpkError);
    try {
      r.take_blob("\\Blob:1", 4);
      ADD_FAILURE() << "a blob after a count that is not a number was read";
    } catch (const EZpkError& e) {
      EXPECT_NE(std::string(e.what()).find("linha 3"), std::string::npos) << e.what();
    }
  }
  {
    ImportFileReader r(file, std::nullopt);
    EXPECT_THROW(r.take_blob("\\Blob:1", 3), EZpkError);
  }
}

}  // namespace
}  // namespace zpk::detail
