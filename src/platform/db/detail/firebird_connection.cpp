#include "platform/db/detail/firebird_connection.hpp"

#include <ibase.h>

#include <chrono>

#include <fmt/format.h>

#include "platform/db/cancellation.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/detail/firebird_api.hpp"
#include "platform/db/detail/live_connections.hpp"
#include "platform/db/detail/parameter_encoding.hpp"
#include "platform/db/detail/row_decoding.hpp"
#include "platform/db/detail/server_address.hpp"
#include "platform/db/detail/sql_text.hpp"

namespace zpk::detail {

using Firebird::CheckStatusWrapper;
using Firebird::IStatus;
using Firebird::ITransaction;
using Firebird::IXpbBuilder;

namespace {

ITransaction* fb(TransactionHandle t) {
  return static_cast<ITransaction*>(t);
}

}  // namespace

namespace {

// The message for an attachment that failed: a server that let the connect
// timeout pass without answering is said so, by host and port; the engine
// only says "connection rejected by remote interface" then.
std::string attach_failure_message(const ConnectSettings& settings, std::chrono::steady_clock::duration took,
                                   const std::string& engine_message) {
  using namespace std::chrono_literals;
  const std::optional<ServerAddress> server = server_address(settings.location);
  if (!server || settings.connect_timeout <= 0 ||
      took < std::chrono::seconds(settings.connect_timeout) - 250ms) {
    return engine_message;
  }
  return fmt::format("the database server at {}, port {}, did not answer within {} s (connect timeout)",
                     server->host, server->port, settings.connect_timeout);
}

}  // namespace

std::unique_ptr<FirebirdConnection> FirebirdConnection::open(const ConnectSettings& settings,
                                                             const CreateSettings* create) {
  // Nothing new starts once the program is stopping.
  throw_if_stop_requested();
  std::unique_ptr<FirebirdConnection> c(new FirebirdConnection());
  c->status_ = master()->getStatus();
  CheckStatusWrapper st(c->status_);
  XpbBuilder dpb(st, IXpbBuilder::DPB);
  dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
  if (!settings.user.empty()) dpb->insertString(&st, isc_dpb_user_name, settings.user.c_str());
  if (!settings.password.empty()) dpb->insertString(&st, isc_dpb_password, settings.password.c_str());
  if (settings.connect_timeout > 0) dpb->insertInt(&st, isc_dpb_connect_timeout, settings.connect_timeout);
  if (create) {
    dpb->insertInt(&st, isc_dpb_page_size, create->page_size);
    dpb->insertInt(&st, isc_dpb_sql_dialect, static_cast<int>(kDialect));
    dpb->insertString(&st, isc_dpb_set_db_charset, "UTF8");
    dpb->insertInt(&st, isc_dpb_force_write, create->forced_writes ? 1 : 0);
  }
  check(st);
  Firebird::IProvider* provider = master()->getDispatcher();
  const unsigned char* buffer = dpb->getBuffer(&st);
  const unsigned length = dpb->getBufferLength(&st);
  const auto started = std::chrono::steady_clock::now();
  if (create) {
    c->attachment_ = provider->createDatabase(&st, settings.location.c_str(), length, buffer);
  } else {
    c->attachment_ = provider->attachDatabase(&st, settings.location.c_str(), length, buffer);
  }
  const bool attach_failed = failed(st);
  const auto took = std::chrono::steady_clock::now() - started;
  provider->release();
  if (attach_failed) {
    try {
      raise_status(c->status_, {});
    } catch (const EDatabaseError& e) {
      // A location that cannot be opened is a connection failure whatever the engine's code.
      EDatabaseError failure(DatabaseErrorKind::connection, e,
                             attach_failure_message(settings, took, e.message()));
      failure.set_statement(settings.location);
      throw failure;
    }
  }
  add_live_connection(c.get());
  return c;
}

void FirebirdConnection::cancel_statement() noexcept {
  IStatus* status = master()->getStatus();
  CheckStatusWrapper st(status);
  // With nothing running the engine answers "nothing to cancel": nothing to do then.
  attachment_->cancelOperation(&st, fb_cancel_raise);
  status->dispose();
}

void FirebirdConnection::abort() noexcept {
  IStatus* status = master()->getStatus();
  CheckStatusWrapper st(status);
  attachment_->cancelOperation(&st, fb_cancel_abort);
  status->dispose();
}

FirebirdConnection::~FirebirdConnection() {
  remove_live_connection(this);
  clear_statement_cache();
  if (attachment_) {
    CheckStatusWrapper st(status_);
    attachment_->detach(&st);
    if (failed(st)) attachment_->release();
    attachment_ = nullptr;
  }
  if (status_) status_->dispose();
}

void FirebirdConnection::drop_database() {
  clear_statement_cache();
  remove_live_connection(this);
  CheckStatusWrapper st(status_);
  attachment_->dropDatabase(&st);
  if (failed(st)) {
    add_live_connection(this);
    check(st);
  }
  attachment_ = nullptr;
}

TransactionHandle FirebirdConnection::start_transaction(const TransactionSettings& settings) {
  throw_if_stop_requested();
  CheckStatusWrapper st(status_);
  XpbBuilder tpb(st, IXpbBuilder::TPB);
  tpb->insertTag(&st, settings.read_only ? isc_tpb_read : isc_tpb_write);
  tpb->insertTag(&st, isc_tpb_read_committed);
  tpb->insertTag(&st, isc_tpb_rec_version);
  tpb->insertTag(&st, isc_tpb_wait);
  if (settings.lock_timeout > 0) tpb->insertInt(&st, isc_tpb_lock_timeout, settings.lock_timeout);
  check(st);
  ITransaction* t = attachment_->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
  check(st);
  return t;
}

void FirebirdConnection::commit(TransactionHandle& transaction) {
  if (!transaction) return;
  // A stop may have cut the work short (a statement whose error was handled
  // as a business condition): never commit what may be half done.
  throw_if_stop_requested();
  CheckStatusWrapper st(status_);
  fb(transaction)->commit(&st);
  check(st);
  transaction = nullptr;
}

void FirebirdConnection::rollback(TransactionHandle& transaction) noexcept {
  if (!transaction) return;
  CheckStatusWrapper st(status_);
  fb(transaction)->rollback(&st);
  if (failed(st)) fb(transaction)->release();
  transaction = nullptr;
}

void FirebirdConnection::execute_immediate(TransactionHandle transaction, std::string_view sql) {
  StatementMark mark(*this);
  if (is_ddl_statement(sql)) clear_statement_cache();
  CheckStatusWrapper st(status_);
  attachment_->execute(&st, fb(transaction), static_cast<unsigned>(sql.size()), sql.data(), kDialect, nullptr,
                       nullptr, nullptr, nullptr);
  check(st, sql);
}

std::shared_ptr<CachedStatement> FirebirdConnection::statement(ITransaction* transaction,
                                                               std::string_view sql) {
  std::shared_ptr<CachedStatement> cs = cache_.find(sql);
  if (cs) return cs;
  cs = prepare_statement(attachment_, status_, transaction, sql);
  if (!cs->ddl) cache_.insert(sql, cs);
  return cs;
}

bool FirebirdConnection::run_as_shape(ITransaction* transaction, std::string_view sql, ResultData& out,
                                      size_t max_rows) {
  LiteralShape shape;
  if (!lift_compared_literals(sql, shape) || cache_.rejected(shape.text)) return false;
  std::shared_ptr<CachedStatement> cs;
  try {
    cs = statement(transaction, shape.text);
  } catch (const EDatabaseError&) {
    // Not every position takes a marker; the literal text is prepared instead.
    cache_.reject(std::move(shape.text));
    return false;
  }
  if (!literals_fit(*cs, shape.values)) return false;
  std::vector<BoundValue> bound(shape.values.size());
  std::vector<const BoundValue*> ptrs;
  ptrs.reserve(bound.size());
  for (size_t i = 0; i < bound.size(); ++i) {
    bound[i].kind = BoundValue::Kind::text;
    bound[i].s = std::move(shape.values[i]);
    ptrs.push_back(&bound[i]);
  }
  execute(*cs, transaction, ptrs, sql, out, max_rows);
  return true;
}

void FirebirdConnection::run(TransactionHandle handle, std::string_view sql,
                             const std::vector<const BoundValue*>& values, bool literal_binding,
                             ResultData& out, size_t max_rows) {
  StatementMark mark(*this);
  ITransaction* transaction = fb(handle);
  if (literal_binding && auto_parameterize && values.empty() && run_as_shape(transaction, sql, out, max_rows))
    return;
  if (is_ddl_statement(sql)) {
    // A schema change outdates every prepared statement; it is not kept itself.
    clear_statement_cache();
    std::shared_ptr<CachedStatement> cs = prepare_statement(attachment_, status_, transaction, sql);
    execute(*cs, transaction, values, sql, out, max_rows);
    return;
  }
  execute(*statement(transaction, sql), transaction, values, sql, out, max_rows);
}

void FirebirdConnection::execute(CachedStatement& cs, ITransaction* transaction,
                                 const std::vector<const BoundValue*>& values, std::string_view sql,
                                 ResultData& out, size_t max_rows) {
  if (values.size() != cs.in_count) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "the statement takes " + std::to_string(cs.in_count) + " parameters, " +
                             std::to_string(values.size()) + " were given",
                         std::string(sql));
  }
  Firebird::IMessageMetadata* in_meta = encode_parameters(cs, attachment_, transaction, status_, values, sql);
  unsigned char* in_data = cs.in_buffer.empty() ? nullptr : cs.in_buffer.data();

  CheckStatusWrapper st(status_);
  out.columns = cs.columns;
  out.cells.clear();
  out.row_count = 0;
  out.rows_affected = 0;
  std::vector<unsigned char>& row = cs.row;
  row.resize(cs.out_length);
  const std::vector<ColumnInfo>& columns = *cs.columns;
  const size_t ncol = columns.size();
  if (cs.has_cursor) {
    Firebird::IResultSet* rs = cs.stmt->openCursor(&st, transaction, in_meta, in_data, cs.out_meta, 0);
    check(st, sql);
    try {
      // Rows past `max_rows` are never read: the cursor is closed before them.
      while (max_rows == 0 || out.row_count < max_rows) {
        const int r = rs->fetchNext(&st, row.data());
        if (r != IStatus::RESULT_OK) {
          if (r == IStatus::RESULT_ERROR || failed(st)) check(st, sql);
          break;
        }
        out.cells.resize(out.cells.size() + ncol);
        CellValue* cells = out.cells.data() + out.row_count * ncol;
        for (size_t c = 0; c < ncol; ++c)
          decode_cell(columns[c], row.data(), attachment_, transaction, status_, cells[c]);
        ++out.row_count;
      }
    } catch (...) {
      rs->release();
      throw;
    }
    rs->close(&st);
    if (failed(st)) {
      rs->release();
      check(st, sql);
    }
    out.rows_affected = static_cast<int64_t>(out.row_count);
  } else {
    cs.stmt->execute(&st, transaction, in_meta, in_data, ncol > 0 ? cs.out_meta : nullptr,
                     ncol > 0 ? row.data() : nullptr);
    check(st, sql);
    if (ncol > 0) {
      // EXECUTE PROCEDURE and RETURNING give one row.
      out.cells.resize(ncol);
      for (size_t c = 0; c < ncol; ++c)
        decode_cell(columns[c], row.data(), attachment_, transaction, status_, out.cells[c]);
      out.row_count = 1;
    }
    out.rows_affected = static_cast<int64_t>(cs.stmt->getAffectedRecords(&st));
    if (failed(st)) out.rows_affected = 0;
  }
}

std::vector<std::string> FirebirdConnection::script_statements(std::string_view script,
                                                               const std::filesystem::path&) {
  return split_sql_script(script);
}

void FirebirdConnection::execute_script_statement(TransactionHandle transaction, const std::string& sql) {
  execute_immediate(transaction, sql);
}

bool FirebirdConnection::table_exists(TransactionHandle transaction, const std::string& table) {
  BoundValue name;
  name.kind = BoundValue::Kind::text;
  name.s = table;
  ResultData out;
  run(transaction, "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?", {&name}, false, out);
  return out.row_count > 0;
}

}  // namespace zpk::detail
