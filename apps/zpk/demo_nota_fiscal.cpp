// `zpk demo` step for invoice numbers: the next number of a series skips the
// numbers already used by invoices, an order keeps the number it was given,
// the number box refuses a number another order carries and logs a change
// of the sequence, a cancelled box gives its reservation back; then the next
// NF-e lot and the layout version.
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "billing/nota_fiscal.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

std::string reserved_numbers(const std::string& serie) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT NUMERO FROM " + DBLocal("NOTA_NUMERO") + " WHERE SERIE = :SERIE ORDER BY NUMERO");
  q.ParamByName("SERIE").AsString = serie;
  q.Open();
  std::vector<std::string> numbers;
  for (; !q.Eof(); q.Next()) numbers.push_back(q.FieldByName("NUMERO").AsString());
  return fmt::format("{}", fmt::join(numbers, ", "));
}

void set_fat330(const std::string& valor) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("UPDATE EMP_PARAM SET VALOR = :VALOR WHERE TIPO = 'FAT' AND CODIGO = 330 AND EMPRESA = :EMPRESA");
  q.ParamByName("VALOR").AsString = valor;
  q.ParamByName("EMPRESA").AsString = Copy(Tabela.SufixoEmpresa, 2, 3);
  q.ExecSQL();
  Tabela.IBTransaction.CommitRetaining();
}

void show_dialogs(std::ostream& out, HeadlessDialogs& dialogs) {
  for (const DialogRecord& r : dialogs.records()) {
    if (r.kind == DialogKind::input_number) {
      out << fmt::format("  box \"{}\" / \"{}\" showing {} -> {}\n", r.caption, r.text, r.value,
                         r.cancelled ? "closed" : r.answer);
    } else {
      out << fmt::format("  message \"{}\": {}\n", r.caption, r.text);
    }
  }
  dialogs.clear();
}

const RegisterDemo invoice_numbers{
    {440, "Invoice numbers and NF-e lots", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       out << "Series 1 has reservations " << reserved_numbers("1")
           << "; invoices 000121 and 000122 were written by hand.\n";
       const std::string next = ReservaNotaFiscal("1");
       out << fmt::format("ReservaNotaFiscal(1) = {} (the used numbers are skipped one by one)\n", next);

       Tabela.NotaComSerie = "S";
       const std::string with_series = ReservaNotaFiscal("1");
       out << fmt::format("With NotaComSerie S: ReservaNotaFiscal(1) = {} (the series follows the digits)\n",
                          with_series);
       DeletaNumeroNotaFiscal(with_series);
       out << fmt::format("DeletaNumeroNotaFiscal({}) gives it back; reserved now: {}\n", with_series,
                          reserved_numbers("1"));
       Tabela.NotaComSerie = "N";

       vPedidoFat = "NF0440";
       out << fmt::format("Order NF0440 was given 000090: ProximaNotaFiscal(1, True) = {}\n",
                          ProximaNotaFiscal("1", true));

       HeadlessDialogs dialogs;
       ScopedDialogService guard(dialogs);
       set_fat330("S");  // the user sees the number and may type another
       vPedidoFat = "NF0442";
       dialogs.reply(":cancel");
       const std::string cancelled = ProximaNotaFiscal("1");
       out << fmt::format("The box closed: ProximaNotaFiscal(1) = '{}'; reserved: {}\n", cancelled,
                          reserved_numbers("1"));
       show_dialogs(out, dialogs);

       dialogs.reply_all({"130", ":default", "131"});
       const std::string typed = ProximaNotaFiscal("1");
       out << fmt::format("Typed 130, which order NF0441 carries, then 131: ProximaNotaFiscal(1) = {}\n",
                          typed);
       show_dialogs(out, dialogs);
       set_fat330("N");
       vPedidoFat.clear();
       out << "Reserved now: " << reserved_numbers("1") << '\n';
       TTIQuery log(Tabela.IBDatabase);
       // Both changes of the sequence can fall in the same second: every row,
       // in a fixed order, so that the demo prints the same each time.
       log.SQL.Add("SELECT DESCRICAO FROM LOG WHERE TELA = :TELA ORDER BY HORA, DESCRICAO");
       log.ParamByName("TELA").AsString = "DIGITAÇÃO DA NOTA";
       log.Open();
       for (; !log.Eof(); log.Next()) out << "Audit row: " << log.FieldByName("DESCRICAO").AsString() << '\n';

       out << fmt::format("ProximoLoteNFe = {} (after lot 17); VersaoNFe = {}\n", ProximoLoteNFe(),
                          VersaoNFe());
     }}};

}  // namespace
}  // namespace zpk::cli
