#include "inventory/sis_importa.hpp"

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "foundation/sequences.hpp"
#include "inventory/detail/import_file.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/db/cancellation.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/format_settings.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace fs = std::filesystem;

struct TSisImporta::ColumnType {
  TFieldType type = ftString;
  int size = 0;  // characters of a text column (0: unlimited)
};

// The columns of every table the import touched, by upper-case name. A table
// is read once per import: its "SELECT * ... WHERE 1=0" gives the types.
struct TSisImporta::TableCache {
  std::map<std::string, std::map<std::string, ColumnType>> tables;
};

namespace {

using detail::ImportFileReader;
using detail::ImportItem;
using detail::ImportSection;

enum class DefaultKind { text, number, null };

// What an empty value of a column of this type is stored as.
DefaultKind default_kind(TFieldType type) {
  switch (type) {
    case ftString:
    case ftMemo:
      return DefaultKind::text;
    case ftInteger:
    case ftFloat:
    case ftCurrency:
      return DefaultKind::number;
    default:
      return DefaultKind::null;
  }
}

// The whole file, or nothing when it cannot be opened.
std::optional<std::string> read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// True for a quantity written the way the exporting system writes numbers
// into its statements: digits with an optional "." and decimals, and more
// than zero (the journals hold positive quantities; OPERACAO is the direction).
bool positive_quantity(std::string_view s) {
  size_t i = 0;
  bool digits = false, nonzero = false, point = false;
  if (i < s.size() && s[i] == '+') ++i;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      digits = true;
      nonzero = nonzero || s[i] != '0';
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits && nonzero;
}

}  // namespace

// One run of Importar: the file's reader, the run's document numbers, the
// counters, and the statements of the current section.
class TSisImporta::Run {
 public:
  Run(TSisImporta& owner, ImportFileReader& reader) : o_(owner), reader_(reader) {}

  // Checks a section against the database (its table, columns and keys, or
  // what posting needs) and gets ready for its records; raises when unusable.
  void section(const ImportSection& s);
  // Writes the current record the way its section says (table, movement, dataset).
  void record();
  // True for a record of a movement section (which reads no blob, so it may run again).
  bool stock_record(const ImportItem& item) const {
    return item.kind == ImportItem::Kind::record && (kind_ == Kind::produto || kind_ == Kind::material);
  }

  std::string doc_pa, doc_mat;  // the run's new document numbers (stock posting)

 private:
  enum class Kind { table, produto, material, dataset };

  // The record's value of a column ("" when the section has no such column).
  const std::string& v(std::string_view campo) const;
  bool has(std::string_view campo) const { return index_of(campo) >= 0; }
  // Position of the column in the section (-1 when it has none such).
  int index_of(std::string_view campo) const;
  // Binds `value` to `param` for column `campo` of `tabela`: an empty value
  // as the column's empty value ('' / 0 / NULL), a blob reference as the
  // companion's bytes, a text too long for its column refused by name.
  void bind(TTIQuery& q, std::string_view param, std::string_view tabela, std::string_view campo,
            const std::string& value);
  // Raises naming the first of `campos` the section lacks.
  void require(std::initializer_list<std::string_view> campos) const;
  // The query of a statement text, made once per import: each statement
  // shape is prepared once and only bound for every further line.
  TTIQuery& query(std::initializer_list<std::string> lines);
  // Opens a balance look-up again, waiting out a row another station holds.
  static void open_balance(TTIQuery& q) {
    retry_on_conflict([&] {
      q.Close();
      q.Open();
    });
  }

  // Inserts the record, or updates the row its keys find.
  void record_table();
  // Appends the record to DataSet, every value as text.
  void record_dataset();
  // Posts a product or material movement (balance, barcodes, journal).
  void record_produto();
  void record_material();
  bool imported_entry();

  TSisImporta& o_;
  ImportFileReader& reader_;
  std::map<std::string, std::unique_ptr<TTIQuery>> queries_;
  Kind kind_ = Kind::table;
  bool dataset_table_known_ = false;
  const ImportSection* section_ = nullptr;
  static const std::string kEmpty;
};

const std::string TSisImporta::Run::kEmpty;

