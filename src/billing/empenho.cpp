// Standing lines, stored invoice lines and address notes.
#include "billing/empenho.hpp"

#include <string>

#include "billing/cents.hpp"
#include "billing/mensagens_nota.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

// The message set filtered to the lines to keep while it lives, unfiltered after.
class KeptLinesFilter {
 public:
  explicit KeptLinesFilter(TClientDataSet& set) : set_(set) {
    if (set_.FindField("Gravar") == nullptr) return;
    set_.Filter = "GRAVAR = 'S'";
    set_.Filtered = true;
  }
  ~KeptLinesFilter() {
    try {
      set_.Filtered = false;
    } catch (...) {  // a destructor never throws; an unfiltered set cannot fail here
    }
  }
  KeptLinesFilter(const KeptLinesFilter&) = delete;
  KeptLinesFilter& operator=(const KeptLinesFilter&) = delete;

 private:
  TClientDataSet& set_;
};

// The name of NOTAITEN with the given suffix, or the company's when it is
// blank. The suffix becomes part of a table name, which cannot be bound: only
// letters, digits and "_" are accepted.
std::string notaiten_table(std::string_view sufixo) {
  const std::string suffix = Trim(sufixo).empty() ? Tabela.SufixoEmpresa : std::string(sufixo);
  for (char c : suffix) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) throw EZpkError("GravaEmpenhoNota: the table suffix '" + suffix + "' is not a plain name");
  }
  return "NOTAITEN" + suffix;
}

// A line's position as the stored rows keep it: 0 when it is not a number.
int line_order(TClientDataSet& set) {
  return StrToIntDef(Trim(set.FieldByName("Ordem").AsString()), 0);
}

// The customer's address row for a note, or false when there is none.
bool open_customer(TTIQuery& q, std::string_view codcli) {
  q.ParamByName("CODCLI").AsString = std::string(codcli);
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A code longer than its column is no customer.
    if (!e.is_truncation()) throw;
    return false;
  }
  return !q.IsEmpty();
}

// Appends one address note at `ordem`.
void append_address_line(TClientDataSet& set, int ordem, const std::string& descricao) {
  append_message_line(set, ordem, descricao, "E", "S");
}

// The note as one line at `ordem` when it fits 100 characters, else as its
// street part at `ordem` and its place part at `ordem` + 1.
void append_address_note(TClientDataSet& set, int ordem, const std::string& whole, const std::string& street,
                         const std::string& place) {
  if (Length(whole) <= 100) {
    append_address_line(set, ordem, whole);
  } else {
    append_address_line(set, ordem, street);
    append_address_line(set, ordem + 1, place);
  }
}

}  // namespace

void Grava_Empenho(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view CodCli,
                   std::string_view Texto) {
  TTIDatabase& db = Tabela.IBDatabase;
  // The old lines go only when every new one is written.
  Savepoint replacing(db.DefaultTransaction());
  const std::string table = DBLocal("EMPENHO_CLI");
  TTIQuery del(db);
  del.SQL.Add("DELETE FROM " + table + " WHERE CODCLI = :CODCLI");
  del.ParamByName("CODCLI").AsString = std::string(CodCli);
  del.ExecSQL();

  TTIQuery ins(db);
  ins.SQL.Add("INSERT INTO " + table + " (ORDEM, CODCLI, MENSAGEM, TIPO, TIPO_V, SUBTOTAL, VALOR)");
  ins.SQL.Add("VALUES (:ORDEM, :CODCLI, :MENSAGEM, :TIPO, :TIPO_V, :SUBTOTAL, :VALOR)");
  KeptLinesFilter kept(TbMensagem);
  for (TbMensagem.First(); !TbMensagem.Eof(); TbMensagem.Next()) {
    const std::string tipo_val = TbMensagem.FieldByName("TipoVal").AsString();
    // Address notes follow the customer's register, never a standing copy.
    if (tipo_val == "E") continue;
    double valor = 0;
    if (tipo_val == "V") valor = TbMensagem.FieldByName("Valor").AsFloat();
    if (tipo_val == "P") valor = TbMensagem.FieldByName("Preco").AsFloat();
    ins.ParamByName("ORDEM").AsInteger = line_order(TbMensagem);
    ins.ParamByName("CODCLI").AsString = std::string(CodCli);
    ins.ParamByName("MENSAGEM").AsString = TbMensagem.FieldByName("Descricao").AsString();
    ins.ParamByName("TIPO").AsString = TbMensagem.FieldByName("Tipo").AsString();
    ins.ParamByName("TIPO_V").AsString = tipo_val;
    ins.ParamByName("SUBTOTAL").AsString = TbMensagem.FieldByName("Subtotal").AsString();
    ins.ParamByName("VALOR").AsFloat = valor;
    ins.ExecSQL();
  }
  replacing.release();
}

