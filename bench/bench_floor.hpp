// The floors the benchmarks measure the library against: a routine's own
// statements run straight on the Firebird API, each prepared once with its
// values bound, so that what is left above the floor is the library's cost.
#pragma once

#include <benchmark/benchmark.h>
#include <firebird/Interface.h>
#include <ibase.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/db/detail/engine_handles.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::bench {

// Throws the engine's message when the last call made with `st` failed.
inline void check(Firebird::CheckStatusWrapper& st) {
  if (st.getState() & Firebird::IStatus::STATE_ERRORS) {
    char msg[512];
    Firebird::fb_get_master_interface()->getUtilInterface()->formatStatus(msg, sizeof msg, &st);
    throw std::runtime_error(msg);
  }
}

// Starts a transaction on `att` as the library starts its own: read-write,
// read committed with record versions, waiting at most 10 s for a lock.
inline Firebird::ITransaction* start_library_transaction(Firebird::CheckStatusWrapper& st,
                                                         Firebird::IAttachment* att) {
  static const unsigned char tpb[] = {isc_tpb_version3,
                                      isc_tpb_write,
                                      isc_tpb_read_committed,
                                      isc_tpb_rec_version,
                                      isc_tpb_wait,
                                      isc_tpb_lock_timeout,
                                      4,
                                      10,
                                      0,
                                      0,
                                      0};
  Firebird::ITransaction* tra = att->startTransaction(&st, sizeof tpb, tpb);
  check(st);
  return tra;
}

