// The invoice writer on a real database: the header and lines it is given
// read back as given (texts with quotes included, a blank colour as NULL),
// and an invoice whose header or any line fails leaves nothing of itself and
// nothing else undone.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/invoice_writer.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using Rows = std::vector<std::string>;

const std::string kHostile = "Pedido 'A1' -- urgente; '); DELETE FROM NOTA_001; --";

InvoiceHeader header(const std::string& fatura) {
  InvoiceHeader h;
  h.fatura = fatura;
  h.serie = "1";
  h.codcli = "000950";
  h.codrep = "R601";
  h.natureza = "6101";
  h.transport = "T001";
  h.dt_emissao = EncodeDate(2026, 7, 1);
  h.dt_saida = EncodeDate(2026, 7, 2);
  h.tipfat = "1";
  h.valor = 3920.5;
  h.desconto = 1.25;
  h.base_calc = 1000;
  h.aliquota = 12;
  h.val_icms = 120;
  h.base_subst = 1500;
  h.val_subst = 400;
  h.val_fcp = 16;
  h.val_icms_remet = 0.5;
  h.val_icms_dest = 64;
  h.base_ipi = 10;
  h.val_ipi = 1;
  h.val_pis = 16.5;
  h.val_cofins = 76;
  h.val_frete = 9;
  h.val_seguro = 2;
  h.val_import = 3;
  h.despesas = 4;
  h.val_produtos = 3500;
  h.val_desonera = 5;
  h.volumes = 2;
  h.especie = "CAIXA";
  h.cif = "1";
  h.pecas = 110;
  h.mensagem = kHostile;
  return h;
}

// A line whose amounts all differ, so that a column bound to the wrong
// parameter shows.
InvoiceLine line(int ordem, const std::string& codigo) {
  InvoiceLine l;
  l.codigo = codigo;
  l.descricao = "MALHA 'PENTEADA' -- " + codigo;
  l.valor = 800;
  l.preco = 80;
  l.ord_ped = ordem + 10;
  l.ordem = ordem;
  l.qtde = 10;
  l.qtde_trib = 20;
  l.natureza = "6101";
  l.cla_fis = "9002";
  l.cla_trib = "10";
  l.pedido = "DY0001";
  l.data_mvto = EncodeDate(2026, 7, 1);
  l.unidade = "PC";
  l.lote = "L1";
  l.base_icms = 801;
  l.perc_icms = 12;
  l.perc_red = 1.5;
  l.perc_st = 40;
  l.base_st = 802;
  l.valor_st = 3;
  l.valor_st_fcp = 4;
  l.perc_dif = 6;
  l.valor_dif = 5;
  l.val_fcp = 7;
  l.val_icms_remet = 8;
  l.val_icms_dest = 9;
  l.trib_ipi = "53";
  l.base_ipi = 803;
  l.perc_ipi = 2;
  l.trib_pis = "01";
  l.base_pis = 804;
  l.perc_pis = 1.65;
  l.trib_cofins = "02";
  l.base_cofins = 805;
  l.perc_cofins = 7.6;
  l.volumes = 3;
  return l;
}

class InvoiceWriter : public test::DatabaseTest {
 protected:
  static Rows stored_header(const std::string& fatura) {
    return test::rows(
        "SELECT FATURA, SERIE, CODCLI, CODREP, NATUREZA, TRANSPORT, DT_EMISSAO, DT_SAIDA, TIPFAT, VALOR, "
        "DESCONTO, BASE_CALC, ALIQUOTA, VAL_ICMS, BASE_SUBST, VAL_SUBST, VAL_FCP, VAL_ICMS_REMET, "
        "VAL_ICMS_DEST, BASE_IPI, VAL_IPI, VAL_PIS, VAL_COFINS, VAL_FRETE, VAL_SEGURO, VAL_IMPORT, DESPESAS, "
        "VAL_PRODUTOS, VAL_DESONERA, VOLUMES, ESPECIE, CIF, PECAS, MENSAGEM, CHAVE_NFE FROM " +
            DBLocal("NOTA") + " WHERE FATURA = ?",
        {fatura});
  }
  static Rows stored_lines(const std::string& fatura) {
    return test::rows(
        "SELECT CODIGO, COR, TAMANHO, DESCRICAO, VALOR, PRECO, EMPENHO, ORD_PED, ORDEM, TIPO, QTDE, "
        "QTDE_TRIB, "
        "NATUREZA, CLA_FIS, CLA_TRIB, PEDIDO, TIPO_IT, DATA_MVTO, UNIDADE, ORIGEM, LOTE, BASE_ICMS, "
        "PERC_ICMS, "
        "PERC_RED, PERC_ST, BASE_ST, VALOR_ST, VALOR_ST_FCP, PERC_DIF, VALOR_DIF, VAL_FCP, VAL_ICMS_REMET, "
        "VAL_ICMS_DEST, TRIB_IPI, BASE_IPI, PERC_IPI, TRIB_PIS, BASE_PIS, PERC_PIS, TRIB_COFINS, "
        "BASE_COFINS, "
        "PERC_COFINS, VOLUMES, COR IS NULL FROM " +
            DBLocal("NOTAITEN") + " WHERE FATURA = ? ORDER BY ORDEM",
        {fatura});
  }
};