TTIQuery& TSisImporta::Run::query(std::initializer_list<std::string> lines) {
  std::string key;
  for (const std::string& line : lines) key += line + '\n';
  std::unique_ptr<TTIQuery>& q = queries_[key];
  if (!q) {
    q = std::make_unique<TTIQuery>(Tabela.IBDatabase);
    for (const std::string& line : lines) q->SQL.Add(line);
  }
  return *q;
}

int TSisImporta::Run::index_of(std::string_view campo) const {
  for (size_t i = 0; i < section_->columns.size(); ++i) {
    if (SameText(section_->columns[i].campo, campo)) return static_cast<int>(i);
  }
  return -1;
}

const std::string& TSisImporta::Run::v(std::string_view campo) const {
  const int i = index_of(campo);
  return i < 0 ? kEmpty : reader_.record().values[static_cast<size_t>(i)];
}

void TSisImporta::Run::require(std::initializer_list<std::string_view> campos) const {
  for (std::string_view campo : campos) {
    if (!has(campo)) {
      throw EZpkError(fmt::format("A seção {} não tem a coluna {}", section_->table, campo));
    }
  }
}

void TSisImporta::Run::bind(TTIQuery& q, std::string_view param, std::string_view tabela,
                            std::string_view campo, const std::string& value) {
  TParam& p = q.ParamByName(param);
  const ColumnType* type = o_.column_type(tabela, campo);
  if (type == nullptr) throw EZpkError(fmt::format("A tabela {} não tem a coluna {}", tabela, campo));
  if (value.find(detail::kBlobMark) != std::string::npos) {
    // Stock movements have no blob columns; refusing the mark here also
    // keeps the companion untouched by a movement line that is run again.
    if (kind_ != Kind::table) throw EZpkError(fmt::format("A coluna {} não aceita blob", UpperCase(campo)));
    std::string bytes = reader_.take_blob(value, reader_.record().line);
    if (bytes.empty()) {
      p.Clear();
    } else {
      p.AsString = std::move(bytes);
    }
    return;
  }
  if (value.empty()) {
    switch (default_kind(type->type)) {
      case DefaultKind::text:
        p.AsString = std::string();
        break;
      case DefaultKind::number:
        p.AsInteger = 0;
        break;
      case DefaultKind::null:
        p.Clear();
        break;
    }
    return;
  }
  if (type->type == ftString && type->size > 0 && Length(value) > type->size) {
    throw EZpkError(fmt::format("Valor '{}' longo demais para a coluna {} de {} ({} caracteres, máximo {})",
                                detail::shown_value(value), UpperCase(campo), UpperCase(tabela),
                                Length(value), type->size));
  }
  p.AsString = value;
}

void TSisImporta::Run::section(const ImportSection& s) {
  section_ = &s;
  const std::string tabela = UpperCase(s.table);
  if (o_.Modo == imDataSet) {
    kind_ = Kind::dataset;
    // The file may hold a table this company does not have: its empty values are then "".
    try {
      o_.column_type(tabela, s.keys.empty() ? std::string_view("") : std::string_view(s.keys.front()));
      dataset_table_known_ = true;
    } catch (const EDatabaseError&) {
      if (stop_requested()) throw;
      dataset_table_known_ = false;
    }
    // The dataset has one set of fields: the first section's.
    if (o_.dataset_->Active()) {
      throw EZpkError(
          fmt::format("A seção {} não cabe no DataSet, já criado por uma seção anterior", s.table));
    }
    o_.dataset_->FieldDefs.Clear();
    // The last column runs to the end of each record: its field has no fixed width.
    for (size_t c = 0; c < s.columns.size(); ++c) {
      o_.dataset_->FieldDefs.Add(s.columns[c].campo, ftString,
                                 c + 1 == s.columns.size() ? 0 : s.columns[c].fim);
    }
    o_.dataset_->CreateDataSet();
    return;
  }
  kind_ = tabela == "PA_MOV" ? Kind::produto : tabela == "MAT_MOV" ? Kind::material : Kind::table;
  // Every column written must be one the table has: the names go into the
  // statements as they stand.
  for (const TPosicao& c : s.columns) {
    if (o_.column_type(tabela, c.campo) == nullptr) {
      throw EZpkError(fmt::format("A tabela {} não tem a coluna {}", tabela, c.campo));
    }
  }
  switch (kind_) {
    case Kind::table:
      for (const std::string& key : s.keys) {
        if (!has(key)) throw EZpkError(fmt::format("A chave {} não é coluna da seção {}", key, tabela));
      }
      break;
    case Kind::produto:
    case Kind::material:
      require({"CODIGO"});
      // Posting needs the direction, the quantity and the source document
      // that tells a movement already imported from a new one.
      if (o_.Estoque) require({"QTDE", "OPERACAO", "NUM_DOCTO"});
      break;
    case Kind::dataset:
      break;
  }
}

