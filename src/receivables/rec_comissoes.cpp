#include "receivables/rec_comissoes.hpp"

#include <algorithm>

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"

namespace zpk {

namespace {

constexpr const char* kIndex = "tbPedRepresenIndex1";

// Where a kind of split is written, and the column that keys its document.
struct Target {
  const char* table;
  const char* key;
};

Target target_of(TComissoesTipo tipo) {
  switch (tipo) {
    case ctCliente:
      return {"CLI_COM", "CODCLI"};
    case ctVendas:
      return {"PED_COM", "NUMERO"};
    case ctFatPedido:
    case ctDuplicata:
      break;
  }
  return {"REC_COM", "NUMERO"};
}

// Another company's suffix goes into the table name itself, so it may hold
// only what a table name can: letters, digits and "_".
std::string suffixed(const char* table, const std::string& empresa) {
  const bool plain = std::all_of(empresa.begin(), empresa.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
  if (!plain) throw EZpkError("TRecComissoes: Empresa '" + empresa + "' is not a table-name suffix");
  return table + empresa;
}

// The customer's split statement, for its code bound as :CODIGO.
void customer_split(TTIQuery& q) {
  q.SQL.Add("SELECT CLI_COM.CODREP, CLI_COM.COM1, CLI_COM.COM2, REPRESEN.NOME, NULL AS DT_COMISSAO ");
  q.SQL.Add("FROM " + DBLocal("CLI_COM") + " CLI_COM");
  q.SQL.Add("LEFT JOIN " + DBLocal("REPRESEN") + " REPRESEN ON REPRESEN.CODREP = CLI_COM.CODREP");
  q.SQL.Add("WHERE CLI_COM.CODCLI = :CODIGO");
}

// A document's own split statement (orders and titles), for its number bound as :CODIGO.
void document_split(TTIQuery& q, const char* table, const char* dt_comissao) {
  const std::string t = table;
  q.SQL.Add("SELECT " + t + ".CODREP, " + t + ".COM1, " + t + ".COM2, REPRESEN.NOME, " + dt_comissao + " ");
  q.SQL.Add("FROM " + DBLocal(t) + " " + t);
  q.SQL.Add("LEFT JOIN " + DBLocal("REPRESEN") + " REPRESEN ON REPRESEN.CODREP = " + t + ".CODREP");
  q.SQL.Add("WHERE NUMERO = :CODIGO");
}

// Opens a look-up; a key longer than its column matches no row.
bool open_or_nothing(TTIQuery& q) {
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return false;
  }
  return !q.IsEmpty();
}

bool order_has_split(TTIDatabase& db, const std::string& numero) {
  TTIQuery q(db);
  q.SQL.Add("SELECT FIRST 1 NUMERO FROM " + DBLocal("PED_COM") + " WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = numero;
  return open_or_nothing(q);
}

}  // namespace

TRecComissoes::TRecComissoes(TComissoesTipo Tipo) : FTipo(Tipo), FDatabase(&Tabela.IBDatabase) {
  TFieldDefs& defs = comissoes_.FieldDefs;
  defs.Add("CODREP", ftString, 5);
  defs.Add("NOME", ftString, 50);
  defs.Add("COM1", ftFloat);
  defs.Add("COM2", ftFloat);
  defs.Add("DT_COMISSAO", ftDateTime);
  defs.Add("PRIMEIRO", ftBoolean);
  comissoes_.CreateDataSet();
  comissoes_.AddIndex(kIndex, "PRIMEIRO;CODREP", "PRIMEIRO");
  comissoes_.IndexName = kIndex;
  comissoes_.AfterPost = [this](TClientDataSet& d) { lone_row_is_main(d); };
}

TTIDatabase& TRecComissoes::database() const {
  return FDatabase ? *FDatabase : Tabela.IBDatabase;
}

void TRecComissoes::SetCodigo(std::string Value) {
  if (Value != FCodigo) comissoes_.EmptyDataSet();
  FCodigo = std::move(Value);
}

void TRecComissoes::lone_row_is_main(TClientDataSet& dataset) {
  if (dataset.RecordCount() != 1 || dataset.FieldByName("PRIMEIRO").AsBoolean()) return;
  dataset.First();
  dataset.Edit();
  dataset.FieldByName("PRIMEIRO").AsBoolean = true;
  dataset.Post();
}

void TRecComissoes::BuscaComissoes(bool Todos) {
  if (!comissoes_.IsEmpty()) return;
  TTIDatabase& db = database();
  TTIQuery q(db);
  switch (FTipo) {
    case ctCliente:
      customer_split(q);
      q.ParamByName("CODIGO").AsString = FCodigo;
      break;
    case ctVendas:
    case ctFatPedido:
      if (order_has_split(db, FCodigo)) {
        document_split(q, "PED_COM", "NULL AS DT_COMISSAO");
        q.ParamByName("CODIGO").AsString = FCodigo;
      } else {
        customer_split(q);
        if (!Todos) q.SQL.Add("AND CLI_COM.CODREP = :CODREP");
        q.ParamByName("CODIGO").AsString = FCodCli;
        if (!Todos) q.ParamByName("CODREP").AsString = FCodRep;
      }
      break;
    case ctDuplicata:
      document_split(q, "REC_COM", "REC_COM.DT_COMISSAO");
      q.ParamByName("CODIGO").AsString = FCodigo;
      break;
  }

  if (open_or_nothing(q)) {
    // Rows come in one by one; the lone-row rule looks at the split once it is whole.
    comissoes_.AfterPost = nullptr;
    for (; !q.Eof(); q.Next()) {
      comissoes_.Append();
      const std::string codrep = q.FieldByName("CODREP").AsString();
      comissoes_.FieldByName("CODREP").AsString = codrep;
      comissoes_.FieldByName("NOME").AsString = q.FieldByName("NOME").AsString();
      comissoes_.FieldByName("COM1").AsFloat = FCom1 > 0 ? FCom1 : q.FieldByName("COM1").AsFloat();
      comissoes_.FieldByName("COM2").AsFloat = FCom2 > 0 ? FCom2 : q.FieldByName("COM2").AsFloat();
      if (!q.FieldByName("DT_COMISSAO").IsNull()) {
        comissoes_.FieldByName("DT_COMISSAO").AsDateTime = q.FieldByName("DT_COMISSAO").AsDateTime();
      }
      comissoes_.FieldByName("PRIMEIRO").AsBoolean = codrep == FCodRep;
      comissoes_.Post();
    }
    comissoes_.AfterPost = [this](TClientDataSet& d) { lone_row_is_main(d); };
    lone_row_is_main(comissoes_);
  } else {
    TTIQuery rep(db);
    rep.SQL.Add("SELECT NOME FROM " + DBLocal("REPRESEN") + " WHERE CODREP = :CODREP");
    rep.ParamByName("CODREP").AsString = FCodRep;
    TTIQuery cli(db);
    cli.SQL.Add("SELECT COM1, COM2 FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
    cli.ParamByName("CODCLI").AsString = FCodCli;
    if (open_or_nothing(rep) && open_or_nothing(cli)) {
      comissoes_.Append();
      comissoes_.FieldByName("CODREP").AsString = FCodRep;
      comissoes_.FieldByName("NOME").AsString = rep.FieldByName("NOME").AsString();
      comissoes_.FieldByName("COM1").AsFloat = FCom1 > 0 ? FCom1 : cli.FieldByName("COM1").AsFloat();
      comissoes_.FieldByName("COM2").AsFloat = FCom2 > 0 ? FCom2 : cli.FieldByName("COM2").AsFloat();
      comissoes_.FieldByName("PRIMEIRO").AsBoolean = true;
      comissoes_.Post();
    }
  }
  FCom1 = 0;
  FCom2 = 0;
}

void TRecComissoes::GravarDados(std::string_view NovoCodigo) {
  const Target t = target_of(FTipo);
  const std::string table = FEmpresa.empty() ? DBLocal(t.table) : suffixed(t.table, FEmpresa);
  if (!NovoCodigo.empty()) FCodigo = std::string(NovoCodigo);
  const std::string key = t.key;

  TTIDatabase& db = database();
  // The old split goes only when the whole new one is written: a failing
  // row leaves the document's split as it was.
  Savepoint split(db.DefaultTransaction());
  TTIQuery del(db);
  del.SQL.Add("DELETE FROM " + table);
  del.SQL.Add("WHERE " + key + " = :" + key);
  del.ParamByName(key).AsString = FCodigo;
  del.ExecSQL();

  TTIQuery ins(db);
  for (comissoes_.First(); !comissoes_.Eof(); comissoes_.Next()) {
    const bool dated = !comissoes_.FieldByName("DT_COMISSAO").IsNull();
    ins.SQL.Clear();
    ins.SQL.Add("INSERT INTO " + table);
    ins.SQL.Add("(" + key + ", CODREP, COM1, COM2 ");
    ins.SQL.Add(dated ? ",DT_COMISSAO )" : ")");
    ins.SQL.Add(" VALUES ");
    ins.SQL.Add("(:" + key + ", :CODREP, :COM1, :COM2" + (dated ? ", :DT_COMISSAO)" : ")"));
    ins.ParamByName(key).AsString = FCodigo;
    ins.ParamByName("CODREP").AsString = comissoes_.FieldByName("CODREP").AsString();
    ins.ParamByName("COM1").AsFloat = comissoes_.FieldByName("COM1").AsFloat();
    ins.ParamByName("COM2").AsFloat = comissoes_.FieldByName("COM2").AsFloat();
    if (dated) ins.ParamByName("DT_COMISSAO").AsDate = comissoes_.FieldByName("DT_COMISSAO").AsDateTime();
    ins.ExecSQL();
  }
  split.release();
}

namespace {

// The split being edited; screens run on the main thread only.
TRecComissoes* g_em_edicao = nullptr;

}  // namespace

TRecComissoes* ComissoesEmEdicao() {
  return g_em_edicao;
}

int TRecComissoes::ShowModal() {
  BuscaComissoes(true);
  // The screen edits this split while it is up; the previous one (a screen
  // opening another split's screen) comes back when it closes, even on error.
  struct EmEdicao {
    TRecComissoes* anterior;
    explicit EmEdicao(TRecComissoes* atual) : anterior(g_em_edicao) { g_em_edicao = atual; }
    ~EmEdicao() { g_em_edicao = anterior; }
    EmEdicao(const EmEdicao&) = delete;
    EmEdicao& operator=(const EmEdicao&) = delete;
  } em_edicao(this);
  // The split screen belongs to the sales package of the host; the dialog
  // port shows it over Comissoes and answers with its modal result.
  MessageRequest request;
  request.kind = DialogKind::modal_form;
  request.type = TMsgDlgType::mtCustom;
  request.caption = "TfmCadPedRep";
  request.text = "zpkVendas.bpl";
  request.buttons = {"&OK", "&Cancelar"};
  request.cancel_button = 2;
  return dialog_service().show_message(request);
}

Currency TRecComissoes::ValorTotalComissoes() {
  const int current = comissoes_.RecNo;
  Currency total;
  for (comissoes_.First(); !comissoes_.Eof(); comissoes_.Next()) {
    total += comissoes_.FieldByName("COM1").AsCurrency() + comissoes_.FieldByName("COM2").AsCurrency();
  }
  if (current > 0) comissoes_.RecNo = current;
  return total;
}

}  // namespace zpk
