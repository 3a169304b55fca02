#include "foundation/sequences.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/detail/sql_literals.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

std::string zero_pad(const std::string& text, int width) {
  const int length = Length(text);
  return length >= width ? text : std::string(static_cast<size_t>(width - length), '0') + text;
}

// Whether `name` can stand as a table or column name in a statement: a letter,
// then letters, digits, "_" or "$". The table and the column of a counter are
// written into the statements that check the stored codes, so anything else
// (a quote, a blank, a dot) would change those statements.
bool sql_name(std::string_view name) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (name.empty() || !letter(name.front())) return false;
  for (const char c : name) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '$') return false;
  }
  return true;
}

// The number a counter holds, 0 when it holds none. PROXIMO is text: a blank
// one (or NULL) starts over at 1 and blanks around the digits do not count;
// anything else that is not a whole number from 1 up is refused by the caller
// rather than padded into a code.
int64_t counter_number(const std::string& stored) {
  const std::string digits = Trim(stored);
  if (digits.empty()) return 1;
  if (digits.size() > 18) return 0;
  int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Opens a SELECT whose bound values are compared with columns; false when a
// value is longer than its column, which the engine refuses as a truncation
// although such a value simply matches no row.
bool open_matching(TTIQuery& q) {
  try {
    q.Open();
    return true;
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return false;
  }
}

// Raises the engine's error when the target table or its code column does not
// exist, so that no counter row is created for them.
void check_target(TTIQuery& q, const std::string& target, const std::string& campo) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT " + campo + " FROM " + target + " WHERE 1 = 0");
  q.Open();
}

// The counter row's width, creating the row (PROXIMO "1", width Tamanho) when
// it is missing and the target column exists. A station that loses the race
// to create it reads the row the winner made: the lost race is retried like a
// conflict.
int counter_width(TTIQuery& q, const std::string& codigos, const std::string& tabela,
                  const std::string& campo, int tamanho, const std::string& target) {
  return retry_on_conflict([&] {
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("SELECT COD.TAMANHO FROM " + codigos +
              " COD WHERE COD.TABELA = :TABELA AND COD.CAMPO = :CAMPO");
    q.ParamByName("TABELA").AsString = tabela;
    q.ParamByName("CAMPO").AsString = campo;
    q.Open();
    if (!q.IsEmpty()) return q.FieldByName("TAMANHO").AsInteger();
    check_target(q, target, campo);
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("INSERT INTO " + codigos +
              " (TABELA,CAMPO,PROXIMO,TAMANHO) VALUES (:TABELA,:CAMPO,'1',:TAMANHO)");
    q.ParamByName("TABELA").AsString = tabela;
    q.ParamByName("CAMPO").AsString = campo;
    q.ParamByName("TAMANHO").AsInteger = tamanho;
    try {
      q.ExecSQL();
    } catch (const EDatabaseError& e) {
      if (e.kind() != DatabaseErrorKind::unique_violation) throw;
      throw EDatabaseError(DatabaseErrorKind::conflict, e, "another station created the counter first");
    }
    return tamanho;
  });
}

// The suffix of the counter table: that of the company copy listed in
// ARQLOCAL for the table, else the current company's.
std::string counter_suffix(TTIQuery& q, const std::string& tabela) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT ARQUIVO FROM ARQLOCAL WHERE ARQUIVO LIKE :PADRAO");
  q.ParamByName("PADRAO").AsString = tabela + "_0%";
  if (open_matching(q) && !q.IsEmpty()) {
    const std::string arquivo = Trim(q.FieldByName("ARQUIVO").AsString());
    return Copy(arquivo, Length(arquivo) - 3, 4);
  }
  return Trim(Tabela.SufixoEmpresa);
}

// Whether `code` is already stored in the target column.
bool code_in_use(TTIQuery& q, const std::string& target, const std::string& campo, const std::string& code) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT " + campo + " FROM " + target + " WHERE " + campo + " = :VALOR");
  q.ParamByName("VALOR").AsString = code;
  return open_matching(q) && !q.IsEmpty();
}

// What one draw on the counter row gave.
enum class Draw { taken, lost, no_row };

