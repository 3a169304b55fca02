// `zpk demo` step for barcodes and lots: a new T-shirt gets its EAN-13s (after
// the company's 7-digit prefix is refused) and its internal codes, a yarn its
// material EAN-13; the next roll of a fabric and the next weaving order are
// numbered; production lots are checked for expiry and quality verdict; and
// an item substitution is recorded.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "inventory/codigo_barras.hpp"
#include "inventory/lotes.hpp"
#include "inventory/substituicao.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const char* yes_no(bool value) {
  return value ? "True" : "False";
}

// The dialogs shown since the last call, one line each, then forgotten.
void show_dialogs(std::ostream& out, HeadlessDialogs& dialogs) {
  for (const DialogRecord& r : dialogs.records()) {
    std::string text = r.text;
    for (char& c : text) {
      if (c == '\r') c = '|';
    }
    out << fmt::format("  box \"{}\": {} -> {}\n", r.caption, text, r.answer);
  }
  dialogs.clear();
}

// Every row of the product item with its barcodes.
void show_item(std::ostream& out, const std::string& codigo, const std::string& cor, const std::string& tam) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT DEPOSITO, BARRA, BARRA28 FROM " + DBLocal("PA_ITEN"));
  q.SQL.Add("WHERE CODIGO = :CODIGO AND COR = :COR AND TAM = :TAM ORDER BY DEPOSITO");
  q.ParamByName("CODIGO").AsString = codigo;
  q.ParamByName("COR").AsString = cor;
  q.ParamByName("TAM").AsString = tam;
  q.Open();
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("  PA_ITEN {} {}/{} deposit {}: BARRA {}  BARRA28 {}\n", codigo, cor, tam,
                       q.FieldByName("DEPOSITO").AsString(), q.FieldByName("BARRA").AsString(),
                       q.FieldByName("BARRA28").AsString());
  }
}

const RegisterDemo barcodes_lots{
    {370, "Barcodes, roll and weaving-order numbers, lot checks",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       HeadlessDialogs dialogs;
       ScopedDialogService guard(dialogs);

       out << fmt::format(
           "The company's EAN prefix is '{}' (7 digits): ExisteBarra(BARRA, CB-CAM-01 01/M) = {}\n",
           Tabela.PrefixoEAN, yes_no(ExisteBarra("BARRA", "CB-CAM-01", "01", "M", "P")));
       out << fmt::format("Gera_EAN13(CB-CAM-01, 01, M, P) = '{}' (prefix + 0001 has 11 digits)\n",
                          Gera_EAN13("CB-CAM-01", "01", "M", "P"));
       show_dialogs(out, dialogs);

       // The host may set the prefix itself; the demo company's is put back at the end.
       const std::string company_prefix = Tabela.PrefixoEAN;
       Tabela.PrefixoEAN = "78912345";
       out << fmt::format("With the 8-digit prefix {}:\n", Tabela.PrefixoEAN);
       for (const char* tam : {"M", "P"}) {
         const std::string code = Gera_EAN13("CB-CAM-01", "01", tam, "P");
         out << fmt::format("  Gera_EAN13(CB-CAM-01, 01, {}, P) = {}; Gera_EAN28 = {}\n", tam, code,
                            Gera_EAN28("CB-CAM-01", "01", tam));
       }
       show_item(out, "CB-CAM-01", "01", "M");
       out << fmt::format("ExisteBarra(BARRA, CB-CAM-01 01/M) = {}\n",
                          yes_no(ExisteBarra("BARRA", "CB-CAM-01", "01", "M", "P")));
       out << fmt::format("VerificaLimiteBarraEAN13(7891234500020) = {}\n",
                          yes_no(VerificaLimiteBarraEAN13("7891234500020")));
       show_dialogs(out, dialogs);
       out << fmt::format("VerificaLimiteBarraEAN13(7891234599990) = {}\n",
                          yes_no(VerificaLimiteBarraEAN13("7891234599990")));
       out << fmt::format("Gera_EAN13(CB-FIO-01, CRU, '', M) = {} (materials number on without a prefix)\n",
                          Gera_EAN13("CB-FIO-01", "CRU", "", "M"));
       Tabela.PrefixoEAN = company_prefix;

       out << "Rolls of CB-TEC-01 run up to CBR000041:\n";
       for (int i = 0; i < 2; ++i) {
         out << fmt::format("  ProximoRolo(CBR, P) = {} (reserved at once: the next call gets the next)\n",
                            ProximoRolo("CBR", "P"));
       }
       out << fmt::format("Weaving orders run up to TC2026007: ProximaOrdemTecelB(TC2026) = {}\n",
                          ProximaOrdemTecelB("TC2026"));

       out << fmt::format("BuscarDtValidadeLote(CB-TEC-01, CBL002) = {} (valid until 2099)\n",
                          yes_no(BuscarDtValidadeLote("CB-TEC-01", "CBL002")));
       dialogs.reply_all({"cancel", "ok"});
       out << fmt::format("BuscarDtValidadeLote(CB-TEC-01, CBL001) = {} (expired; Cancel, then OK)\n",
                          yes_no(BuscarDtValidadeLote("CB-TEC-01", "CBL001")));
       show_dialogs(out, dialogs);
       for (const char* lote : {"CBL001", "CBL002", "CBL003", "CBL004"}) {
         if (std::string(lote) == "CBL002") dialogs.reply("yes");
         out << fmt::format("VerificaStatusLaudo(CB-TEC-01, {}, TfmTecelagem) = {}\n", lote,
                            yes_no(VerificaStatusLaudo("CB-TEC-01", lote, "TfmTecelagem")));
         show_dialogs(out, dialogs);
       }

       GravaSubstituicao("CB-FIO-01", "CRU", "PRETO", "FIO-001", "M", "SA", "OP-0370", 25);
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Add("SELECT CODIGO_ORIG, CODIGO_DEST, COR, COR_DEST, QTDE FROM " + DBLocal("OUT_MOV") +
                 " WHERE NUM_DOCTO = 'OP-0370'");
       q.Open();
       out << fmt::format("GravaSubstituicao: order OP-0370 uses {} {} instead of {} {} ({} kg)\n",
                          q.FieldByName("CODIGO_DEST").AsString(), q.FieldByName("COR_DEST").AsString(),
                          q.FieldByName("CODIGO_ORIG").AsString(), q.FieldByName("COR").AsString(),
                          q.FieldByName("QTDE").AsString());
     }}};

}  // namespace
}  // namespace zpk::cli
