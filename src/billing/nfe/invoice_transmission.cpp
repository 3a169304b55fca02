// Authorisation, events and voiding of stored invoices.
#include "billing/nfe/invoice_transmission.hpp"

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include <fmt/format.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "billing/nota_fiscal.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::nfe {
namespace {

using std::chrono::milliseconds;

ENFeError refused(int cStat, const std::string& xMotivo, std::string_view what) {
  return ENFeError(NFeErrorKind::refused,
                   fmt::format("{} recusada pelo autorizador: {} - {}", what, cStat, xMotivo), cStat);
}

// The text's length in characters, checked against the contract's bounds.
void check_length(std::string_view what, const std::string& text, int min, int max) {
  const int n = Length(Trim(text));
  if (n < min || n > max) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("{} deve ter de {} a {} caracteres (tem {})", what, min, max, n));
  }
}

// Now as the contract's date-time with the station's time-zone suffix.
std::string now_with_zone() {
  const TDateTime now = Now();
  return FormatDateTime("YYYY-MM-DD", now) + "T" + FormatDateTime("hh:nn:ss", now) + FusoNFe(now);
}

void write_file(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  const auto temp = file.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
      throw ENFeError(NFeErrorKind::state, fmt::format("Não foi possível gravar {}", file.string()));
  }
  std::filesystem::rename(temp, file);
}

// What NOTA holds about an invoice's NF-e.
struct StoredNFe {
  bool exists = false;
  std::string key;
  int status = 0;
  std::string motivo;
  std::string protocolo;
  std::string recibo;
  std::string dh;
  bool cancelled = false;
};

StoredNFe read_stored(TTIQuery& q, const std::string& fatura, const std::string& serie, bool lock) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add(
      "SELECT CHAVE_NFE, STATUS_NFE, MOTIVO_NFE, PROTOCOLO_NFE, RECIBO_NFE, DH_NFE, CANCELADA_NFE FROM " +
      DBLocal("NOTA") + " WHERE FATURA = :FATURA AND SERIE = :SERIE");
  if (lock) q.SQL.Add("WITH LOCK");
  q.ParamByName("FATURA").AsString = fatura;
  q.ParamByName("SERIE").AsString = serie;
  q.Open();
  StoredNFe s;
  if (q.IsEmpty()) return s;
  s.exists = true;
  s.key = Trim(q.FieldByName("CHAVE_NFE").AsString());
  s.status = q.FieldByName("STATUS_NFE").AsInteger();
  s.motivo = q.FieldByName("MOTIVO_NFE").AsString();
  s.protocolo = Trim(q.FieldByName("PROTOCOLO_NFE").AsString());
  s.recibo = Trim(q.FieldByName("RECIBO_NFE").AsString());
  s.dh = Trim(q.FieldByName("DH_NFE").AsString());
  s.cancelled = Trim(q.FieldByName("CANCELADA_NFE").AsString()) == "S";
  return s;
}

// The invoice's row, locked until `tx` ends: stations transmitting one
// invoice take turns, and the second finds what the first stored. A holder
// keeps it at most one exchange with the authoriser.
StoredNFe lock_stored(TTITransaction& tx, const WebServiceConfig& config, const std::string& fatura,
                      const std::string& serie) {
  const auto exchange = config.connect_timeout + config.answer_timeout;
  tx.Options.LockTimeout =
      static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(exchange).count()) + 5;
  TTIQuery q(*tx.Database());
  q.SetTransaction(tx);
  RetryPolicy policy = kDefaultRetryPolicy;
  policy.max_elapsed = std::chrono::duration_cast<milliseconds>(exchange * 3);
  return retry_on_conflict([&] { return read_stored(q, fatura, serie, true); }, policy);
}

StoredNFe require_invoice(const std::string& numero, const std::string& serie, std::string& fatura) {
  fatura = IdentificadorNota(numero, Trim(serie));
  TTIQuery q(Tabela.IBDatabase);
  StoredNFe s = read_stored(q, fatura, Trim(serie), false);
  if (!s.exists) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("Nota fiscal {} série {} não encontrada", numero, serie));
  }
  return s;
}

// The issue type a stored key was made with (its 35th character).
int tpEmis_of(const std::string& key) {
  return key.size() == 44 ? key[34] - '0' : 1;
}

// Runs with the NF-e generation's issue type set, putting the caller's back.
class IssueType {
 public:
  explicit IssueType(int tpEmis) : saved_(ITpTrasNFe) { ITpTrasNFe = tpEmis; }
  ~IssueType() { ITpTrasNFe = saved_; }