void TSisImporta::Run::record() {
  switch (kind_) {
    case Kind::table:
      record_table();
      break;
    case Kind::dataset:
      record_dataset();
      break;
    case Kind::produto:
      record_produto();
      break;
    case Kind::material:
      record_material();
      break;
  }
}

void TSisImporta::Run::record_dataset() {
  TClientDataSet& ds = *o_.dataset_;
  ds.Append();
  try {
    for (int i = 0; i < ds.FieldCount(); ++i) {
      TField& f = ds.Fields(i);
      std::string value = v(f.FieldName());
      if (value.empty() && dataset_table_known_) value = o_.ValorPadrao(section_->table, f.FieldName());
      f.AsString = StringReplace(value, "'", "", rfReplaceAll);
    }
    ds.Post();
  } catch (...) {
    ds.Cancel();
    throw;
  }
  ++o_.inserted_;
}

void TSisImporta::Run::record_table() {
  const ImportSection& s = *section_;
  const std::string tabela = UpperCase(s.table);
  const auto is_key = [&](const std::string& campo) {
    for (const std::string& key : s.keys) {
      if (SameText(key, campo)) return true;
    }
    return false;
  };
  // Existe takes literals: the key values quoted, empty ones as the column's empty value.
  bool exists = false;
  if (!s.keys.empty()) {
    std::string campos, valores;
    for (const std::string& key : s.keys) {
      const std::string& value = v(key);
      if (value.find(detail::kBlobMark) != std::string::npos) {
        throw EZpkError(fmt::format("A chave {} não pode vir do arquivo .Blob", key));
      }
      campos += (campos.empty() ? "" : ";") + key;
      valores +=
          (valores.empty() ? "" : ";") + (value.empty() ? o_.ValorPadrao(tabela, key) : QuotedStr(value));
    }
    exists = Existe(tabela, campos, valores);
  }
  if (!exists) {
    std::string names, markers;
    for (const TPosicao& c : s.columns) {
      names += (names.empty() ? "" : ",") + c.campo;
      markers += (markers.empty() ? ":" : ", :") + UpperCase(c.campo);
    }
    TTIQuery& q = query({"insert into " + DBLocal(tabela) + "(" + names + ") ", "values (" + markers + ")"});
    for (const TPosicao& c : s.columns) bind(q, UpperCase(c.campo), tabela, c.campo, v(c.campo));
    q.ExecSQL();
    ++o_.inserted_;
    return;
  }
  // A section of a single column, or of keys only, has nothing to change.
  std::string set;
  for (const TPosicao& c : s.columns) {
    if (!is_key(c.campo)) set += (set.empty() ? "" : ", ") + c.campo + " = :" + UpperCase(c.campo);
  }
  if (s.columns.size() <= 1 || set.empty()) return;
  std::string where = " where 1=1 ";
  for (const std::string& key : s.keys) where += " and " + key + " = :" + UpperCase(key);
  TTIQuery& q = query({"update " + DBLocal(tabela) + " set " + set, where});
  // The companion's blobs follow the statement's parameters: the changed columns, then the keys.
  for (const TPosicao& c : s.columns) {
    if (!is_key(c.campo)) bind(q, UpperCase(c.campo), tabela, c.campo, v(c.campo));
  }
  for (const std::string& key : s.keys) bind(q, UpperCase(key), tabela, key, v(key));
  q.ExecSQL();
  ++o_.changed_;
}

