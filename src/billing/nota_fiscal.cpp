#include "billing/nota_fiscal.hpp"

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/access_rights.hpp"
#include "foundation/audit_log.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/input_boxes.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO ERP";
constexpr const char* kCaptionBox = "Faturamento";

// An invoice number as stored and shown: at least six digits, left-padded with "0".
std::string padded(int64_t number) {
  const std::string digits = IntToStr(number);
  return digits.size() >= 6 ? digits : std::string(6 - digits.size(), '0') + digits;
}

// The value of a text made of decimal digits only (nothing else, not empty).
std::optional<int64_t> digits_value(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}


// The highest number reserved for the series (0 when none is).
int64_t highest_reserved(TTIQuery& q, const std::string& serie) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT MAX(NUMERO) AS NUMERO FROM " + DBLocal("NOTA_NUMERO") + " WHERE SERIE = :SERIE");
  q.ParamByName("SERIE").AsString = serie;
  q.Open();
  return q.FieldByName("NUMERO").AsLargeInt();
}

// Whether an invoice of the series is stored under the number. NOTA keeps the
// number alone or followed by its series (companies that write numbers with
// their series), so both forms count as used.
bool invoice_used(TTIQuery& q, const std::string& numero, const std::string& serie) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT FIRST 1 FATURA FROM " + DBLocal("NOTA"));
  q.SQL.Add("WHERE (FATURA = :NUMERO OR FATURA = :IDENTIFICADOR) AND SERIE = :SERIE");
  q.ParamByName("NUMERO").AsString = numero;
  q.ParamByName("IDENTIFICADOR").AsString = numero + serie;
  q.ParamByName("SERIE").AsString = serie;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A text longer than FATURA matches no invoice.
    if (!e.is_truncation()) throw;
    return false;
  }
  return !q.IsEmpty();
}

// Whether the number of the series is reserved.
bool number_reserved(TTIQuery& q, int64_t numero, const std::string& serie) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT FIRST 1 NUMERO FROM " + DBLocal("NOTA_NUMERO") +
            " WHERE NUMERO = :NUMERO AND SERIE = :SERIE");
  q.ParamByName("NUMERO").AsLargeInt = numero;
  q.ParamByName("SERIE").AsString = serie;
  q.Open();
  return !q.IsEmpty();
}

// Reserves the number of the series. A number another station reserved first
// (or is reserving: its transaction decides) raises a conflict, so that the
// caller takes another number under the retry policy.
void insert_reservation(TTIQuery& q, int64_t numero, const std::string& serie) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("INSERT INTO " + DBLocal("NOTA_NUMERO") + " (NUMERO,SERIE) VALUES (:NUMERO,:SERIE)");
  q.ParamByName("NUMERO").AsLargeInt = numero;
  q.ParamByName("SERIE").AsString = serie;
  try {
    q.ExecSQL();
  } catch (const EDatabaseError& e) {
    if (e.kind() != DatabaseErrorKind::unique_violation) throw;
    throw EDatabaseError(
        DatabaseErrorKind::conflict, e,
        "invoice number " + padded(numero) + " of series " + serie + " was reserved by another station");
  }
}

// Frees the reservation of the number of the series (nothing when there is none).
void delete_reservation(TTIQuery& q, int64_t numero, const std::string& serie) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("DELETE FROM " + DBLocal("NOTA_NUMERO") + " WHERE NUMERO = :NUMERO AND SERIE = :SERIE");
  q.ParamByName("NUMERO").AsLargeInt = numero;
  q.ParamByName("SERIE").AsString = serie;
  q.ExecSQL();
}

// Reserves the first number of the series above the highest reservation that
// NOTA does not use. The key of NOTA_NUMERO decides between stations drawing
// at once: the one that loses reads the new highest reservation and draws again.
int64_t reserve_next(TTIQuery& q, const std::string& serie) {
  return retry_on_conflict([&] {
    int64_t numero = highest_reserved(q, serie) + 1;
    while (invoice_used(q, padded(numero), serie)) ++numero;
    insert_reservation(q, numero, serie);
    return numero;
  });
}