 private:
  int saved_;
};

// The NF-e signed for sending, its key stored in NOTA first.
InvoiceNFe signed_nfe(NFeWebServices& ws, const std::string& numero, const std::string& serie, int tpEmis) {
  IssueType issue(tpEmis);
  InvoiceNFe n =
      nfe_of_invoice(numero, serie, A1Certificate{ws.certificate().file, ws.certificate().password});
  if (!n.violations.empty()) {
    const auto& v = n.violations.front();
    throw ENFeError(NFeErrorKind::schema,
                    fmt::format("A NF-e da nota {} série {} é recusada pelo esquema: {} ({})", numero, serie,
                                v.Mensagem, v.Campo));
  }
  if (!n.signature_verified) throw ENFeError(NFeErrorKind::signature, "A assinatura da NF-e não confere");
  return n;
}

// The key's situation, asked again while the answer does not come (a lost
// answer must not become a second submission).
SituationAnswer ask_situation(NFeWebServices& ws, const std::string& key) {
  for (int attempt = 1;; ++attempt) {
    try {
      return ws.situation(key);
    } catch (const ESoapTransport& e) {
      if (attempt >= 3) {
        throw ENFeError(
            NFeErrorKind::transport,
            fmt::format("A resposta do autorizador se perdeu e a situação da chave {} não pôde ser "
                        "consultada ({}). Transmita de novo mais tarde: a chave será consultada antes "
                        "de qualquer novo envio.",
                        key, e.what()));
      }
    }
  }
}

// The key an answer 539 names: the one the authoriser holds for this number
// ("... [chNFe:<key>]"), which the contract gives only inside xMotivo.
std::string key_in_motive(const std::string& xMotivo) {
  const auto at = xMotivo.find("chNFe:");
  if (at == std::string::npos) return {};
  std::string key;
  for (size_t i = at + 6; i < xMotivo.size() && std::isalnum(static_cast<unsigned char>(xMotivo[i])); ++i) {
    key += xMotivo[i];
  }
  return key.size() == 44 ? key : std::string();
}

// Waits for an asynchronous lot's result.
AuthorisationAnswer wait_receipt(NFeWebServices& ws, const AuthorisationAnswer& sent) {
  for (int attempt = 0; attempt < 30; ++attempt) {
    std::this_thread::sleep_for(milliseconds(attempt == 0 ? 200 : 1000));
    AuthorisationAnswer r = ws.receipt(sent.nRec);
    if (r.cStat != 105) {
      r.nRec = sent.nRec;
      return r;
    }
  }
  throw ENFeError(
      NFeErrorKind::transport,
      fmt::format("O lote {} ainda está em processamento; consulte o recibo mais tarde", sent.nRec));
}

void store_answer(TTITransaction& tx, const std::string& fatura, const std::string& serie,
                  const TransmitResult& r, const std::string& lote) {
  TTIQuery q(*tx.Database());
  q.SetTransaction(tx);
  q.SQL.Add("UPDATE " + DBLocal("NOTA") +
            " SET CHAVE_NFE = :CHAVE, STATUS_NFE = :STATUS, MOTIVO_NFE = :MOTIVO, DH_NFE = :DH,"
            " PROTOCOLO_NFE = :PROTOCOLO, RECIBO_NFE = :RECIBO, LOTE_NFE = :LOTE WHERE FATURA = :FATURA AND "
            "SERIE = :SERIE");
  q.ParamByName("CHAVE").AsString = r.key;
  q.ParamByName("STATUS").AsInteger = r.cStat;
  q.ParamByName("MOTIVO").AsString = Copy(r.xMotivo, 1, 255);
  q.ParamByName("DH").AsString = r.dhRecbto;
  q.ParamByName("PROTOCOLO").AsString = r.nProt;
  q.ParamByName("RECIBO").AsString = r.nRec;
  q.ParamByName("LOTE").AsInteger = std::stoi(lote);
  q.ParamByName("FATURA").AsString = fatura;
  q.ParamByName("SERIE").AsString = serie;
  q.ExecSQL();
}

}  // namespace

namespace {

// What NOTA holds of an invoice already authorised or denied: nothing is sent.
TransmitResult from_stored(const StoredNFe& s) {
  TransmitResult r;
  r.key = s.key;
  r.cStat = s.status;
  r.xMotivo = s.motivo;
  r.nProt = s.protocolo;
  r.nRec = s.recibo;
  r.dhRecbto = s.dh;
  r.authorised = is_authorised(s.status);
  r.denied = is_denied(s.status);
  r.already_authorised = r.authorised;
  r.contingency = tpEmis_of(s.key) != 1;
  return r;
}

}  // namespace

