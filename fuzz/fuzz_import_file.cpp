// libFuzzer target for the import file reader: any bytes as the text file,
// and, after a first NUL byte, the rest as its ".Blob" companion. The reader
// must never crash, and what it yields must hold together: records carry one
// value per column, values are UTF-8, columns tile their header, line
// numbers only grow, and blobs never come from outside the companion.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "inventory/detail/import_file.hpp"
#include "platform/rtl/errors.hpp"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zpk::detail;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t nul = all.find('\0');
  const std::string_view text = all.substr(0, nul);
  std::optional<std::string> blobs;
  if (nul != std::string_view::npos) blobs = std::string(all.substr(nul + 1));
  const size_t blob_size = blobs ? blobs->size() : 0;

  ImportFileReader reader(text, blobs);
  ImportItem item;
  int last_line = 0;
  size_t taken = 0;
  while (reader.next(item)) {
    check(item.line > last_line || item.kind == ImportItem::Kind::section);
    last_line = item.line;
    if (item.kind == ImportItem::Kind::section) {
      const auto& columns = reader.section().columns;
      check(!columns.empty());
      for (size_t c = 0; c < columns.size(); ++c) {
        check(columns[c].ini >= 1 && columns[c].fim >= 1);
        if (c > 0) check(columns[c].ini == columns[c - 1].ini + columns[c - 1].fim);
        check(plain_identifier(columns[c].campo));
      }
      for (const auto& key : reader.section().keys) check(plain_identifier(key));
      check(plain_identifier(reader.section().table));
      last_line = reader.section().header_line;
    } else if (item.kind == ImportItem::Kind::record) {
      const auto& values = reader.record().values;
      check(values.size() == reader.section().columns.size());
      for (const std::string& value : values) {
        check(valid_utf8(value));
        if (value.find(kBlobMark) == std::string::npos) continue;
        try {
          const std::string bytes = reader.take_blob(value, item.line);
          taken += bytes.size();
          check(taken <= blob_size);
          check(bytes.size() == blob_count(value).value());
        } catch (const zpk::EZpkError&) {
          // Reported by the import and skipped.
        }
      }
    } else {
      check(!item.message.empty() && valid_utf8(item.message));
    }
  }
  return 0;
}