// Reads the counter and moves it one past what was read, but only where it
// still holds what was read: the caller owns the value read (in `candidate`,
// as digits) exactly when its update changed the row. Raises the update
// conflict of a station that wrote the row meanwhile.
Draw draw_once(TTIQuery& q, const std::string& codigos, const std::string& tabela, const std::string& campo,
               std::string& candidate) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT PROXIMO FROM " + codigos + " WHERE TABELA = :TABELA AND CAMPO = :CAMPO");
  q.ParamByName("TABELA").AsString = tabela;
  q.ParamByName("CAMPO").AsString = campo;
  q.Open();
  if (q.IsEmpty()) return Draw::no_row;
  const bool was_null = q.FieldByName("PROXIMO").IsNull();
  const std::string stored = q.FieldByName("PROXIMO").AsString();
  const int64_t drawn = counter_number(stored);
  if (drawn < 1) {
    throw EConvertError("Proximo: the counter of " + tabela + "." + campo + " in " + codigos + " holds '" +
                        stored + "', which is not a number from 1 up; correct PROXIMO before drawing a code");
  }
  candidate = IntToStr(drawn);
  const int64_t next = drawn + 1;

  q.Close();
  q.SQL.Clear();
  q.SQL.Add("UPDATE " + codigos + " SET PROXIMO = :NOVO");
  q.SQL.Add("WHERE TABELA = :TABELA AND CAMPO = :CAMPO AND PROXIMO IS NOT DISTINCT FROM :ATUAL");
  q.ParamByName("NOVO").AsString = IntToStr(next);
  q.ParamByName("TABELA").AsString = tabela;
  q.ParamByName("CAMPO").AsString = campo;
  if (was_null) {
    q.ParamByName("ATUAL").Clear();
  } else {
    q.ParamByName("ATUAL").AsString = stored;
  }
  q.ExecSQL();
  return q.RowsAffected() == 1 ? Draw::taken : Draw::lost;
}

// Private auto-committed connections kept between Proximo calls: attaching
// costs far more than drawing a code. A single-threaded program keeps one;
// threads drawing at once each take their own. Every connection is dropped
// when Tabela disconnects (also before it connects elsewhere), and one that
// raised is never reused, so a dropped server link does not spoil later calls.
class CounterConnections {
 public:
  struct Entry {
    TTIDatabase database;
    uint64_t generation = 0;
  };

  // Never destroyed: Tabela's destructor may run after this file's statics
  // are gone and still calls the hook.
  static CounterConnections& instance() {
    static CounterConnections* pool = [] {
      auto* p = new CounterConnections;
      Tabela.on_disconnect([p] { p->discard_all(); });
      return p;
    }();
    return *pool;
  }

  // An idle connection to the database `source` names, else a new one.
  std::unique_ptr<Entry> acquire(const TTIDatabase& source) {
    std::vector<std::unique_ptr<Entry>> stale;
    std::unique_ptr<Entry> entry;
    uint64_t generation = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      generation = generation_;
      while (!idle_.empty() && !entry) {
        std::unique_ptr<Entry> candidate = std::move(idle_.back());
        idle_.pop_back();
        if (same_settings(candidate->database, source) && candidate->database.Connected()) {
          entry = std::move(candidate);
        } else {
          stale.push_back(std::move(candidate));
        }
      }
    }
    stale.clear();  // detaches outside the lock
    if (entry) return entry;
    entry = std::make_unique<Entry>();
    entry->generation = generation;
    entry->database.GetDatabase(source);
    entry->database.TxOptions().AutoCommit = true;
    return entry;
  }

  // Keeps a connection that finished its work cleanly for the next call,
  // unless Tabela disconnected meanwhile.
  void release(std::unique_ptr<Entry> entry) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (entry->generation == generation_ && idle_.size() < kMaxIdle) {
        idle_.push_back(std::move(entry));
        return;
      }
    }
    entry.reset();
  }

  // Detaches every idle connection; those in use are dropped when they come back.
  void discard_all() noexcept {
    std::vector<std::unique_ptr<Entry>> idle;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++generation_;
      idle.swap(idle_);
    }
  }

 private:
  static constexpr size_t kMaxIdle = 8;

  static bool same_settings(const TTIDatabase& a, const TTIDatabase& b) {
    return a.DatabaseName() == b.DatabaseName() && a.Credentials().user == b.Credentials().user &&
           a.Credentials().password == b.Credentials().password;
  }

  std::mutex mutex_;
  uint64_t generation_ = 0;
  std::vector<std::unique_ptr<Entry>> idle_;
};