namespace {

// One invoice's transmission, while its row is locked.
class Transmission {
 public:
  Transmission(NFeWebServices& ws, const std::string& numero, const std::string& serie,
               const std::string& fatura, const TransmitOptions& options, TransmitResult& r)
      : ws_(ws),
        numero_(numero),
        serie_(serie),
        fatura_(fatura),
        options_(options),
        r_(r),
        tx_(Tabela.IBDatabase) {}

  // The NF-e signed, its key stored, and the row locked; false when another
  // station transmitted it meanwhile (r then holds what it stored).
  bool prepare(int tpEmis) {
    ws_.set_contingency(tpEmis != 1);
    nfe_ = signed_nfe(ws_, numero_, serie_, tpEmis);
    const StoredNFe stored = lock_stored(tx_, read_webservice_config(), fatura_, serie_);
    if (is_authorised(stored.status) || is_denied(stored.status)) {
      r_ = from_stored(stored);
      return false;
    }
    if (stored.key != nfe_.key) {
      throw ENFeError(NFeErrorKind::state,
                      fmt::format("A chave da nota {} série {} mudou durante a transmissão "
                                  "(outra estação?); transmita de novo",
                                  numero_, serie_));
    }
    r_.key = nfe_.key;
    r_.contingency = tpEmis != 1;
    return true;
  }

  // Sends until the authoriser's protocol for the invoice is known: a lost
  // answer is settled by the key's situation, a duplicate by the protocol the
  // authoriser holds, an authoriser out of service by contingency when allowed.
  // A rejection is stored and raised.
  NFeProtocol protocol() {
    for (int round = 0; round < 4; ++round) {
      AuthorisationAnswer ans;
      try {
        ans = send();
      } catch (const ESoapTransport& e) {
        if (e.maybe_delivered()) {
          // The authoriser may have acted on it: its answer decides, never a resend.
          const SituationAnswer sit = ask_situation(ws_, r_.key);
          if (sit.has_protocol) return recovered(sit.protocol, r_.key);
          if (sit.cStat == 217) continue;  // it never got there: send again
          throw refused(sit.cStat, sit.xMotivo, "A consulta da NF-e");
        }
        if (!options_.allow_contingency || ws_.contingency()) throw;
        ans.cStat = 108;  // nothing was delivered: the authoriser is out of reach
        ans.xMotivo = e.what();
      }
      const NFeProtocol* p = ans.cStat == 104 && !ans.protocols.empty() ? &ans.protocols.front() : nullptr;
      const int status = p ? p->cStat : ans.cStat;
      const std::string motive = p ? p->xMotivo : ans.xMotivo;
      if (p && (is_authorised(status) || is_denied(status))) return *p;
      if (status == 204 || status == 205 || status == 539) {
        // Already authorised (or denied): the authoriser's protocol is kept, not made anew.
        const std::string held = status == 539 ? key_in_motive(motive) : r_.key;
        const SituationAnswer sit = held.empty() ? SituationAnswer{} : ask_situation(ws_, held);
        if (!sit.has_protocol) throw refused(status, motive, "A NF-e");
        return recovered(sit.protocol, held);
      }
      if ((status == 108 || status == 109) && options_.allow_contingency && !ws_.contingency()) {
        reissue_in_contingency();
        continue;
      }
      r_.cStat = status;
      r_.xMotivo = motive;
      store();
      throw refused(status, motive, "A NF-e");
    }
    throw ENFeError(NFeErrorKind::transport, "A NF-e não chegou ao autorizador; transmita de novo");
  }

  // Keeps the protocol: NOTA, and the distribution file when the document
  // this station holds is the one the protocol was given for.
  void keep(const NFeProtocol& protocol) {
    r_.cStat = protocol.cStat;
    r_.xMotivo = protocol.xMotivo;
    r_.nProt = protocol.nProt;
    r_.dhRecbto = protocol.dhRecbto;
    r_.authorised = is_authorised(protocol.cStat);
    r_.denied = is_denied(protocol.cStat);
    if (r_.authorised && digest_value(nfe_.xml) == protocol.digVal) {
      r_.proc_file = options_.folder / (r_.key + "-procNFe.xml");
      write_file(r_.proc_file, nfe_proc(nfe_.xml, protocol.xml));
    }
    store();
  }