// Whether the record's movement is an entry here (the other installation's
// exit, OPERACAO "S"); with stock posting, OPERACAO must be E or S and QTDE
// a quantity above zero.
bool TSisImporta::Run::imported_entry() {
  const std::string operacao = UpperCase(v("OPERACAO"));
  if (o_.Estoque) {
    if (operacao != "E" && operacao != "S") {
      throw EZpkError(fmt::format("OPERACAO '{}' não é E nem S", detail::shown_value(v("OPERACAO"))));
    }
    if (!positive_quantity(v("QTDE"))) {
      throw EZpkError(
          fmt::format("QTDE '{}' não é uma quantidade maior que zero", detail::shown_value(v("QTDE"))));
    }
  }
  return operacao == "S";
}

// A product movement of another installation: its exit is an entry here and
// its entry an exit. Posted once: the journal row keeps the source document
// in DESCRICAO with TP_MOV "IT", and a record already found that way is left.
void TSisImporta::Run::record_produto() {
  const std::string Q = o_.Qualidade.empty() ? v("TIPO") : o_.Qualidade;
  const std::string D = o_.Deposito.empty() ? v("DEPOSITO") : o_.Deposito;
  const std::string& qtde = v("QTDE");
  const bool entrada = imported_entry();

  const auto bind_item = [&](TTIQuery& q) {
    bind(q, "CODIGO", "PA_ITEN", "CODIGO", v("CODIGO"));
    bind(q, "COR", "PA_ITEN", "COR", v("COR"));
    bind(q, "TAM", "PA_ITEN", "TAM", v("TAMANHO"));
    bind(q, "LOTE", "PA_ITEN", "LOTE", v("LOTE"));
    bind(q, "TIPO", "PA_ITEN", "TIPO", Q);
    bind(q, "DEPOSITO", "PA_ITEN", "DEPOSITO", D);
  };
  const std::string item_where =
      "where CODIGO = :CODIGO and COR = :COR and TAM = :TAM and TIPO = :TIPO and DEPOSITO = :DEPOSITO "
      "and LOTE = :LOTE";
  TTIQuery& balance =
      query({"select CODIGO from " + DBLocal("PA_ITEN"), item_where, o_.Estoque ? "with lock" : ""});
  bind_item(balance);
  open_balance(balance);
  if (o_.Estoque) {
    TTIQuery& seen =
        query({"select first 1 1 from " + DBLocal("PA_MOV"),
               "where CODIGO = :CODIGO and COR = :COR and TAMANHO = :TAMANHO and LOTE = :LOTE",
               "and DESCRICAO = :DESCRICAO and ORDEM = :ORDEM and TIPO = :TIPO and DEPOSITO = :DEPOSITO",
               "and TP_MOV = 'IT'"});
    bind(seen, "CODIGO", "PA_MOV", "CODIGO", v("CODIGO"));
    bind(seen, "COR", "PA_MOV", "COR", v("COR"));
    bind(seen, "TAMANHO", "PA_MOV", "TAMANHO", v("TAMANHO"));
    bind(seen, "LOTE", "PA_MOV", "LOTE", v("LOTE"));
    bind(seen, "DESCRICAO", "PA_MOV", "DESCRICAO", v("NUM_DOCTO"));
    bind(seen, "ORDEM", "PA_MOV", "ORDEM", v("ORDEM"));
    bind(seen, "TIPO", "PA_MOV", "TIPO", Q);
    bind(seen, "DEPOSITO", "PA_MOV", "DEPOSITO", D);
    seen.Close();
    seen.Open();
    if (!seen.IsEmpty()) return;
  }

  // The balance moves by the signed quantity, also when the import opens it,
  // so that it always equals what its journal adds up to.
  const std::string signed_qtde = entrada ? qtde : "-" + qtde;
  if (!balance.IsEmpty()) {
    if (o_.Estoque) {
      TTIQuery& up = query(
          {"update " + DBLocal("PA_ITEN") + " set QUANTIDADE = QUANTIDADE + CAST(:QTDE AS NUMERIC(18,4))",
           item_where});
      bind_item(up);
      up.ParamByName("QTDE").AsString = signed_qtde;
      up.ExecSQL();
      ++o_.changed_;
    }
  } else {
    TTIQuery& ins =
        query({"insert into " + DBLocal("PA_ITEN") + " (CODIGO,COR,TAM,TIPO,DEPOSITO,LOTE,QUANTIDADE)",
               "values (:CODIGO, :COR, :TAM, :TIPO, :DEPOSITO, :LOTE, CAST(:QTDE AS NUMERIC(18,4)))"});
    bind_item(ins);
    ins.ParamByName("QTDE").AsString = o_.Estoque ? signed_qtde : std::string("0");
    ins.ExecSQL();
    ++o_.inserted_;
  }

  // The barcodes of the item (every deposit, lot and quality) follow the
  // file; a barcode column the file does not have is left as it is.
  std::string set;
  for (const char* barra : {"BARRA", "BARRA28", "BARRACLI"}) {
    if (has(barra)) set += std::string(set.empty() ? "" : ", ") + barra + " = :" + barra;
  }
  if (!set.empty()) {
    TTIQuery& up = query({"update " + DBLocal("PA_ITEN") + " set " + set,
                          "where CODIGO = :CODIGO and COR = :COR and TAM = :TAM"});
    bind(up, "CODIGO", "PA_ITEN", "CODIGO", v("CODIGO"));
    bind(up, "COR", "PA_ITEN", "COR", v("COR"));
    bind(up, "TAM", "PA_ITEN", "TAM", v("TAMANHO"));
    for (const char* barra : {"BARRA", "BARRA28", "BARRACLI"}) {
      if (has(barra)) bind(up, barra, "PA_ITEN", barra, v(barra));
    }
    // Rows of other lots or deposits may be held by another station's posting for a moment.
    retry_on_conflict([&] { up.ExecSQL(); });
  }

  if (!o_.Estoque) return;
  TTIQuery& mov =
      query({"insert into " + DBLocal("PA_MOV") +
                 " (CODIGO,COR,TAMANHO,DEPOSITO,TIPO,DT_MVTO,LOTE,NUM_DOCTO,QTDE,CUSTO,PRECO,TIP_BAI,"
                 "DESCRICAO,ORDEM,TP_MOV,OPERACAO)",
             "values (:CODIGO, :COR, :TAMANHO, :DEPOSITO, :TIPO, :DT_MVTO, :LOTE, :NUM_DOCTO, :QTDE, :CUSTO, "
             ":PRECO, :TIP_BAI, :DESCRICAO, :ORDEM, 'IT', :OPERACAO)"});
  bind(mov, "CODIGO", "PA_MOV", "CODIGO", v("CODIGO"));
  bind(mov, "COR", "PA_MOV", "COR", v("COR"));
  bind(mov, "TAMANHO", "PA_MOV", "TAMANHO", v("TAMANHO"));
  bind(mov, "DEPOSITO", "PA_MOV", "DEPOSITO", D);
  bind(mov, "TIPO", "PA_MOV", "TIPO", Q);
  mov.ParamByName("DT_MVTO").AsDate = Date();
  bind(mov, "LOTE", "PA_MOV", "LOTE", v("LOTE"));
  mov.ParamByName("NUM_DOCTO").AsString = doc_pa;
  bind(mov, "QTDE", "PA_MOV", "QTDE", qtde);
  bind(mov, "CUSTO", "PA_MOV", "CUSTO", v("CUSTO"));
  bind(mov, "PRECO", "PA_MOV", "PRECO", v("PRECO"));
  bind(mov, "TIP_BAI", "PA_MOV", "TIP_BAI", v("TIP_BAI"));
  bind(mov, "DESCRICAO", "PA_MOV", "DESCRICAO", v("NUM_DOCTO"));
  bind(mov, "ORDEM", "PA_MOV", "ORDEM", v("ORDEM"));
  mov.ParamByName("OPERACAO").AsString = std::string(entrada ? "E" : "S");
  mov.ExecSQL();
  ++o_.inserted_;
}

