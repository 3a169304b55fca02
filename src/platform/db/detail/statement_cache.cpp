#include "platform/db/detail/statement_cache.hpp"

#include <ibase.h>

#include <algorithm>

#include "platform/db/detail/firebird_api.hpp"

namespace zpk::detail {

namespace {

// Rejected shapes kept at most; past that the set starts again.
constexpr size_t kMaxRejectedShapes = 1000;

}  // namespace

CachedStatement::~CachedStatement() {
  for (auto& [sig, f] : formats) {
    if (f.meta) f.meta->release();
  }
  if (in_meta) in_meta->release();
  if (out_meta) out_meta->release();
  if (stmt) {
    Firebird::CheckStatusWrapper st(status);
    stmt->free(&st);
    if (failed(st)) stmt->release();
  }
}

std::shared_ptr<CachedStatement> prepare_statement(Firebird::IAttachment* attachment,
                                                   Firebird::IStatus* status,
                                                   Firebird::ITransaction* transaction,
                                                   std::string_view sql) {
  auto cs = std::make_shared<CachedStatement>();
  cs->status = status;
  Firebird::CheckStatusWrapper st(status);
  cs->stmt = attachment->prepare(&st, transaction, static_cast<unsigned>(sql.size()), sql.data(), kDialect,
                                 Firebird::IStatement::PREPARE_PREFETCH_METADATA);
  check(st, sql);
  cs->ddl = cs->stmt->getType(&st) == isc_info_sql_stmt_ddl;
  cs->has_cursor = (cs->stmt->getFlags(&st) & Firebird::IStatement::FLAG_HAS_CURSOR) != 0;
  cs->in_meta = cs->stmt->getInputMetadata(&st);
  check(st, sql);
  cs->in_count = cs->in_meta->getCount(&st);
  for (unsigned i = 0; i < cs->in_count; ++i) {
    cs->in_types.push_back(base_type(cs->in_meta->getType(&st, i)));
    cs->in_lengths.push_back(cs->in_meta->getLength(&st, i));
    cs->in_charsets.push_back(cs->in_meta->getCharSet(&st, i));
  }
  cs->out_meta = cs->stmt->getOutputMetadata(&st);
  check(st, sql);
  const unsigned out_count = cs->out_meta->getCount(&st);
  cs->out_length = cs->out_meta->getMessageLength(&st);
  std::vector<std::string> seen;
  for (unsigned i = 0; i < out_count; ++i) {
    ColumnInfo col;
    col.name = cs->out_meta->getAlias(&st, i);
    if (col.name.empty()) col.name = cs->out_meta->getField(&st, i);
    col.relation = cs->out_meta->getRelation(&st, i);
    col.sql_type = base_type(cs->out_meta->getType(&st, i));
    col.scale = cs->out_meta->getScale(&st, i);
    col.length = cs->out_meta->getLength(&st, i);
    col.sub_type = static_cast<unsigned>(cs->out_meta->getSubType(&st, i));
    col.charset = cs->out_meta->getCharSet(&st, i);
    col.offset = cs->out_meta->getOffset(&st, i);
    col.null_offset = cs->out_meta->getNullOffset(&st, i);
    // Repeated names get a counter ("NOME_1"), so that every field of a
    // result can be found by its name, as the ERP's datasets name them.
    std::string base = col.name;
    int n = 0;
    while (std::find(seen.begin(), seen.end(), col.name) != seen.end())
      col.name = base + "_" + std::to_string(++n);
    seen.push_back(col.name);
    cs->columns->push_back(std::move(col));
  }
  check(st, sql);
  return cs;
}

std::shared_ptr<CachedStatement> StatementCache::find(std::string_view sql) {
  auto it = index_.find(sql);
  if (it == index_.end()) return nullptr;
  if (it->second != lru_.begin()) lru_.splice(lru_.begin(), lru_, it->second);
  return it->second->second;
}

void StatementCache::insert(std::string_view sql, std::shared_ptr<CachedStatement> statement) {
  lru_.emplace_front(std::string(sql), std::move(statement));
  index_.emplace(lru_.front().first, lru_.begin());
  while (lru_.size() > capacity && capacity > 0) {
    index_.erase(lru_.back().first);
    lru_.pop_back();
  }
}

void StatementCache::clear() noexcept {
  index_.clear();
  lru_.clear();
  rejected_.clear();
}

void StatementCache::reject(std::string shape) {
  if (rejected_.size() > kMaxRejectedShapes) rejected_.clear();
  rejected_.insert(std::move(shape));
}

}  // namespace zpk::detail