// The number the order's rows already carry (the first six characters of
// NOTAFISCAL of its first row with a quantity), if any. A stored text that is
// not a number counts as none.
std::optional<int64_t> order_number(TTIQuery& q, const std::string& pedido) {
  if (Trim(pedido).empty()) return std::nullopt;
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT NOTAFISCAL FROM " + DBLocal("PEDIDO3") + " WHERE NUMERO = :PEDIDO AND QTDE > 0");
  q.ParamByName("PEDIDO").AsString = pedido;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // An order number longer than the column is no order.
    if (!e.is_truncation()) throw;
    return std::nullopt;
  }
  if (q.IsEmpty()) return std::nullopt;
  return digits_value(Copy(Trim(q.FieldByName("NOTAFISCAL").AsString()), 1, 6));
}

// Whether another order's rows (with a quantity) carry the invoice identifier.
bool carried_by_other_order(TTIQuery& q, const std::string& ident, const std::string& pedido) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT FIRST 1 NOTAFISCAL FROM " + DBLocal("PEDIDO3"));
  q.SQL.Add("WHERE NOTAFISCAL = :NOTA AND NUMERO <> :PEDIDO AND QTDE > 0");
  q.ParamByName("NOTA").AsString = ident;
  q.ParamByName("PEDIDO").AsString = pedido;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A text longer than its column matches no row.
    if (!e.is_truncation()) throw;
    return false;
  }
  return !q.IsEmpty() && !Trim(q.FieldByName("NOTAFISCAL").AsString()).empty();
}

// The number box's entry as a number to check: trimmed, and a short number
// padded to six digits, as every stored invoice number is.
std::string typed_number(const std::string& entry) {
  const std::string text = Trim(entry);
  if (const auto value = digits_value(text); value && text.size() < 6) return padded(*value);
  return text;
}

}  // namespace

std::string IdentificadorNota(const std::string& Numero, const std::string& Serie) {
  const std::string numero = typed_number(Numero);
  return Tabela.NotaComSerie == "S" ? numero + Serie : numero;
}

namespace {

// Asks for the number again; false when the user cancels the box or confirms
// it empty, and when nobody is there to answer (a batch run out of scripted
// replies) and the box would only confirm the refused number again for ever.
bool ask_again(std::string& numero, bool refused) {
  std::string entry = numero;
  if (!InputBoxNota(kCaptionBox, "Numero da Nota Fiscal", entry)) return false;
  if (refused && entry == numero && dialog_service().last_answer_unattended()) return false;
  numero = typed_number(entry);
  return !numero.empty();
}

}  // namespace

std::string ReservaNotaFiscal(const std::string& Serie) {
  TTIQuery q(Tabela.IBDatabase);
  const int64_t numero = reserve_next(q, Serie);
  Tabela.IBTransaction.CommitRetaining();
  return IdentificadorNota(padded(numero), Serie);
}

