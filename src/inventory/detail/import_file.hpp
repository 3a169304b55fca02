// Reading of stock and table import files: sections, fixed-column headers,
// records and the ".Blob" companion. Pure text handling (no database), so
// that every hostile input can be tried on it alone.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/sis_importa.hpp"

namespace zpk::detail {

// The mark that a value's bytes are in the companion file: "\Blob:" + count.
inline constexpr std::string_view kBlobMark = "\\Blob:";

// True when `s` is well-formed UTF-8 (no overlong forms, surrogates or code
// points past U+10FFFF): the database stores UTF-8 only, and a line that is
// not cannot be cut into characters reliably.
bool valid_utf8(std::string_view s);

// A value as an error message quotes it: its first 40 characters, then
// "..." (a record of any length must not become a message box as long).
std::string shown_value(std::string_view value);

// True for a name that may stand in a statement as written: a letter, then
// letters, digits, "_" or "$", at most 63 characters (the engine's limit).
bool plain_identifier(std::string_view s);

// The columns of a header line: a column starts at a character that is not a
// blank and follows a blank (the first at position 1) and ends before the
// next one starts; the last one runs to the end of the line. Positions count
// characters, 1-based; `fim` is a width.
TPosicoes header_columns(std::string_view line);

// The trimmed text of `line` in the column (empty when the line is shorter).
// The last column of a section (`last`) runs to the end of the record, so a
// value wider than its header is read whole (and refused where it does not
// fit) instead of being cut short without a word.
std::string column_slice(std::string_view line, const TPosicao& column, bool last = false);
// The same on a line already decoded into code points.
std::string column_slice(std::u32string_view line, const TPosicao& column, bool last = false);

// The byte count of a value holding kBlobMark, or nullopt when what follows
// the mark is not a whole number that fits (a sign, a fraction, letters,
// nothing at all).
std::optional<size_t> blob_count(std::string_view value);

// One section of the file: ";" + table + "-" + keys, then its header.
struct ImportSection {
  int line = 0;         // 1-based line of the section
  int header_line = 0;  // 1-based line of its header
  std::string table;    // as written (trimmed)
  std::vector<std::string> keys;
  TPosicoes columns;
};

// One data record: the trimmed value of each column of its section, in the
// columns' order.
struct ImportRecord {
  int line = 0;
  std::string text;  // the line, right-trimmed
  std::vector<std::string> values;
};

// What the reader found next.
struct ImportItem {
  enum class Kind { section, record, error };
  Kind kind = Kind::error;
  int line = 0;         // 1-based line in the file
  std::string message;  // error: what is wrong with the line
};

// Walks an import file line by line. Every line is right-trimmed and empty
// lines are skipped; line numbers are those of the file (a line ends at CR
// LF, LF or CR). A section line whose table, keys or header cannot be used
// is an error and drops the section: its records are skipped (counted in
// skipped()), never read with another section's columns. A record that is
// not UTF-8 is an error of its own line.
class ImportFileReader {
 public:
  // `blobs`: the companion file's bytes, when it exists.
  ImportFileReader(std::string_view text, std::optional<std::string> blobs);

  // Moves to the next section, record or error; false at the end of the file.
  bool next(ImportItem& item);
  // The current section (valid after a section item, and for its records).
  const ImportSection& section() const { return section_; }
  // The current record (valid after a record item).
  const ImportRecord& record() const { return record_; }
  // Skips the records of the current section up to the next section line
  // (the caller found the section unusable).
  void drop_section() { section_open_ = false; }
  // Records skipped without an error of their own, because their section
  // was dropped or unusable (reported once, at the section).
  int skipped() const { return skipped_; }

  // The next `count` bytes of the companion for the raw value `value` (which
  // holds kBlobMark) of line `line`. Raises EZpkError when the count is not a
  // number, the companion is missing or shorter than the count, or an
  // earlier such failure left its position unknown (the companion is read in
  // order, so one bad count misplaces every later blob).
  std::string take_blob(std::string_view value, int line);

 private:
  struct Line {
    int number;
    std::string_view text;  // right-trimmed, not empty
  };
  bool read_section(const Line& line, ImportItem& item);

  std::string text_;
  std::vector<Line> lines_;
  size_t next_ = 0;
  ImportSection section_;
  bool section_open_ = false;
  ImportRecord record_;
  std::u32string decoded_;
  int skipped_ = 0;
  std::optional<std::string> blobs_;
  size_t blob_position_ = 0;
  int blob_lost_at_ = 0;  // line whose blob left the position unknown (0: none)
};

}  // namespace zpk::detail