// Draws the code on `d`, a private connection whose every statement commits
// at once: the counter has moved for everyone as soon as this has its number.
std::string draw_code(TTIDatabase& d, const std::string& tabela, const std::string& campo, int Tamanho) {
  const std::string target = DBLocal(tabela);
  TTIQuery q(d);

  const int width = counter_width(q, DBLocal("CODIGOS"), tabela, campo, Tamanho, target);
  const std::string codigos = "CODIGOS" + counter_suffix(q, tabela);

  std::string candidate;
  for (;;) {
    Draw draw;
    try {
      draw = retry_on_conflict([&] { return draw_once(q, codigos, tabela, campo, candidate); });
    } catch (const EDatabaseError& e) {
      if (!e.is_conflict()) throw;
      throw EDatabaseError(DatabaseErrorKind::conflict, e,
                           "Proximo: the counter of " + tabela + "." + campo + " stayed locked");
    }
    switch (draw) {
      case Draw::taken:
        if (!code_in_use(q, target, campo, zero_pad(candidate, width))) {
          if (Tabela.DriverBanco == "POSTGRES") d.DefaultTransaction().CommitRetaining();
          return zero_pad(candidate, width);
        }
        break;  // stored already: draw the next one
      case Draw::lost:
        break;  // another station took this value: draw again
      case Draw::no_row:
        // The company copy named in ARQLOCAL has no counter for it yet.
        counter_width(q, codigos, tabela, campo, width, target);
        break;
    }
  }
}

}  // namespace

std::string Proximo(std::string_view NomeTabela, std::string_view Campo, int Tamanho, bool /*Flag*/) {
  // Refused before anything is drawn or written.
  if (!sql_name(NomeTabela) || !sql_name(DBLocal(NomeTabela))) {
    throw EZpkError("Proximo: '" + std::string(NomeTabela) + "' is not a table name");
  }
  if (!sql_name(Campo)) throw EZpkError("Proximo: '" + std::string(Campo) + "' is not a column name");
  CounterConnections& pool = CounterConnections::instance();
  std::unique_ptr<CounterConnections::Entry> connection = pool.acquire(Tabela.IBDatabase);
  // A connection that raised is dropped (its destructor rolls back and detaches).
  std::string code = draw_code(connection->database, std::string(NomeTabela), std::string(Campo), Tamanho);
  pool.release(std::move(connection));
  return code;
}

namespace {

// Valor read as the literal it must be, before anything is read, written or
// committed; anything else raises EZpkError naming the routine and the value.
detail::SqlLiteral reserved_value(std::string_view routine, std::string_view valor) {
  detail::SqlLiteral literal;
  if (!detail::read_sql_literal(valor, literal)) detail::refuse_value(routine, "Valor", valor);
  return literal;
}

// The rows of CODIGOSVALOR reserving `valor` for the table and column.
TTIQuery& reserved_select(TTIQuery& q, std::string_view tabela, std::string_view campo,
                          const detail::SqlLiteral& valor) {
  std::string last = "AND VALOR = ";
  detail::append_marker(last, valor, ":VALOR");
  q.SQL.Clear();
  q.SQL.Add("SELECT VALOR FROM " + DBLocal("CODIGOSVALOR"));
  q.SQL.Add("WHERE TABELA = :TABELA");
  q.SQL.Add("AND CAMPO = :CAMPO");
  q.SQL.Add(last);
  q.ParamByName("TABELA").AsString = std::string(tabela);
  q.ParamByName("CAMPO").AsString = std::string(campo);
  detail::bind_literal(q.ParamByName("VALOR"), valor);
  return q;
}

}  // namespace