// One statement prepared once. Its parameters are set by position (a number
// in the type the engine describes for it), or all at once as texts (for
// statements that cast them). `run` runs it as the library's Open or
// ExecSQL does, `lookup` reads only the first row, and open/fetch/close walk
// the rows one by one; the columns of the row last fetched are then read by
// position. Without a transaction given, it runs in the current transaction
// of Tabela's connection, looked up at each call (a commit starts another).
class FloorStatement {
 public:
  // Prepared on Tabela's connection.
  FloorStatement(Firebird::CheckStatusWrapper& st, const std::string& sql)
      : FloorStatement(st, detail::engine_attachment(Tabela.IBDatabase), nullptr, sql) {}
  // Prepared on `att` in `tra`.
  FloorStatement(Firebird::CheckStatusWrapper& st, Firebird::IAttachment* att, Firebird::ITransaction* tra,
                 const std::string& sql)
      : st_(st) {
    stmt_ = att->prepare(&st_, current(tra), 0, sql.c_str(), SQL_DIALECT_V6,
                         Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    check(st_);
    in_ = stmt_->getInputMetadata(&st_);
    out_ = stmt_->getOutputMetadata(&st_);
    check(st_);
    in_buf_.assign(in_->getMessageLength(&st_), 0);
    out_buf_.assign(out_->getMessageLength(&st_) + 1, 0);
    has_rows_ = out_->getCount(&st_) > 0;
  }
  ~FloorStatement() {
    close();
    in_->release();
    out_->release();
    stmt_->free(&st_);
  }
  FloorStatement(const FloorStatement&) = delete;
  FloorStatement& operator=(const FloorStatement&) = delete;

  // A VARCHAR parameter.
  void set_text(unsigned i, const std::string& v) {
    unsigned char* p = slot(i);
    const uint16_t n = static_cast<uint16_t>(v.size());
    std::memcpy(p, &n, 2);
    std::memcpy(p + 2, v.data(), v.size());
  }
  // An INTEGER parameter.
  void set_integer(unsigned i, int32_t v) { std::memcpy(slot(i), &v, 4); }
  // A DOUBLE PRECISION, NUMERIC/DECIMAL (scaled to its digits) or INTEGER parameter.
  void set_number(unsigned i, double v) {
    unsigned char* p = slot(i);
    switch (in_->getType(&st_, i) & ~1u) {
      case SQL_DOUBLE:
        std::memcpy(p, &v, 8);
        break;
      case SQL_INT64: {
        const int64_t scaled = std::llround(v * std::pow(10.0, -in_->getScale(&st_, i)));
        std::memcpy(p, &scaled, 8);
        break;
      }
      case SQL_LONG: {
        const int32_t n = static_cast<int32_t>(v);
        std::memcpy(p, &n, 4);
        break;
      }
      default:
        throw std::runtime_error("unexpected parameter type");
    }
  }
  // A DATE parameter.
  void set_date(unsigned i, int y, int m, int d) {
    const ISC_DATE v = Firebird::fb_get_master_interface()->getUtilInterface()->encodeDate(y, m, d);
    std::memcpy(slot(i), &v, sizeof v);
  }
  // The first parameters, in order, as VARCHARs.
  void set_texts(const std::vector<std::string>& values) {
    for (unsigned i = 0; i < values.size(); ++i) set_text(i, values[i]);
  }

  // Runs it with the parameters set: a statement with columns fetches every
  // row and returns how many came (the last stays readable), any other is
  // executed and returns 0.
  int run(Firebird::ITransaction* tra = nullptr) {
    if (!has_rows_) {
      stmt_->execute(&st_, current(tra), in_, in_buf_.data(), nullptr, nullptr);
      check(st_);
      return 0;
    }
    return fetch_rows(tra, 0);
  }
  // Runs it with `params` as its texts.
  int run(const std::vector<std::string>& params) {
    set_texts(params);
    return run();
  }
  // Fetches only the first row, with the parameters set: whether one came.
  bool lookup(Firebird::ITransaction* tra = nullptr) { return fetch_rows(tra, 1) == 1; }
  // The same with `params` as its texts.
  bool lookup(const std::vector<std::string>& params) {
    set_texts(params);
    return lookup();
  }

  // Opens its rows with the parameters set (closing the rows still open).
  void open(Firebird::ITransaction* tra = nullptr) {
    close();
    rs_ = stmt_->openCursor(&st_, current(tra), in_, in_buf_.data(), out_, 0);
    check(st_);
  }
  // Opens its rows with `params` as its texts.
  void open(const std::vector<std::string>& params) {
    set_texts(params);
    open();
  }
  // Fetches the next row: false at the end.
  bool fetch() {
    const bool found = rs_->fetchNext(&st_, out_buf_.data()) == Firebird::IStatus::RESULT_OK;
    check(st_);
    return found;
  }
  // Closes the open rows, if any.
  void close() {
    if (rs_ == nullptr) return;
    rs_->close(&st_);
    rs_ = nullptr;
  }

  // Whether a column of the fetched row is NULL.
  bool null(unsigned column) {
    return *reinterpret_cast<int16_t*>(out_buf_.data() + out_->getNullOffset(&st_, column)) != 0;
  }
  // A VARCHAR column of the fetched row; "" when NULL.
  std::string text(unsigned column) {
    if (null(column)) return {};
    uint16_t len;
    const unsigned char* p = out_buf_.data() + out_->getOffset(&st_, column);
    std::memcpy(&len, p, 2);
    return {reinterpret_cast<const char*>(p + 2), len};
  }
  // A DOUBLE PRECISION column of the fetched row; 0 when NULL.
  double number(unsigned column) {
    if (null(column)) return 0;
    double v;
    std::memcpy(&v, out_buf_.data() + out_->getOffset(&st_, column), sizeof v);
    return v;
  }
  // An INTEGER column of the fetched row; 0 when NULL.
  int32_t integer(unsigned column) {
    if (null(column)) return 0;
    int32_t v;
    std::memcpy(&v, out_buf_.data() + out_->getOffset(&st_, column), sizeof v);
    return v;
  }

 private:
  // Opens its rows, fetches at most `most` of them (0: all), closes them, and
  // says how many came.
  int fetch_rows(Firebird::ITransaction* tra, int most) {
    open(tra);
    int rows = 0;
    while ((most == 0 || rows < most) && fetch()) ++rows;
    close();
    check(st_);
    return rows;
  }
  // `tra`, or the current transaction of Tabela's connection.
  static Firebird::ITransaction* current(Firebird::ITransaction* tra) {
    return tra != nullptr ? tra : detail::engine_transaction(Tabela.IBDatabase.DefaultTransaction());
  }
  // Where parameter `i` goes, marked not NULL.
  unsigned char* slot(unsigned i) {
    *reinterpret_cast<int16_t*>(in_buf_.data() + in_->getNullOffset(&st_, i)) = 0;
    return in_buf_.data() + in_->getOffset(&st_, i);
  }

  Firebird::CheckStatusWrapper& st_;
  Firebird::IStatement* stmt_ = nullptr;
  Firebird::IMessageMetadata* in_ = nullptr;
  Firebird::IMessageMetadata* out_ = nullptr;
  Firebird::IResultSet* rs_ = nullptr;
  std::vector<unsigned char> in_buf_, out_buf_;
  bool has_rows_ = false;
};

// An invoice number `n` as the used-number check writes it (six digits at least).
inline std::string padded(int64_t n) {
  std::string s = std::to_string(n);
  return s.size() >= 6 ? s : std::string(6 - s.size(), '0') + s;
}

// The floor of one stock posting of product "BENCH" on `db` (entries and
// exits alternating on one balance row): the statements
// MovimentaEstoqueProduto runs (savepoint, register lock, defaults, average,
// balance, cost, journal, commit), prepared once, once per iteration of `state`.
inline void run_stock_posting_floor(benchmark::State& state, TTIDatabase& db) {
  db.DefaultTransaction().Commit();
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  Firebird::IAttachment* att = detail::engine_attachment(db);
  Firebird::ITransaction* tra = bench::start_library_transaction(st, att);
  {
    bench::FloorStatement lock(st, att, tra, "SELECT ESTOQUE FROM PRODUTO_001 WHERE CODIGO = ? WITH LOCK");
    bench::FloorStatement defaults(
        st, att, tra,
        "SELECT PR.CUSTO, PR.PRECO, MAX(PA.COMPOSICAO) AS COMPOSICAO, MAX(PA.BARRA) AS BARRA, "
        "MAX(PA.BARRA28) AS "
        "BARRA28, MAX(PA.BARRACLI) AS BARRACLI, MAX(PA.ORDEM) AS ORDEM, PR.UNIDADE, UN.QTDE AS UN_QTDE, "
        "MAX(PA.QTDE_MIN) AS QTDE_MIN, MAX(PA.QTDE_MAX) AS QTDE_MAX FROM PRODUTO_001 PR INNER JOIN "
        "PA_ITEN_001 PA ON "
        "(PR.CODIGO = PA.CODIGO) LEFT JOIN UNIDADE_001 UN ON (UN.UNIDADE = ?) WHERE PR.CODIGO = ? AND PA.COR "
        "= ? "
        "AND PA.TAM = ? GROUP BY PR.CUSTO, PR.PRECO, PR.UNIDADE, UN.QTDE");
    bench::FloorStatement average(
        st, att, tra,
        "SELECT SUM(PA_ITEN.QUANTIDADE) AS QTDE, MAX(PRODUTO.CUSTO) AS CUSTO, PRODUTO.UNIDADE AS "
        "UNIDADE, UNIDADE.QTDE AS QTDE_UNI FROM PRODUTO_001 PRODUTO INNER JOIN PA_ITEN_001 PA_ITEN ON "
        "(PA_ITEN.CODIGO = PRODUTO.CODIGO) LEFT OUTER JOIN UNIDADE_001 UNIDADE ON (UNIDADE.UNIDADE = "
        "?) WHERE PRODUTO.CODIGO = ? GROUP BY PRODUTO.UNIDADE, UNIDADE.QTDE");
    bench::FloorStatement entry(
        st, att, tra,
        "UPDATE PA_ITEN_001 SET QUANTIDADE = QUANTIDADE + ?, QTDE_BRUTO = QTDE_BRUTO + ?, BARRA = ? "
        "WHERE CODIGO = ? AND TIPO = ? AND COR = ? AND TAM = ? AND DEPOSITO = ? AND LOTE = ?");
    bench::FloorStatement exit(
        st, att, tra,
        "UPDATE PA_ITEN_001 SET QUANTIDADE = QUANTIDADE - ?, QTDE_BRUTO = QTDE_BRUTO - ? WHERE CODIGO = ? "
        "AND TIPO = ? AND COR = ? AND TAM = ? AND DEPOSITO = ? AND LOTE = ?");
    bench::FloorStatement cost(st, att, tra, "UPDATE PRODUTO_001 SET CUSTO = ? WHERE CODIGO = ?");
    bench::FloorStatement journal(
        st, att, tra,
        "INSERT INTO PA_MOV_001 (ORDEM, NUM_DOCTO, CODIGO, COR, TAMANHO, LOTE, DEPOSITO, TIPO, QTDE, "
        "TIP_BAI, OPERACAO, DT_MVTO, DESCRICAO, OBSERVACAO, TURNO, PRECO, CUSTO, CODCLI, CODFUN, "
        "TP_MOV, HORA) VALUES (0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    int i = 0;
    for (auto _ : state) {
      const bool saida = i % 2 != 0;
      const double qtde = 1 + i % 7;
      const double custo = saida ? 4 : 4 + i % 3;
      ++i;
      att->execute(&st, tra, 0, "SAVEPOINT S1", SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
      bench::check(st);
      lock.set_text(0, "BENCH");
      lock.run(tra);
      defaults.set_text(0, "");
      defaults.set_text(1, "BENCH");
      defaults.set_text(2, "01");
      defaults.set_text(3, "0");
      defaults.run(tra);
      average.set_text(0, "");
      average.set_text(1, "BENCH");
      average.run(tra);
      bench::FloorStatement& balance = saida ? exit : entry;
      unsigned k = 0;
      balance.set_number(k++, qtde);
      balance.set_number(k++, 0);
      if (!saida) balance.set_text(k++, "");
      for (const char* v : {"BENCH", "1", "01", "0", "0001", "000000"}) balance.set_text(k++, v);
      balance.run(tra);
      cost.set_number(0, custo);
      cost.set_text(1, "BENCH");
      cost.run(tra);
      k = 0;
      for (const char* v : {"NF 1", "BENCH", "01", "0", "000000", "0001", "1"}) journal.set_text(k++, v);
      journal.set_number(k++, qtde);
      journal.set_text(k++, "0");
      journal.set_text(k++, saida ? "S" : "E");
      journal.set_date(k++, 2025, 4, 22);
      for (const char* v : {"BENCH", "", "1"}) journal.set_text(k++, v);
      journal.set_number(k++, 9);
      journal.set_number(k++, custo);
      for (const char* v : {"", "0001", "", "HORA[04/22/2025 10:00:00,False]"}) journal.set_text(k++, v);
      journal.run(tra);
      tra->commit(&st);
      bench::check(st);
      tra = bench::start_library_transaction(st, att);
    }
  }
  tra->commit(&st);
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}

// The floor of ReservaNotaFiscal on series `serie` of `db`: the highest
// number, the used-number check and the reservation, prepared once, one
// commit per iteration of `state`.
inline void run_invoice_number_floor(benchmark::State& state, TTIDatabase& db, const std::string& serie) {
  db.DefaultTransaction().Commit();
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  Firebird::IAttachment* att = detail::engine_attachment(db);
  Firebird::ITransaction* tra = bench::start_library_transaction(st, att);
  {
    bench::FloorStatement highest(st, att, tra,
                                  "SELECT MAX(NUMERO) AS NUMERO FROM NOTA_NUMERO_001 WHERE SERIE = ?");
    bench::FloorStatement used(
        st, att, tra, "SELECT FIRST 1 FATURA FROM NOTA_001 WHERE (FATURA = ? OR FATURA = ?) AND SERIE = ?");
    bench::FloorStatement insert(st, att, tra, "INSERT INTO NOTA_NUMERO_001 (NUMERO,SERIE) VALUES (?,?)");
    for (auto _ : state) {
      highest.set_text(0, serie);
      int64_t numero = highest.run(tra) > 0 ? highest.integer(0) : 0;
      ++numero;
      used.set_text(0, padded(numero));
      used.set_text(1, padded(numero) + serie);
      used.set_text(2, serie);
      used.run(tra);
      insert.set_integer(0, static_cast<int32_t>(numero));
      insert.set_text(1, serie);
      insert.run(tra);
      tra->commit(&st);
      bench::check(st);
      tra = bench::start_library_transaction(st, att);
    }
  }
  tra->commit(&st);
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}

}  // namespace zpk::bench