// A material movement of another installation, turned round like a product's.
// Its price becomes the balance's average price (a record without a price
// keeps the average there is).
void TSisImporta::Run::record_material() {
  const std::string D = o_.Deposito.empty() ? v("DEPOSITO") : o_.Deposito;
  const std::string& qtde = v("QTDE");
  const bool entrada = imported_entry();

  const auto bind_item = [&](TTIQuery& q) {
    bind(q, "CODIGO", "MAT_ITEN", "CODIGO", v("CODIGO"));
    bind(q, "COR", "MAT_ITEN", "COR", v("COR"));
    bind(q, "LOTE", "MAT_ITEN", "LOTE", v("LOTE"));
    bind(q, "DEPOSITO", "MAT_ITEN", "DEPOSITO", D);
  };
  const std::string item_where =
      "where CODIGO = :CODIGO and COR = :COR and DEPOSITO = :DEPOSITO and LOTE = :LOTE";
  TTIQuery& balance =
      query({"select CODIGO from " + DBLocal("MAT_ITEN"), item_where, o_.Estoque ? "with lock" : ""});
  bind_item(balance);
  open_balance(balance);
  if (o_.Estoque) {
    TTIQuery& seen =
        query({"select first 1 1 from " + DBLocal("MAT_MOV"),
               "where CODIGO = :CODIGO and COR = :COR and LOTE = :LOTE and DESCRICAO = :DESCRICAO",
               "and DEPOSITO = :DEPOSITO and TP_MOV = 'IT'"});
    bind(seen, "CODIGO", "MAT_MOV", "CODIGO", v("CODIGO"));
    bind(seen, "COR", "MAT_MOV", "COR", v("COR"));
    bind(seen, "LOTE", "MAT_MOV", "LOTE", v("LOTE"));
    bind(seen, "DESCRICAO", "MAT_MOV", "DESCRICAO", v("NUM_DOCTO"));
    bind(seen, "DEPOSITO", "MAT_MOV", "DEPOSITO", D);
    seen.Close();
    seen.Open();
    if (!seen.IsEmpty()) return;
  }

  const std::string signed_qtde = entrada ? qtde : "-" + qtde;
  if (!balance.IsEmpty()) {
    if (o_.Estoque) {
      TTIQuery& up =
          query({"update " + DBLocal("MAT_ITEN") + " set QTDE = QTDE + CAST(:QTDE AS NUMERIC(18,4)),",
                 "PRECO_MED = COALESCE(NULLIF(CAST(:PRECO AS NUMERIC(18,4)), 0), PRECO_MED)", item_where});
      bind_item(up);
      up.ParamByName("QTDE").AsString = signed_qtde;
      bind(up, "PRECO", "MAT_MOV", "PRECO", v("PRECO"));
      up.ExecSQL();
      ++o_.changed_;
    }
  } else {
    TTIQuery& ins =
        query({"insert into " + DBLocal("MAT_ITEN") + " (CODIGO,COR,DEPOSITO,LOTE,QTDE,PRECO_MED)",
               "values (:CODIGO, :COR, :DEPOSITO, :LOTE, CAST(:QTDE AS NUMERIC(18,4)), :PRECO)"});
    bind_item(ins);
    ins.ParamByName("QTDE").AsString = o_.Estoque ? signed_qtde : std::string("0");
    bind(ins, "PRECO", "MAT_ITEN", "PRECO_MED", v("PRECO"));
    ins.ExecSQL();
    ++o_.inserted_;
  }

  if (!o_.Estoque) return;
  TTIQuery& mov = query(
      {"insert into " + DBLocal("MAT_MOV") +
           " (CODIGO,COR,DEPOSITO,TIPO,DT_MOVTO,LOTE,NUM_DOCTO,QTDE,CUSTO,PRECO,TIP_BAI,DESCRICAO,TP_MOV,"
           "OPERACAO)",
       "values (:CODIGO, :COR, :DEPOSITO, :TIPO, :DT_MOVTO, :LOTE, :NUM_DOCTO, :QTDE, :CUSTO, :PRECO, "
       ":TIP_BAI, :DESCRICAO, 'IT', :OPERACAO)"});
  bind(mov, "CODIGO", "MAT_MOV", "CODIGO", v("CODIGO"));
  bind(mov, "COR", "MAT_MOV", "COR", v("COR"));
  bind(mov, "DEPOSITO", "MAT_MOV", "DEPOSITO", D);
  bind(mov, "TIPO", "MAT_MOV", "TIPO", v("TIPO"));
  mov.ParamByName("DT_MOVTO").AsDate = Date();
  bind(mov, "LOTE", "MAT_MOV", "LOTE", v("LOTE"));
  mov.ParamByName("NUM_DOCTO").AsString = doc_mat;
  bind(mov, "QTDE", "MAT_MOV", "QTDE", qtde);
  bind(mov, "CUSTO", "MAT_MOV", "CUSTO", v("CUSTO"));
  bind(mov, "PRECO", "MAT_MOV", "PRECO", v("PRECO"));
  bind(mov, "TIP_BAI", "MAT_MOV", "TIP_BAI", v("TIP_BAI"));
  bind(mov, "DESCRICAO", "MAT_MOV", "DESCRICAO", v("NUM_DOCTO"));
  mov.ParamByName("OPERACAO").AsString = std::string(entrada ? "E" : "S");
  mov.ExecSQL();
  ++o_.inserted_;
}