void ReservaCodigo(std::string_view NomeTabela, std::string_view Campo, std::string_view Valor) {
  const detail::SqlLiteral valor = reserved_value("ReservaCodigo", Valor);
  TTIQuery q(Tabela.IBDatabase);
  reserved_select(q, NomeTabela, Campo, valor).Open();
  if (q.IsEmpty()) {
    std::string values = " (TABELA,CAMPO,LIVRE,VALOR) VALUES (:TABELA,:CAMPO,0,";
    detail::append_marker(values, valor, ":VALOR");
    q.SQL.Clear();
    q.SQL.Add("INSERT INTO " + DBLocal("CODIGOSVALOR") + values + ")");
    q.ParamByName("TABELA").AsString = std::string(NomeTabela);
    q.ParamByName("CAMPO").AsString = std::string(Campo);
    detail::bind_literal(q.ParamByName("VALOR"), valor);
    try {
      q.ExecSQL();
    } catch (const EDatabaseError& e) {
      // Another station reserved the same code in the meantime: it is reserved.
      if (e.kind() != DatabaseErrorKind::unique_violation) throw;
    }
  }
  Tabela.IBTransaction.CommitRetaining();
}

void LiberaCodigos(std::string_view NomeTabela, std::string_view Campo, std::string_view Valor) {
  const detail::SqlLiteral valor = reserved_value("LiberaCodigos", Valor);
  std::string where = " WHERE TABELA = :TABELA AND CAMPO = :CAMPO AND VALOR = ";
  detail::append_marker(where, valor, ":VALOR");
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("DELETE FROM " + DBLocal("CODIGOSVALOR") + where);
  q.ParamByName("TABELA").AsString = std::string(NomeTabela);
  q.ParamByName("CAMPO").AsString = std::string(Campo);
  detail::bind_literal(q.ParamByName("VALOR"), valor);
  q.ExecSQL();
  Tabela.IBTransaction.CommitRetaining();
}

bool CodigoReservado(std::string_view NomeTabela, std::string_view Campo, std::string_view Valor) {
  const detail::SqlLiteral valor = reserved_value("CodigoReservado", Valor);
  TTIQuery q(Tabela.IBDatabase);
  reserved_select(q, NomeTabela, Campo, valor).Open();
  return !q.IsEmpty();
}

std::string SequenciaBaixa(std::string_view Prefixo) {
  // The highest number is the longest one first: as text, "…1000" sorts
  // before "…999", and the sequence would start handing out 1000 again.
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 PA_MOV.NUM_DOCTO AS NUM_DOCTO FROM " + DBLocal("PA_MOV") + " PA_MOV");
  q.SQL.Add("WHERE PA_MOV.NUM_DOCTO LIKE :PREFIXO AND PA_MOV.OPERACAO = 'E'");
  q.SQL.Add("AND (PA_MOV.TP_MOV = 'BO' OR PA_MOV.TP_MOV = 'EO')");
  q.SQL.Add("ORDER BY CHAR_LENGTH(TRIM(PA_MOV.NUM_DOCTO)) DESC, PA_MOV.NUM_DOCTO DESC");
  q.ParamByName("PREFIXO").AsString = std::string(Prefixo) + "%";
  int last = 0;
  if (open_matching(q) && !q.IsEmpty()) {
    last = StrToIntDef(Copy(q.FieldByName("NUM_DOCTO").AsString(), 7, 1 << 30), 0);
  }
  return zero_pad(IntToStr(last + 1), 3);
}

namespace {

int next_order(const std::string& table, const std::string& date_column) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT MAX(ORDEM) AS ORDEM FROM " + DBLocal(table) + " WHERE " + date_column +
            " > CURRENT_DATE-30");
  q.Open();
  return q.FieldByName("ORDEM").AsInteger() + 1;
}

}  // namespace

int SequenciaMovimentoPA_MOV() {
  return next_order("PA_MOV", "DT_MVTO");
}

int SequenciaMovimentoMAT_MOV() {
  return next_order("MAT_MOV", "DT_MOVTO");
}

}  // namespace zpk
