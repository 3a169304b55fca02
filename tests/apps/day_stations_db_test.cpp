// The working day on four stations at once through the test server: every
// station's day completes, no invoice number goes to two stations, each
// station's NF-e is authorised by the one local authoriser of the day, and
// each station's invoice, stock and postings hold the day's checks, read
// back from the database.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dia_trabalho.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/multi_station.hpp"
#include "support/shell.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

class DayStations : public test::ServerTest {};

TEST_F(DayStations, FourStationsRunTheirDaysWithoutSharingAnInvoiceNumber) {
  test::TempFolder out{"day-stations"};
  const std::string saida =
      test::shell_output(test::zpk_binary().string() + " day --stations 4 --db '" + database().location() +
                         "' --out '" + out.path().string() + "' 2>&1; echo exit=$?");
  ASSERT_NE(saida.find("exit=0"), std::string::npos) << saida;

  Tabela.connect_company(database().location(), "001", database().credentials());
  const std::vector<std::string> faturas = test::rows(
      "SELECT DISTINCT FATURA FROM NOTAITEN_001 WHERE PEDIDO IN ('DY0101', 'DY0201', 'DY0301', 'DY0401') "
      "ORDER BY FATURA");
  EXPECT_EQ(faturas.size(), 4u) << saida;
  EXPECT_EQ(test::rows("SELECT NUMERO FROM NOTA_NUMERO_001 GROUP BY NUMERO, SERIE HAVING COUNT(*) > 1"),
            std::vector<std::string>{});
  // One authoriser served every station: each invoice has its own protocol.
  EXPECT_EQ(
      test::rows("SELECT DISTINCT PROTOCOLO_NFE FROM NOTA_001 WHERE STATUS_NFE = 100 AND FATURA IN "
                 "(SELECT FATURA FROM NOTAITEN_001 WHERE PEDIDO IN ('DY0101', 'DY0201', 'DY0301', 'DY0401'))")
          .size(),
      4u)
      << saida;
  for (int i = 0; i < 4; ++i) {
    cli::OpcoesDia o;
    o.pedido = "DY0" + std::to_string(i + 1) + "01";
    const std::vector<std::string> fatura =
        test::rows("SELECT DISTINCT FATURA FROM NOTAITEN_001 WHERE PEDIDO = ?", {o.pedido});
    ASSERT_EQ(fatura.size(), 1u) << o.pedido;
    const cli::ConferenciaDia c = cli::confere_dia_trabalho(o, fatura.front());
    EXPECT_TRUE(c.ok()) << o.pedido << ": " << (c.falhas.empty() ? "" : c.falhas.front());
    EXPECT_EQ(c.saldos, 2) << o.pedido;
  }
  Tabela.disconnect();
}

}  // namespace
}  // namespace zpk
