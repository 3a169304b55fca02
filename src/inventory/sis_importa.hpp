// TSisImporta: imports a fixed-column text file (with an optional ".Blob"
// companion) into the company's tables, into an in-memory dataset, or, for
// the stock journals PA_MOV and MAT_MOV, as stock movements posted once each.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/field_type.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk {

class TClientDataSet;

// Write into the database, or only fill DataSet.
enum class TImpModo { imSQL, imDataSet };
using enum TImpModo;

// One column of a section: 1-based position of its first character, its
// width in characters (not an end position) and its name as the header has it.
struct TPosicao {
  int ini = 0;
  int fim = 0;
  std::string campo;
  bool operator==(const TPosicao&) const = default;
};
using TPosicoes = std::vector<TPosicao>;

// A line of the file that was reported and skipped.
struct ImportLineError {
  int linha = 0;  // 1-based line of the file
  std::string mensagem;
};

class TSisImporta {
 public:
  // An empty dataset; statements run on Tabela.IBDatabase.
  TSisImporta();
  ~TSisImporta();
  TSisImporta(const TSisImporta&) = delete;
  TSisImporta& operator=(const TSisImporta&) = delete;

  std::string Arquivo;    // path of the text file
  TImpModo Modo = imSQL;  // imSQL: write the tables; imDataSet: fill DataSet only
  bool Estoque = false;   // post stock (journal rows, balance quantities) for PA_MOV/MAT_MOV
  std::string Qualidade;  // when not empty, the quality (TIPO) of every product movement
  std::string Deposito;   // when not empty, the deposit of every movement
  TClientDataSet& DataSet() const { return *dataset_; }

  // Runs the import. A missing file is shown in an error box and nothing
  // happens. Every line is written whole or not at all and committed on its
  // own; a line that fails (a database error, a value too long for its
  // column, a broken blob reference, text that is not UTF-8) is shown in an
  // error box with its line number, recorded in errors() and skipped, and
  // the import goes on. Values are bound as parameters, so what a file holds
  // is stored as typed and never becomes part of a statement; tables and
  // columns must be plain names that the database has. Ends with an
  // information box counting the rows inserted and changed.
  void Importar();

  // The columns of a header line (see the file format in the source). In
  // imDataSet mode also adds a text field per column to DataSet and creates
  // it. Raises EDataSetError when DataSet is already open.
  void CriaCampos(std::string_view Linha, TPosicoes& Posicoes);
  // The SQL literals of the ","-list of columns Campos in record Linha,
  // joined by ",": a value between quotes (inner quotes doubled), an empty
  // one as ValorPadrao; a blob reference "\Blob:n" as itself with Blob, else
  // as the parameter ":" + the column in upper case. Raises EDatabaseError
  // when Tabela's columns cannot be read.
  std::string ValorCampo(const TPosicoes& Posicoes, std::string_view Tabela, std::string_view Campos,
                         std::string_view Linha, bool Blob);
  // The literal for an empty value of the column: "''" for texts, "0" for
  // numbers, "null" for dates and times ("0" in imDataSet mode); "''" for a
  // column the table does not have.
  std::string ValorPadrao(std::string_view Tabela, std::string_view Campo);
  // The value of DataSet's field Campo read as Tipo: numbers with "." or ","
  // as decimal separator (whichever the text holds), dates as "MM/DD/YYYY";
  // other types as stored.
  Variant Valor(std::string_view Campo, TFieldType Tipo) const;

  // What the last Importar did: rows inserted, rows changed, records skipped
  // because their section could not be used, and every line reported.
  int inserted() const { return inserted_; }
  int changed() const { return changed_; }
  int skipped() const { return skipped_; }
  const std::vector<ImportLineError>& errors() const { return errors_; }

  struct ColumnType;  // a column's type and width, as the table cache holds it

 private:
  class Run;
  const ColumnType* column_type(std::string_view Tabela, std::string_view Campo);

  std::unique_ptr<TClientDataSet> dataset_;
  struct TableCache;
  std::unique_ptr<TableCache> cache_;
  int inserted_ = 0;
  int changed_ = 0;
  int skipped_ = 0;
  std::vector<ImportLineError> errors_;
};

}  // namespace zpk