// ---------------------------------------------------------------------------

TSisImporta::TSisImporta()
    : dataset_(std::make_unique<TClientDataSet>()), cache_(std::make_unique<TableCache>()) {}

TSisImporta::~TSisImporta() = default;

const TSisImporta::ColumnType* TSisImporta::column_type(std::string_view tabela, std::string_view campo) {
  const std::string table = UpperCase(tabela);
  auto it = cache_->tables.find(table);
  if (it == cache_->tables.end()) {
    if (!detail::plain_identifier(table))
      throw EZpkError(fmt::format("Nome de tabela inválido: '{}'", detail::shown_value(table)));
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT * FROM " + DBLocal(table) + " WHERE 1=0");
    q.Open();
    std::map<std::string, ColumnType> columns;
    for (int i = 0; i < q.FieldCount(); ++i) {
      TTIField& f = q.Fields(i);
      columns[UpperCase(f.FieldName())] =
          ColumnType{f.IsBlob() && f.DataType() != ftMemo ? ftMemo : f.DataType(), f.Size()};
    }
    // A movement file carries the item's barcodes, which the journal has no column for.
    if (table == "PA_MOV") {
      for (const char* barra : {"BARRA", "BARRA28", "BARRACLI"})
        columns.try_emplace(barra, ColumnType{ftString, 0});
    }
    it = cache_->tables.emplace(table, std::move(columns)).first;
  }
  const auto col = it->second.find(UpperCase(campo));
  return col == it->second.end() ? nullptr : &col->second;
}