 private:
  AuthorisationAnswer send() {
    ++r_.submissions;
    AuthorisationAnswer ans = ws_.authorise({nfe_.xml}, lote_, options_.synchronous);
    if (ans.cStat != 103) return ans;
    r_.nRec = ans.nRec;
    return wait_receipt(ws_, ans);
  }

  NFeProtocol recovered(const NFeProtocol& protocol, const std::string& key) {
    r_.key = key;
    r_.recovered = true;
    return protocol;
  }

  // The state's authoriser is down and received nothing: the NF-e is issued
  // again in contingency (another issue type, so another key) for the
  // state's SVC.
  void reissue_in_contingency() {
    TTIQuery q(*tx_.Database());
    q.SetTransaction(tx_);
    q.SQL.Add("UPDATE " + DBLocal("NOTA") +
              " SET CHAVE_NFE = NULL WHERE FATURA = :FATURA AND SERIE = :SERIE");
    q.ParamByName("FATURA").AsString = fatura_;
    q.ParamByName("SERIE").AsString = serie_;
    q.ExecSQL();
    tx_.Commit();  // the row lock ends with it; the new key is stored as any other
    if (!prepare(std::stoi(contingency_tpEmis(ws_.emitter().uf)))) {
      throw ENFeError(NFeErrorKind::state,
                      "Outra estação transmitiu a NF-e durante a troca para contingência");
    }
  }

  void store() {
    store_answer(tx_, fatura_, serie_, r_, lote_);
    tx_.Commit();
  }

  NFeWebServices& ws_;
  const std::string& numero_;
  const std::string& serie_;
  const std::string& fatura_;
  const TransmitOptions& options_;
  TransmitResult& r_;
  TTITransaction tx_;
  InvoiceNFe nfe_;
  const std::string lote_ = ProximoLoteNFe();
};

}  // namespace

TransmitResult transmit_invoice(NFeWebServices& ws, const std::string& numero, const std::string& serie_in,
                                const TransmitOptions& options) {
  const std::string serie = Trim(serie_in);
  std::string fatura;
  const StoredNFe stored = require_invoice(numero, serie, fatura);
  if (is_authorised(stored.status) || is_denied(stored.status)) return from_stored(stored);

  TransmitResult r;
  Transmission t(ws, numero, serie, fatura, options, r);
  // A stored key keeps its issue type; a first one follows the station's authoriser.
  const int tpEmis = !stored.key.empty() ? tpEmis_of(stored.key)
                     : ws.contingency()  ? std::stoi(contingency_tpEmis(ws.emitter().uf))
                                         : 1;
  if (t.prepare(tpEmis)) t.keep(t.protocol());
  return r;
}

namespace {

// The next sequence of an event type on a key (1 for the first).
int next_sequence(const std::string& key, const std::string& tpEvento) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT MAX(SEQ) AS SEQ FROM " + DBLocal("NFE_EVENTO") +
            " WHERE CHAVE = :CHAVE AND TP_EVENTO = :TP");
  q.ParamByName("CHAVE").AsString = key;
  q.ParamByName("TP").AsString = tpEvento;
  q.Open();
  return q.FieldByName("SEQ").AsInteger() + 1;
}

void store_event(const RegisteredEvent& e, const std::string& tpEvento, const std::string& text,
                 const std::string& fatura, const std::string& serie) {
  TTITransaction tx(Tabela.IBDatabase);
  TTIQuery q(Tabela.IBDatabase);
  q.SetTransaction(tx);
  q.SQL.Add("INSERT INTO " + DBLocal("NFE_EVENTO") +
            " (CHAVE, TP_EVENTO, SEQ, PROTOCOLO, DH_REGISTRO, TEXTO, ARQUIVO)"
            " VALUES (:CHAVE, :TP, :SEQ, :PROTOCOLO, :DH, :TEXTO, :ARQUIVO)");
  q.ParamByName("CHAVE").AsString = e.key;
  q.ParamByName("TP").AsString = tpEvento;
  q.ParamByName("SEQ").AsInteger = e.sequence;
  q.ParamByName("PROTOCOLO").AsString = e.nProt;
  q.ParamByName("DH").AsString = e.dhRegistro;
  q.ParamByName("TEXTO").AsString = Copy(text, 1, 1000);
  q.ParamByName("ARQUIVO").AsString = e.proc_file.string();
  q.ExecSQL();
  if (tpEvento == "110111") {
    q.SQL.Clear();
    q.SQL.Add("UPDATE " + DBLocal("NOTA") +
              " SET CANCELADA_NFE = 'S' WHERE FATURA = :FATURA AND SERIE = :SERIE");
    q.ParamByName("FATURA").AsString = fatura;
    q.ParamByName("SERIE").AsString = serie;
    q.ExecSQL();
  }
  tx.Commit();
}