void Transfere_Empenho(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view CodCli,
                       std::string_view Texto) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT ORDEM, MENSAGEM, TIPO, TIPO_V, SUBTOTAL, VALOR FROM " + DBLocal("EMPENHO_CLI"));
  q.SQL.Add("WHERE CODCLI = :CODCLI ORDER BY ORDEM");
  q.ParamByName("CODCLI").AsString = std::string(CodCli);
  bool found = true;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A code longer than its column has no standing lines.
    if (!e.is_truncation()) throw;
    found = false;
  }
  if (TbMensagem.Active()) TbMensagem.EmptyDataSet();
  const bool gravar = TbMensagem.FindField("Gravar") != nullptr;
  for (; found && !q.Eof(); q.Next()) {
    const std::string tipo_v = q.FieldByName("TIPO_V").AsString();
    const double valor = q.FieldByName("VALOR").AsFloat();
    TbMensagem.Append();
    TbMensagem.FieldByName("Ordem").AsInteger = q.FieldByName("ORDEM").AsInteger();
    TbMensagem.FieldByName("Codigo").AsString = std::string(kCodigoMensagem);
    TbMensagem.FieldByName("Descricao").AsString = q.FieldByName("MENSAGEM").AsString();
    TbMensagem.FieldByName("TipoVal").AsString = tipo_v;
    TbMensagem.FieldByName("Subtotal").AsString = q.FieldByName("SUBTOTAL").AsString();
    TbMensagem.FieldByName("Tipo").AsString = q.FieldByName("TIPO").AsString();
    TbMensagem.FieldByName("Preco").AsFloat = tipo_v == "P" ? valor : 0;
    TbMensagem.FieldByName("Valor").AsFloat = tipo_v == "P" ? 0 : valor;
    if (gravar) TbMensagem.FieldByName("Gravar").AsString = "S";
    TbMensagem.Post();
  }
}

void GravaEmpenhoNota(TClientDataSet& TbMensagem, double Valor, std::string_view Fatura,
                      std::string_view Sufixo, TTIDatabase* Database) {
  TTIDatabase& db = Database != nullptr ? *Database : Tabela.IBDatabase;
  const std::string table = notaiten_table(Sufixo);
  // An invoice is stored with all its lines or none of them.
  Savepoint lines(db.DefaultTransaction());

  TTIQuery line(db);
  line.SQL.Add("INSERT INTO " + table +
               " (FATURA, CODIGO, COR, TAMANHO, DESCRICAO, VALOR, PRECO, EMPENHO, ORD_PED, ORDEM, TIPO)");
  line.SQL.Add("VALUES (:FATURA, :CODIGO, :COR, :TAMANHO, :DESCRICAO, :VALOR, :PRECO, :EMPENHO, :ORD_PED,");
  line.SQL.Add(":ORDEM, :TIPO)");
  TTIQuery subtotal(db);
  subtotal.SQL.Add("INSERT INTO " + table +
                   " (FATURA, CODIGO, COR, TAMANHO, PRECO, VALOR, DESCRICAO, EMPENHO, ORD_PED, TIPO)");
  subtotal.SQL.Add(
      "VALUES (:FATURA, :CODIGO, 'T', ' ', 0, :VALOR, 'SUB TOTAL...............:', 'S', 0, 'T')");

  double base = Valor;
  double acrescimos = 0;
  double descontos = 0;
  double outros = 0;
  for (TbMensagem.First(); !TbMensagem.Eof(); TbMensagem.Next()) {
    const std::string tipo = TbMensagem.FieldByName("Tipo").AsString();
    const std::string tipo_val = TbMensagem.FieldByName("TipoVal").AsString();
    const std::string flag_subtotal = TbMensagem.FieldByName("Subtotal").AsString();
    const double preco = TbMensagem.FieldByName("Preco").AsFloat();
    const bool adjustment = tipo == "A" || tipo == "D" || tipo == "C";
    double valor = 0;
    if (adjustment) {
      valor = TbMensagem.FieldByName("Valor").AsFloat();
      // A percentage line typed without its amount gets it from the running base.
      if (tipo_val == "P" && valor == 0) valor = to_cents(preco / 100 * base);
      if (flag_subtotal == "N") {
        if (tipo == "A") acrescimos += valor;
        if (tipo == "D") descontos += valor;
        if (tipo == "C") outros += valor;
      }
    }

    double stored_valor = 0;
    double stored_preco = 0;
    if (tipo_val == "V" || tipo_val == "T") {
      stored_valor = valor;
    } else if (tipo_val == "P") {
      stored_valor = valor;
      stored_preco = preco;
    }
    const int ordem = line_order(TbMensagem);
    line.ParamByName("FATURA").AsString = std::string(Fatura);
    line.ParamByName("CODIGO").AsString = TbMensagem.FieldByName("Codigo").AsString();
    line.ParamByName("COR").AsString = tipo_val;
    line.ParamByName("TAMANHO").AsString = flag_subtotal;
    line.ParamByName("DESCRICAO").AsString = TbMensagem.FieldByName("Descricao").AsString();
    line.ParamByName("VALOR").AsCurrency = stored_valor;
    line.ParamByName("PRECO").AsCurrency = stored_preco;
    line.ParamByName("EMPENHO").AsString = adjustment ? std::string("S") : tipo;
    line.ParamByName("ORD_PED").AsInteger = ordem;
    line.ParamByName("ORDEM").AsInteger = ordem;
    line.ParamByName("TIPO").AsString = tipo;
    line.ExecSQL();

    if (flag_subtotal != "N") {
      if (tipo == "A") base += valor;
      if (tipo == "D" || tipo == "C") base -= valor;
      subtotal.ParamByName("FATURA").AsString = std::string(Fatura);
      subtotal.ParamByName("CODIGO").AsString = std::string(kCodigoMensagem);
      subtotal.ParamByName("VALOR").AsCurrency = to_cents(base - descontos - outros + acrescimos);
      subtotal.ExecSQL();
    }
  }
  lines.release();
}

