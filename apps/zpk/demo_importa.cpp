// `zpk demo` step for the file import: a movement file from another
// installation (two garments and a yarn) is imported with stock posting, then
// imported again: the second run finds every movement by its source document
// and posts nothing.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "inventory/sis_importa.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

const char* const kFile =
    ";PA_MOV-CODIGO,COR,TAMANHO\n"
    "CODIGO   COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO ORDEM OPERACAO QTDE   CUSTO PRECO BARRA\n"
    "IM-CAM01 01  M       L1   1    0001     004711    1     S        12     18.40 39.90 7890000471101\n"
    "IM-CAM02 02  G       L1   1    0001     004711    2     S        5      21.00 44.90 7890000471118\n"
    ";MAT_MOV-CODIGO,COR\n"
    "CODIGO   COR LOTE DEPOSITO TIPO NUM_DOCTO OPERACAO QTDE   CUSTO PRECO\n"
    "IM-FIO01 CRU L7   0001     MP   004712    S        80.5   3.10  3.25\n";

// A private folder for the demo's file, removed at the end.
class DemoFolder {
 public:
  DemoFolder() {
    std::string pattern = (fs::temp_directory_path() / "zpk-demo-import-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw EZpkError("cannot create " + pattern);
    path_ = pattern;
  }
  ~DemoFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  DemoFolder(const DemoFolder&) = delete;
  DemoFolder& operator=(const DemoFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void show_stock(std::ostream& out) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CODIGO, COR, TAM, QUANTIDADE, BARRA FROM " + DBLocal("PA_ITEN") +
            " WHERE CODIGO STARTING WITH 'IM-' ORDER BY CODIGO");
  for (q.Open(); !q.Eof(); q.Next()) {
    out << fmt::format("  PA_ITEN  {} {}/{}: {} (barcode {})\n", q.FieldByName("CODIGO").AsString(),
                       q.FieldByName("COR").AsString(), q.FieldByName("TAM").AsString(),
                       q.FieldByName("QUANTIDADE").AsString(), q.FieldByName("BARRA").AsString());
  }
  TTIQuery m(Tabela.IBDatabase);
  m.SQL.Add("SELECT CODIGO, COR, QTDE, PRECO_MED FROM " + DBLocal("MAT_ITEN") +
            " WHERE CODIGO STARTING WITH 'IM-' ORDER BY CODIGO");
  for (m.Open(); !m.Eof(); m.Next()) {
    out << fmt::format("  MAT_ITEN {} {}: {} at {}\n", m.FieldByName("CODIGO").AsString(),
                       m.FieldByName("COR").AsString(), m.FieldByName("QTDE").AsString(),
                       m.FieldByName("PRECO_MED").AsString());
  }
  TTIQuery j(Tabela.IBDatabase);
  j.SQL.Add("SELECT (SELECT COUNT(*) FROM " + DBLocal("PA_MOV") +
            " WHERE TP_MOV = 'IT' AND CODIGO STARTING WITH 'IM-') + (SELECT COUNT(*) FROM " +
            DBLocal("MAT_MOV") +
            " WHERE TP_MOV = 'IT' AND CODIGO STARTING WITH 'IM-') AS N FROM RDB$DATABASE");
  j.Open();
  out << fmt::format("  journal rows of imported movements: {}\n", j.FieldByName("N").AsInteger());
}

const RegisterDemo import_demo{
    {360, "Import of stock movements from a file", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       DemoFolder folder;
       const fs::path file = folder.path() / "movimentos.txt";
       std::ofstream(file, std::ios::binary) << kFile;
       out << "The other installation's file: its exits (S) are entries here\n" << kFile;
       for (int run = 1; run <= 2; ++run) {
         TSisImporta imp;
         imp.Arquivo = file.string();
         imp.Estoque = true;
         imp.Importar();
         out << fmt::format(
             "Run {} (Importar, Estoque=True): {} rows inserted, {} changed, {} lines skipped\n", run,
             imp.inserted(), imp.changed(), imp.errors().size());
         show_stock(out);
       }
       out << "The second run found each movement by its source document (DESCRICAO, TP_MOV 'IT'): "
              "nothing was posted twice.\n";
     }}};

}  // namespace
}  // namespace zpk::cli
