// The NF-e of a stored invoice, its key kept, and its file.
#include "billing/nfe/invoice_nfe.hpp"

#include <fstream>

#include <fmt/format.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/nfe_campos.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/nfe_status.hpp"
#include "billing/nfe/xml_nfe.hpp"
#include "billing/nota_dataset.hpp"
#include "billing/nota_fiscal.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::nfe {
namespace {

// The invoice's dataset, its lines in their own order so that the items
// follow their numbers; raises when the invoice is not in that series.
void read_invoice(TTIQuery& q, TClientDataSet& nota, const std::string& fatura, const std::string& numero,
                  const std::string& serie) {
  q.Close();
  if (MontaDataSetNota(q, nota, fatura, NotaOrdem::by_order) == 0 ||
      Trim(nota.FieldByName("NOTA_SERIE").AsString()) != Trim(serie)) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("invoice {} of series {} not found", numero, serie));
  }
}

// GeraNFe over the dataset: the key, the XML, the items and the cut texts.
void generate(TClientDataSet& nota, InvoiceNFe& r) {
  TNFeCampos campos;
  GeraNFe(campos, nota, r.key, r.xml);
  r.items = static_cast<int>(campos.Itens().size());
  r.cut_texts = GeraXmlNFe(campos).Notas;
}

// The issue type (tpEmis) a key was made with: its 35th character.
char issue_type(const std::string& key) {
  return key.size() == 44 ? key[34] : '\0';
}

// NOTA's status of the invoice's NF-e (0 when none was stored).
int stored_status(const std::string& fatura, const std::string& serie) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT STATUS_NFE FROM " + DBLocal("NOTA") + " WHERE FATURA = :FATURA AND SERIE = :SERIE");
  q.ParamByName("FATURA").AsString = fatura;
  q.ParamByName("SERIE").AsString = serie;
  q.Open();
  return q.IsEmpty() ? 0 : q.FieldByName("STATUS_NFE").AsInteger();
}

// Stores `key` as the invoice's in place of `previous` (empty: it has none);
// false when another station stored another key first, or the NF-e of
// `previous` was authorised or denied meanwhile. A key the authoriser
// answered for is never replaced: the DANFE and every event name it. A
// conflict with another station's open update is run again.
bool store_key(const std::string& fatura, const std::string& serie, const std::string& key,
               const std::string& previous) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("UPDATE " + DBLocal("NOTA") +
            " SET CHAVE_NFE = :CHAVE WHERE FATURA = :FATURA AND SERIE = :SERIE"
            " AND (CHAVE_NFE IS NULL OR CHAVE_NFE = ''"
            " OR (CHAVE_NFE = :ANTERIOR AND (STATUS_NFE IS NULL"
            " OR STATUS_NFE NOT IN (" +
            answered_statuses_sql() + "))))");
  q.ParamByName("CHAVE").AsString = key;
  q.ParamByName("FATURA").AsString = fatura;
  q.ParamByName("SERIE").AsString = serie;
  q.ParamByName("ANTERIOR").AsString = previous;
  const int64_t rows = retry_on_conflict([&] {
    q.ExecSQL();
    return q.RowsAffected();
  });
  Tabela.IBTransaction.CommitRetaining();
  return rows > 0;
}

// Whether a key has only the characters an access key holds.
bool plain_key(std::string_view key) {
  if (key.size() != 44) return false;
  for (char c : key) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return true;
}

}  // namespace

InvoiceNFe nfe_of_invoice(const std::string& numero, const std::string& serie,
                          const std::optional<A1Certificate>& certificate) {
  const std::string fatura = IdentificadorNota(numero, Trim(serie));
  TTIQuery q(Tabela.IBDatabase);
  TClientDataSet nota;
  read_invoice(q, nota, fatura, numero, serie);
  const std::string stored_serie = nota.FieldByName("NOTA_SERIE").AsString();

  InvoiceNFe r;
  generate(nota, r);
  // The stored key is the invoice's while its issue type is the one made
  // now: the NF-e then takes its numeric code, hence its key, from it. A key
  // of another issue type (the invoice issued in contingency, or back from
  // it) is replaced, so that the DANFE and later events name the key sent.
  // Another station may store its key between our reading and our update:
  // we read again and follow it; a bounded number of times, as two stations
  // issuing one invoice under different types would otherwise take turns.
  for (int attempt = 1;; ++attempt) {
    const std::string stored = Trim(nota.FieldByName("NOTA_CHAVE_NFE").AsString());
    if (!stored.empty() && (stored.size() != 44 || issue_type(stored) == issue_type(r.key))) break;
    if (attempt > 3) {
      throw ENFeError(
          NFeErrorKind::state,
          fmt::format("invoice {} of series {}: its NF-e key could not be stored", numero, serie));
    }
    if (!stored.empty()) {
      const int status = stored_status(fatura, stored_serie);
      if (is_authorised(status) || is_denied(status)) {
        throw ENFeError(NFeErrorKind::state,
                        fmt::format("invoice {} of series {}: its NF-e {} has status {}; its key is "
                                    "not replaced by one of issue type {}",
                                    numero, serie, stored, status, issue_type(r.key)));
      }
    }
    r.key_stored = store_key(fatura, stored_serie, r.key, stored);
    if (r.key_stored) break;
    read_invoice(q, nota, fatura, numero, serie);
    if (Trim(nota.FieldByName("NOTA_CHAVE_NFE").AsString()).empty()) {
      throw ENFeError(
          NFeErrorKind::state,
          fmt::format("invoice {} of series {}: its NF-e key could not be stored", numero, serie));
    }
    r = InvoiceNFe{};
    generate(nota, r);
  }

  if (certificate) {
    r.xml = AssinaXmlNFe(r.xml, certificate->file, certificate->password);
    r.is_signed = true;
    r.signature_verified = VerificaAssinaturaNFe(r.xml);
  }
  r.violations = ValidaXmlNFe(r.xml);
  return r;
}

std::filesystem::path write_nfe_file(const std::filesystem::path& folder, std::string_view key,
                                     std::string_view xml, bool valid) {
  // The key names the file: nothing else may reach the path.
  if (!plain_key(key)) {
    throw ENFeError(NFeErrorKind::invalid_input, fmt::format("not an NF-e access key: \"{}\"", key));
  }
  // An invalid document is still written, under a name that says so: its
  // violations are reported by line, and whoever fixes the invoice reads
  // them there. Under <key>-nfe.xml it would be taken for one to send.
  const std::string valid_name = std::string(key) + "-nfe.xml";
  const std::string invalid_name = std::string(key) + "-nfe-invalida.xml";
  const std::filesystem::path file = folder / (valid ? valid_name : invalid_name);
  const std::filesystem::path stale = folder / (valid ? invalid_name : valid_name);
  // Written beside and renamed over: a reader (the transmission, a second
  // run) never finds half a document.
  const std::filesystem::path partial = folder / (file.filename().string() + ".part");
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  bool written = !ec;
  if (written) {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << xml;
    written = static_cast<bool>(out.flush());
  }
  if (written) {
    std::filesystem::rename(partial, file, ec);
    written = !ec;
  }
  // The earlier run's document under the other name is not this one.
  if (written) {
    std::filesystem::remove(stale, ec);
    written = !ec;
  }
  if (!written) {
    std::filesystem::remove(partial, ec);
    throw EZpkError(fmt::format("cannot write {}", file.string()));
  }
  return file;
}

}  // namespace zpk::nfe