std::string TSisImporta::ValorPadrao(std::string_view Tabela, std::string_view Campo) {
  const ColumnType* type = column_type(Tabela, Campo);
  if (type == nullptr) return "''";
  switch (type->type) {
    case ftString:
    case ftMemo:
      return "''";
    case ftInteger:
    case ftFloat:
    case ftCurrency:
      return "0";
    case ftDate:
    case ftDateTime:
    case ftTime:
      return Modo == imSQL ? "null" : "0";
    default:
      return "''";
  }
}

void TSisImporta::CriaCampos(std::string_view Linha, TPosicoes& Posicoes) {
  Posicoes = detail::header_columns(Linha);
  if (Modo != imDataSet) return;
  for (size_t c = 0; c < Posicoes.size(); ++c) {
    dataset_->FieldDefs.Add(Posicoes[c].campo, ftString, c + 1 == Posicoes.size() ? 0 : Posicoes[c].fim);
  }
  if (dataset_->FieldDefs.Count() > 0) dataset_->CreateDataSet();
}

std::string TSisImporta::ValorCampo(const TPosicoes& Posicoes, std::string_view Tabela,
                                    std::string_view Campos, std::string_view Linha, bool Blob) {
  const std::u32string line = ToCodePoints(Linha);
  std::string out;
  for (const std::string& name : SplitText(Campos, ",")) {
    const std::string campo = Trim(name);
    for (const TPosicao& p : Posicoes) {
      if (!SameText(p.campo, campo)) continue;
      const std::string value = detail::column_slice(std::u32string_view(line), p, &p == &Posicoes.back());
      std::string piece;
      if (value.empty()) {
        piece = ValorPadrao(Tabela, campo);
      } else if (value.find(detail::kBlobMark) == std::string::npos) {
        piece = QuotedStr(value);
      } else {
        piece = Blob ? value : ":" + UpperCase(campo);
      }
      out += (out.empty() ? "" : ",") + piece;
    }
  }
  return out;
}