// A registered event's status: 135 linked to the NF-e, 136 registered, 155
// cancellation registered after its deadline.
bool registered(int cStat) {
  return cStat == 135 || cStat == 136 || cStat == 155;
}

RegisteredEvent send_event(NFeWebServices& ws, const std::string& numero, const std::string& serie_in,
                           const std::string& tpEvento, const std::string& text,
                           const std::filesystem::path& folder) {
  const std::string serie = Trim(serie_in);
  std::string fatura;
  const StoredNFe stored = require_invoice(numero, serie, fatura);
  if (!is_authorised(stored.status)) {
    throw ENFeError(NFeErrorKind::state,
                    fmt::format("A NF-e da nota {} série {} não está autorizada", numero, serie));
  }
  if (stored.cancelled) {
    throw ENFeError(NFeErrorKind::state,
                    fmt::format("A NF-e da nota {} série {} está cancelada", numero, serie));
  }
  ws.set_contingency(false);  // events go to the state's authoriser
  EventRequest request;
  request.chNFe = stored.key;
  request.tpEvento = tpEvento;
  request.nSeqEvento = tpEvento == "110111" ? 1 : next_sequence(stored.key, tpEvento);
  if (request.nSeqEvento > 20) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("A NF-e da nota {} série {} já tem 20 cartas de correção", numero, serie));
  }
  request.dhEvento = now_with_zone();
  request.nProt = stored.protocolo;
  request.text = Trim(text);
  std::string signed_event;
  std::optional<EventResult> res;
  std::string proc;
  try {
    const EventAnswer ans = ws.event(request, signed_event);
    if (ans.cStat != 128 || ans.results.empty()) throw refused(ans.cStat, ans.xMotivo, "O evento");
    res = ans.results.front();
    if (registered(res->cStat)) proc = event_proc(signed_event, res->xml);
  } catch (const ESoapTransport& e) {
    if (!e.maybe_delivered()) throw;
  }
  if (proc.empty() && (!res || res->cStat == 573)) {
    // The answer was lost, or the event is already registered (an earlier
    // answer lost): the authoriser's record of it is what is kept.
    const SituationAnswer sit = ask_situation(ws, stored.key);
    for (const std::string& held : sit.events) {
      const EventResult r = read_event_proc(held);
      if (r.tpEvento == tpEvento && r.nSeqEvento == request.nSeqEvento && registered(r.cStat)) {
        res = r;
        proc = held;
      }
    }
  }
  if (!res) throw ENFeError(NFeErrorKind::transport, "O evento não chegou ao autorizador; envie de novo");
  if (proc.empty()) throw refused(res->cStat, res->xMotivo, "O evento");
  RegisteredEvent e{stored.key,         res->cStat, res->xMotivo, res->nProt, res->dhRegEvento,
                    request.nSeqEvento, {}};
  e.proc_file =
      folder / fmt::format("{}-{}-{:02}-procEventoNFe.xml", stored.key, tpEvento, request.nSeqEvento);
  write_file(e.proc_file, proc);
  store_event(e, tpEvento, request.text, fatura, serie);
  return e;
}

}  // namespace

RegisteredEvent cancel_invoice(NFeWebServices& ws, const std::string& numero, const std::string& serie,
                               const std::string& justification, const std::filesystem::path& folder) {
  check_length("A justificativa do cancelamento", justification, 15, 255);
  return send_event(ws, numero, serie, "110111", justification, folder);
}

RegisteredEvent correct_invoice(NFeWebServices& ws, const std::string& numero, const std::string& serie,
                                const std::string& correction, const std::filesystem::path& folder) {
  check_length("A correção", correction, 15, 1000);
  return send_event(ws, numero, serie, "110110", correction, folder);
}