void AddEnderecoEntrega(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view Texto,
                        std::string_view CodCli) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CLI.ENDERECO, CLI.END_ENT, CLI.CEP_ENT, CLI.NUM_ENT, CLI.NUM_END, CLI.COMPLEMENTO,");
  q.SQL.Add("CLI.BAIRRO_ENT, CLI.CNPJ_ENT, CEP.COD_CID, CID.NOME_CID, CID.COD_EST, CLI.COMP_ENT");
  q.SQL.Add("FROM " + DBLocal("ENTIDADE") + " CLI");
  q.SQL.Add("LEFT JOIN " + DBLocal("CADCEP") + " CEP ON (CLI.CEP_ENT = CEP.CEP)");
  q.SQL.Add("LEFT JOIN " + DBLocal("CIDADE") + " CID ON (CEP.COD_CID = CID.COD_CID)");
  q.SQL.Add("WHERE CLI.CODCLI = :CODCLI");
  if (!open_customer(q, CodCli)) return;
  const auto f = [&q](const char* column) { return q.FieldByName(column).AsString(); };
  if (f("ENDERECO") == f("END_ENT") && f("NUM_END") == f("NUM_ENT") && f("COMPLEMENTO") == f("COMP_ENT"))
    return;

  const std::string street =
      " *** END. ENTREGA - " + f("END_ENT") + " Nr " + f("NUM_ENT") + ", " + f("BAIRRO_ENT");
  const std::string place = f("CEP_ENT") + ", " + f("NOME_CID") + ", " + f("COD_EST") + ", " + f("CNPJ_ENT") +
                            ", " + f("COMP_ENT") + ". *** ";
  append_address_note(TbMensagem, 10, street + ", " + place, street + ". *** ", " *** " + place);
}

void AddEnderecoCobranca(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view Texto,
                         std::string_view CodCli) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CLI.ENDERECO, CLI.END_COB, CLI.CEP_COB, CLI.NUM_COB, CLI.NUM_END, CLI.BAIRRO_COB,");
  q.SQL.Add("CEP.COD_CID, CID.NOME_CID, CID.COD_EST");
  q.SQL.Add("FROM " + DBLocal("ENTIDADE") + " CLI");
  q.SQL.Add("LEFT JOIN " + DBLocal("CADCEP") + " CEP ON (CLI.CEP_COB = CEP.CEP)");
  q.SQL.Add("LEFT JOIN " + DBLocal("CIDADE") + " CID ON (CEP.COD_CID = CID.COD_CID)");
  q.SQL.Add("WHERE CLI.CODCLI = :CODCLI");
  if (!open_customer(q, CodCli)) return;
  const auto f = [&q](const char* column) { return q.FieldByName(column).AsString(); };
  if (f("ENDERECO") == f("END_COB") && f("NUM_END") == f("NUM_COB")) return;

  const std::string street =
      " *** END. COBRANCA - " + f("END_COB") + " Nr " + f("NUM_COB") + ", " + f("BAIRRO_COB");
  const std::string place = f("CEP_COB") + ", " + f("NOME_CID") + ", " + f("COD_EST") + ". *** ";
  append_address_note(TbMensagem, 20, street + ", " + place, street + ". *** ", " *** " + place);
}

}  // namespace zpk