Variant TSisImporta::Valor(std::string_view Campo, TFieldType Tipo) const {
  TField& f = dataset_->FieldByName(Campo);
  const std::string text = f.AsString;
  switch (Tipo) {
    case ftFloat:
    case ftCurrency: {
      if (text.empty()) return Variant::MakeNull();
      TFormatSettings fs = FormatSettings;
      fs.DecimalSeparator = text.find('.') != std::string::npos ? '.' : ',';
      fs.ThousandSeparator = fs.DecimalSeparator == '.' ? ',' : '.';
      return StrToFloat(text, fs);
    }
    case ftDate:
    case ftDateTime: {
      if (text.empty()) return Variant::MakeNull();
      TFormatSettings fs = FormatSettings;
      fs.ShortDateFormat = "MM/DD/YYYY";
      fs.DateSeparator = '/';
      return Tipo == ftDate ? Variant(StrToDate(text, fs)) : Variant(StrToDateTime(text, fs));
    }
    default:
      return f.Value;
  }
}

void TSisImporta::Importar() {
  const fs::path arquivo(Arquivo);
  std::error_code ec;
  if (Arquivo.empty() || !fs::is_regular_file(arquivo, ec)) {
    MessageBox("Arquivo não Existe", "Importação", MB_OK | MB_ICONERROR);
    return;
  }
  fs::path companion = arquivo;
  companion.replace_extension(".Blob");
  std::optional<std::string> blobs = read_whole(companion);
  const std::optional<std::string> text = read_whole(arquivo);
  if (!text) throw EZpkError("Não foi possível ler " + Arquivo);

  cache_->tables.clear();
  inserted_ = changed_ = skipped_ = 0;
  errors_.clear();

  ImportFileReader reader(*text, std::move(blobs));
  Run run(*this, reader);
  if (Estoque) {
    run.doc_pa = Proximo("PA_MOV", "NUM_DOCTO", 6);
    run.doc_mat = Proximo("MAT_MOV", "NUM_DOCTO", 6);
  }
  TTITransaction& tx = Tabela.IBDatabase.DefaultTransaction();
  ImportItem item;
  while (reader.next(item)) {
    // A line that fails counts nothing: its rows are taken back.
    const int inserted_before = inserted_, changed_before = changed_;
    try {
      if (item.kind == ImportItem::Kind::error) throw EZpkError(item.message);
      for (int attempt = 1;; ++attempt) {
        try {
          // What a line writes stands or falls together: a failing statement
          // takes back the balance or journal row written before it.
          Savepoint line(tx);
          if (item.kind == ImportItem::Kind::section) {
            run.section(reader.section());
          } else {
            run.record();
          }
          line.release();
          break;
        } catch (const EDatabaseError& e) {
          // Another station created the movement's balance row at the same
          // moment: run the line once more, now finding the row.
          if (e.kind() != DatabaseErrorKind::unique_violation || attempt > 1 || !run.stock_record(item))
            throw;
          inserted_ = inserted_before;
          changed_ = changed_before;
        }
      }
    } catch (const std::exception& e) {
      if (stop_requested()) throw;
      inserted_ = inserted_before;
      changed_ = changed_before;
      if (item.kind == ImportItem::Kind::section) reader.drop_section();
      errors_.push_back({item.line, e.what()});
      MessageBox(std::string(e.what()) + "\r\rErro na linha: " + std::to_string(item.line), "Erro.",
                 MB_OK | MB_ICONERROR);
    }
    tx.CommitRetaining();
  }
  skipped_ = reader.skipped();
  MessageBox(fmt::format("Importação Concluída.\r{} registros importados.\n{} registros alterados.",
                         inserted_, changed_),
             "Importação", MB_OK | MB_ICONINFORMATION);
  cache_->tables.clear();
}

}  // namespace zpk