RegisteredEvent void_invoice_numbers(NFeWebServices& ws, const std::string& serie_in, long from, long to,
                                     const std::string& justification, const std::filesystem::path& folder) {
  const std::string serie = Trim(serie_in);
  check_length("A justificativa da inutilização", justification, 15, 255);
  if (from < 1 || to < from || to > 999'999'999) {
    throw ENFeError(NFeErrorKind::invalid_input, fmt::format("Faixa de números inválida: {} a {}", from, to));
  }
  TTIQuery q(Tabela.IBDatabase);
  // A number that is an invoice is spent; only reserved numbers that never
  // became one may be voided.
  q.SQL.Add("SELECT FATURA FROM " + DBLocal("NOTA") + " WHERE SERIE = :SERIE");
  q.ParamByName("SERIE").AsString = serie;
  q.Open();
  for (; !q.Eof(); q.Next()) {
    const std::string numero = Copy(Trim(q.FieldByName("FATURA").AsString()), 1, 6);
    const long n = StrToIntDef(numero, 0);
    if (n >= from && n <= to) {
      throw ENFeError(
          NFeErrorKind::invalid_input,
          fmt::format("O número {} da série {} é uma nota fiscal: não pode ser inutilizado", n, serie));
    }
  }
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT NUMERO_INI, NUMERO_FIM FROM " + DBLocal("NFE_INUTILIZACAO") +
            " WHERE SERIE = :SERIE AND NUMERO_INI <= :ATE AND NUMERO_FIM >= :DE");
  q.ParamByName("SERIE").AsString = serie;
  q.ParamByName("ATE").AsInteger = static_cast<int>(to);
  q.ParamByName("DE").AsInteger = static_cast<int>(from);
  q.Open();
  if (!q.IsEmpty()) {
    throw ENFeError(
        NFeErrorKind::state,
        fmt::format("A faixa {} a {} da série {} já inclui números inutilizados ({} a {})", from, to, serie,
                    q.FieldByName("NUMERO_INI").AsInteger(), q.FieldByName("NUMERO_FIM").AsInteger()));
  }
  ws.set_contingency(false);
  std::string signed_request;
  const VoidingAnswer ans =
      ws.void_numbers(serie, from, to, Trim(justification), FormatDateTime("YY", Now()), signed_request);
  if (ans.cStat != 102) throw refused(ans.cStat, ans.xMotivo, "A inutilização");

  RegisteredEvent e{{}, ans.cStat, ans.xMotivo, ans.nProt, ans.dhRecbto, 1, {}};
  e.proc_file = folder / fmt::format("{}-{}-{}-{}-procInutNFe.xml", ws.emitter().cnpj, serie, from, to);
  write_file(e.proc_file, voiding_proc(signed_request, ans.xml));
  TTITransaction tx(Tabela.IBDatabase);
  TTIQuery w(Tabela.IBDatabase);
  w.SetTransaction(tx);
  w.SQL.Add("INSERT INTO " + DBLocal("NFE_INUTILIZACAO") +
            " (SERIE, NUMERO_INI, NUMERO_FIM, PROTOCOLO, DH_RECBTO, JUSTIFICATIVA, ARQUIVO)"
            " VALUES (:SERIE, :DE, :ATE, :PROTOCOLO, :DH, :JUST, :ARQUIVO)");
  w.ParamByName("SERIE").AsString = serie;
  w.ParamByName("DE").AsInteger = static_cast<int>(from);
  w.ParamByName("ATE").AsInteger = static_cast<int>(to);
  w.ParamByName("PROTOCOLO").AsString = ans.nProt;
  w.ParamByName("DH").AsString = ans.dhRecbto;
  w.ParamByName("JUST").AsString = Trim(justification);
  w.ParamByName("ARQUIVO").AsString = e.proc_file.string();
  w.ExecSQL();
  // The voided numbers stay reserved, so that no station is offered them again.
  for (long n = from; n <= to; ++n) {
    w.SQL.Clear();
    w.SQL.Add("INSERT INTO " + DBLocal("NOTA_NUMERO") +
              " (NUMERO, SERIE) SELECT :NUMERO, :SERIE FROM RDB$DATABASE"
              " WHERE NOT EXISTS (SELECT 1 FROM " +
              DBLocal("NOTA_NUMERO") + " WHERE NUMERO = :NUMERO2 AND SERIE = :SERIE2)");
    w.ParamByName("NUMERO").AsInteger = static_cast<int>(n);
    w.ParamByName("SERIE").AsString = serie;
    w.ParamByName("NUMERO2").AsInteger = static_cast<int>(n);
    w.ParamByName("SERIE2").AsString = serie;
    w.ExecSQL();
  }
  tx.Commit();
  return e;
}

}  // namespace zpk::nfe