std::string ProximaNotaFiscal(std::string Serie, bool SemPergunta) {
  const std::string fat330 = BuscaParametro("FAT", 330);
  const std::string serie = Trim(Serie);
  TTIQuery q(Tabela.IBDatabase);

  // The suggestion: the order's own number while NOTA does not use it, else
  // the next free one. Only a reservation this call made is undone when the
  // user cancels; the order's earlier reservation stays with the order.
  std::optional<int64_t> held;  // a reservation this call made and still holds
  int64_t sugestao = 0;
  bool suggested = false;
  if (const auto own = order_number(q, vPedidoFat)) {
    int64_t numero = *own;
    while (invoice_used(q, padded(numero), serie)) ++numero;
    if (numero == *own && number_reserved(q, numero, serie)) {
      sugestao = numero;
      suggested = true;
    } else {
      try {
        insert_reservation(q, numero, serie);
        sugestao = numero;
        held = numero;
        suggested = true;
      } catch (const EDatabaseError& e) {
        // Another station holds that number: the order gets the next free one.
        if (!e.is_conflict()) throw;
      }
    }
  }
  if (!suggested) {
    sugestao = reserve_next(q, serie);
    held = sugestao;
  }
  Tabela.IBTransaction.CommitRetaining();

  // Undoes what this call reserved and ends with no number.
  const auto cancel = [&]() -> std::string {
    if (held) {
      delete_reservation(q, *held, serie);
      Tabela.IBTransaction.CommitRetaining();
    }
    return {};
  };

  std::string numero = padded(sugestao);
  if (!SemPergunta && fat330 != "N") {
    std::string entry = numero;
    if (!InputBoxNota(kCaptionBox, "Número da Nota Fiscal", entry)) return cancel();
    numero = typed_number(entry);
    if (numero.empty()) return cancel();
  }

  // The number reserved for this invoice so far; it moves with the number accepted.
  int64_t reservado = sugestao;
  bool first_round = true;
  for (;;) {
    // A number is accepted when NOTA does not use it and it is the suggestion,
    // or the user may change the sequence (logged). A text that is no number
    // is never accepted: the box shows the suggestion again.
    for (;;) {
      bool accepted = false;
      bool refused = false;
      if (invoice_used(q, numero, serie)) {
        refused = true;
        MessageBox("Número da Nota Fiscal já Existente.", kCaption, MB_OK | MB_ICONINFORMATION);
      } else if (const auto value = digits_value(numero); !value) {
        numero = padded(sugestao);
      } else if (*value == sugestao) {
        accepted = true;
      } else if (Acessa("TfmFatImpressao", "A", "1")) {
        accepted = true;
        std::string texto =
            "ALTERAÇÃO DA SEQUÊNCIA DA NOTA. DIGITADA : " + numero + ", SUGERIDA: " + IntToStr(sugestao);
        if (!Trim(vSupervisor).empty()) texto += " LIBERADO POR: " + vSupervisor;
        GeraLog("DIGITAÇÃO DA NOTA", texto, oplAlteracao, numero);
      } else {
        numero = padded(sugestao);
      }
      if (accepted) break;
      if (!ask_again(numero, refused)) return cancel();
    }

    // The number accepted replaces the one reserved before: the suggestion's
    // reservation is released (whoever made it); a number this call reserved
    // later is released when the user moves on from it.
    const int64_t aceito = *digits_value(numero);
    if (numero + serie != padded(reservado) + serie && (first_round || held == reservado)) {
      delete_reservation(q, reservado, serie);
      if (held == reservado) held.reset();
      Tabela.IBTransaction.CommitRetaining();
    }
    if (!number_reserved(q, aceito, serie)) {
      try {
        insert_reservation(q, aceito, serie);
        held = aceito;
      } catch (const EDatabaseError& e) {
        // Reserved meanwhile: a typed number that is reserved is accepted as is.
        if (!e.is_conflict()) throw;
      }
      Tabela.IBTransaction.CommitRetaining();
    }
    reservado = aceito;
    first_round = false;

    // A number that another order carries is refused; the one typed instead
    // goes through the same checks and reservation as the first.
    const std::string ident = IdentificadorNota(numero, serie);
    if (!carried_by_other_order(q, ident, vPedidoFat)) {
      Tabela.IBTransaction.CommitRetaining();
      return ident;
    }
    MessageBox("Número da Nota Fiscal já reservado.", kCaption, MB_OK | MB_ICONINFORMATION);
    if (!ask_again(numero, true)) return cancel();
  }
}

void DeletaNumeroNotaFiscal(const std::string& Nota) {
  std::string numero;
  std::string serie;
  if (Tabela.NotaComSerie == "S") {
    numero = Copy(Nota, 1, 6);
    serie = Trim(Copy(Nota, 7, 3));
  } else {
    numero = Nota;
    serie = Tabela.SeriePadrao;
  }
  // NUMERO is numeric: a text that is no number has no reservation to free.
  const auto value = digits_value(Trim(numero));
  if (!value) throw EConvertError("DeletaNumeroNotaFiscal: '" + Nota + "' holds no invoice number");
  TTIQuery q(Tabela.IBDatabase);
  delete_reservation(q, *value, serie);
  Tabela.IBTransaction.CommitRetaining();
}

std::string ProximoLoteNFe() {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT MAX(LOTE_NFE) AS LOTE_NFE FROM " + DBLocal("NOTA"));
  q.Open();
  TTIField& lote = q.FieldByName("LOTE_NFE");
  return padded(lote.IsNull() ? 1 : lote.AsLargeInt() + 1);
}

std::string VersaoNFe() {
  return "4.00";
}

}  // namespace zpk
