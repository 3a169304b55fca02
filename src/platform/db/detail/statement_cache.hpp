// Prepared statements of one attachment: preparing a statement describes its
// parameters and columns once, and a small cache keyed by the statement's
// text (least recently used out first) keeps them, so that a statement shape
// with bound parameters costs one execute.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/db/values.hpp"

namespace Firebird {
class IAttachment;
class IMessageMetadata;
class IStatement;
class IStatus;
class ITransaction;
}  // namespace Firebird

namespace zpk::detail {

// An input message layout for one combination of parameter kinds.
struct InputFormat {
  Firebird::IMessageMetadata* meta = nullptr;
  unsigned length = 0;
  std::vector<unsigned> offsets;
  std::vector<unsigned> null_offsets;
};

// A prepared statement with what the engine said about it.
struct CachedStatement {
  Firebird::IStatement* stmt = nullptr;
  bool ddl = false;  // a schema change: never cached
  bool has_cursor = false;
  Firebird::IMessageMetadata* in_meta = nullptr;
  unsigned in_count = 0;
  std::vector<unsigned> in_types;  // described types, nullable bit cleared
  std::vector<unsigned> in_lengths;
  std::vector<unsigned> in_charsets;
  Firebird::IMessageMetadata* out_meta = nullptr;
  unsigned out_length = 0;
  std::shared_ptr<std::vector<ColumnInfo>> columns = std::make_shared<std::vector<ColumnInfo>>();
  // Message buffers, reused: an attachment runs one statement at a time.
  std::vector<unsigned char> in_buffer;
  std::vector<unsigned char> row;
  std::unordered_map<std::string, InputFormat> formats;  // by kind signature
  Firebird::IStatus* status = nullptr;                   // the connection's, for clean-up

  CachedStatement() = default;
  // Frees the statement and releases its metadata; never throws.
  ~CachedStatement();
  CachedStatement(const CachedStatement&) = delete;
  CachedStatement& operator=(const CachedStatement&) = delete;
};

// Prepares `sql` and describes its parameters and result columns (repeated
// column names numbered); raises EDatabaseError.
std::shared_ptr<CachedStatement> prepare_statement(Firebird::IAttachment* attachment,
                                                   Firebird::IStatus* status,
                                                   Firebird::ITransaction* transaction, std::string_view sql);

class StatementCache {
 public:
  // The statement prepared for `sql`, now the most recently used; nullptr when none.
  std::shared_ptr<CachedStatement> find(std::string_view sql);
  // Keeps `statement` for `sql`, dropping the least recently used beyond the capacity.
  void insert(std::string_view sql, std::shared_ptr<CachedStatement> statement);
  // Drops every statement (needed before schema changes) and every rejected shape.
  void clear() noexcept;
  size_t size() const { return lru_.size(); }
  size_t capacity = 256;

  // Literal-binding shapes the engine would not prepare (a marker where it
  // takes none), so that they are not tried again.
  bool rejected(const std::string& shape) const { return rejected_.count(shape) != 0; }
  void reject(std::string shape);

 private:
  using Entry = std::pair<std::string, std::shared_ptr<CachedStatement>>;
  std::list<Entry> lru_;  // most recently used first
  std::unordered_map<std::string_view, std::list<Entry>::iterator> index_;
  std::unordered_set<std::string> rejected_;
};

}  // namespace zpk::detail