TEST_F(InvoiceWriter, WritesTheHeaderAndLinesItIsGiven) {
  InvoiceLine colour = line(2, "CAM-900");
  colour.cor = "01";
  colour.tamanho = "M";
  write_invoice(header("T10001"), {line(1, "MAL-900"), colour});
  EXPECT_EQ(
      stored_header("T10001"),
      Rows{"T10001|1|000950|R601|6101|T001|01/07/2026|02/07/2026|1|3920,5|1,25|1000|12|120|1500|400|16|0,5|"
           "64|10|1|16,5|76|9|2|3|4|3500|5|2|CAIXA|1|110|" +
           kHostile + "|"});
  EXPECT_EQ(
      stored_lines("T10001"),
      (Rows{"MAL-900|||MALHA 'PENTEADA' -- MAL-900|800|80|N|11|1|N|10|20|6101|9002|10|DY0001|P|01/07/2026|"
            "PC|0|L1|801|12|1,5|40|802|3|4|6|5|7|8|9|53|803|2|01|804|1,65|02|805|7,6|3|True",
            "CAM-900|01|M|MALHA 'PENTEADA' -- CAM-900|800|80|N|12|2|N|10|20|6101|9002|10|DY0001|P|01/07/2026|"
            "PC|0|L1|801|12|1,5|40|802|3|4|6|5|7|8|9|53|803|2|01|804|1,65|02|805|7,6|3|False"}));
}

// Whatever fails, the invoice leaves no row; the caller's own work in the
// same transaction, done before, stays.
TEST_F(InvoiceWriter, AFailingHeaderOrLineLeavesNothingOfTheInvoice) {
  test::exec("INSERT INTO " + DBLocal("NOTA") + " (FATURA, SERIE, CODCLI) VALUES ('T20000', '1', '000950')");
  const struct {
    const char* caso;
    std::string fatura;
    std::vector<InvoiceLine> linhas;
  } kCases[] = {
      {"the last line's code too long for its column",
       "T20001",
       {line(1, "MAL-900"), line(2, "CAM-900"), line(3, std::string(21, 'X'))}},
      {"a line's description too long",
       "T20002",
       {line(1, "MAL-900"),
        [] {
          InvoiceLine l = line(2, "CAM-900");
          l.descricao = std::string(201, 'D');
          return l;
        }()}},
      {"the invoice exists already", "T20000", {line(1, "MAL-900")}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    EXPECT_THROW(write_invoice(header(c.fatura), c.linhas), EDatabaseError);
    EXPECT_EQ(stored_lines(c.fatura), Rows{});
  }
  EXPECT_EQ(stored_header("T20001"), Rows{});
  EXPECT_EQ(stored_header("T20002"), Rows{});
  EXPECT_EQ(test::rows("SELECT FATURA, CODREP FROM " + DBLocal("NOTA") + " WHERE FATURA = 'T20000'"),
            Rows{"T20000|"});
  // The transaction goes on: the next invoice is written.
  write_invoice(header("T20003"), {line(1, "MAL-900")});
  EXPECT_EQ(stored_lines("T20003").size(), 1u);
}

}  // namespace
}  // namespace zpk
