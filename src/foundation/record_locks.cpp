#include "foundation/record_locks.hpp"

#include <optional>
#include <string>

#include "foundation/audit_log.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

// What differs between the three lockable tables.
struct LockedTable {
  const char* table;
  std::string* held;  // the number this station holds locked
  const char* refusal;
  const char* log_subject;
  const char* log_text;
};

// A record is free when nobody holds it. The user's own name counts as a
// holder unless the station's lock variable names the record: the same login
// may be editing it at another station, and only the variable tells which
// station holds it.
bool free_holder(const std::string& holder) {
  return holder.empty() || holder == "0";
}

// Runs a statement whose bound values are compared with columns; a value
// longer than its column matches no row (0 rows) instead of failing.
int64_t exec_matching(TTIQuery& q) {
  try {
    q.ExecSQL();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return 0;
  }
  return q.RowsAffected();
}

// No such record; free to take (nobody else holds it); held by another user.
enum class Holder { absent, free, held };

// Who holds the record now: `holder` is LOCADO trimmed; `raw` what is stored
// (nullopt for NULL), for the guarded write.
Holder read_holder(TTIQuery& q, const std::string& table, const std::string& numero, std::string& holder,
                   std::optional<std::string>& raw) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT LOCADO FROM " + table + " WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = numero;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return Holder::absent;
  }
  if (q.IsEmpty()) return Holder::absent;
  raw.reset();
  if (!q.FieldByName("LOCADO").IsNull()) raw = q.FieldByName("LOCADO").AsString();
  holder = Trim(raw.value_or(""));
  return free_holder(holder) ? Holder::free : Holder::held;
}

// Reads the holder and, when the record is free, writes vUsuario into it only
// where it still holds what was read: of two stations asking at once exactly
// one changes the row. The other waits for the first to commit, meets the
// update conflict or finds the row changed, and reads the holder again.
Holder take_record(TTIQuery& q, const std::string& table, const std::string& numero, std::string& holder) {
  return retry_on_conflict([&] {
    for (;;) {
      std::optional<std::string> raw;
      const Holder now = read_holder(q, table, numero, holder, raw);
      if (now != Holder::free) return now;
      q.Close();
      q.SQL.Clear();
      q.SQL.Add("UPDATE " + table + " SET");
      q.SQL.Add("LOCADO = :USUARIO");
      q.SQL.Add("WHERE NUMERO = :NUMERO AND LOCADO IS NOT DISTINCT FROM :VISTO");
      q.ParamByName("USUARIO").AsString = vUsuario;
      q.ParamByName("NUMERO").AsString = numero;
      if (raw) {
        q.ParamByName("VISTO").AsString = *raw;
      } else {
        q.ParamByName("VISTO").Clear();
      }
      if (exec_matching(q) > 0) return Holder::free;  // it was free and is ours now
      // Changed since it was read: look again.
    }
  });
}

void release_record(TTIQuery& q, const std::string& table, const std::string& numero, bool only_own) {
  retry_on_conflict([&] {
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("UPDATE " + table + " SET");
    q.SQL.Add("LOCADO = '0'");
    if (only_own) {
      q.SQL.Add("WHERE NUMERO = :NUMERO AND LOCADO = :USUARIO");
      q.ParamByName("USUARIO").AsString = vUsuario;
    } else {
      q.SQL.Add("WHERE NUMERO = :NUMERO");
    }
    q.ParamByName("NUMERO").AsString = numero;
    exec_matching(q);
  });
}

bool record_locked(const LockedTable& t, std::string_view Numero, std::string_view Opcao) {
  const std::string numero(Numero);
  SqlBuscaScope busca;
  TTIQuery& q = *busca;
  const std::string table = DBLocal(t.table);

  if (Opcao == "1") {
    if (numero != *t.held) {
      std::string holder;
      if (take_record(q, table, numero, holder) == Holder::held) {
        MessageBox(std::string(t.refusal) + holder + ". Tente novamente mais tarde.", "ZELVO Sistemas",
                   MB_ICONINFORMATION);
        return true;
      }
      // The record held before is given up only once the new one is ours,
      // and only while it still carries this user's name.
      if (!t.held->empty()) release_record(q, table, *t.held, true);
      *t.held = numero;
    }
  } else if (Opcao == "0") {
    release_record(q, table, numero, false);
    GeraLog(t.log_subject, t.log_text + numero, oplMovimentacao, numero);
    // Releasing some other number leaves this station's own record held: the
    // variable is what frees it when the station moves on to another one.
    if (*t.held == numero) t.held->clear();
  } else {
    return false;
  }
  Tabela.IBTransaction.CommitRetaining();
  return false;
}

}  // namespace

bool PedidoLocado(std::string_view Numero, std::string_view Opcao) {
  static const LockedTable kPedido{"PEDIDO", &sPedidoLocado, "Pedido em alteracão por ", "PEDIDO",
                                   "DESALOCAÇÃO DO PEDIDO "};
  return record_locked(kPedido, Numero, Opcao);
}

bool OrcamentoLocado(std::string_view Numero, std::string_view Opcao) {
  static const LockedTable kOrcamento{"ORCAMENTO", &sOrcamentoLocado, "Orçamento em alteracão por ",
                                      "ORCAMENTO", "DESALOCACAO DO ORCAMENTO "};
  return record_locked(kOrcamento, Numero, Opcao);
}

bool ProgramacaoLocado(std::string_view Numero, std::string_view Opcao) {
  static const LockedTable kProgramacao{"TNG_PROG", &sProgramacaoLocado, "Programação em alteracão por ",
                                        "PROGRAMACAO DO TINGIMENTO", "DESALOCACAO DA PROGRAMACAO "};
  return record_locked(kProgramacao, Numero, Opcao);
}

}  // namespace zpk
