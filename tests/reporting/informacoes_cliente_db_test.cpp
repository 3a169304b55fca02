// The customer information pages on a real database: titles with their
// latest payment, open amount and days, the statistics row, every page over
// one company and over all companies, and codes that must match nothing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "reporting/informacoes_cliente.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

std::string dia(int days) {
  return "DATE '" + FormatDateTime("YYYY-MM-DD", Date() + days) + "'";
}

class InformacoesCliente : public test::DatabaseTest {
 protected:
  void SetUp() override {
    for (const char* s : {"_001", "_002"}) {
      test::exec(std::string("INSERT INTO ENTIDADE") + s +
                 " (CODCLI, NOME, CREDITO) VALUES ('000861', 'LOJA X', 900)");
    }
    test::exec("INSERT INTO ENTIDADE_001 (CODCLI, NOME) VALUES ('000862', 'SEM TITULOS')");
    // Titles: T1 paid in two payments, 5 days late; T2 open, overdue; T3 open, to fall due.
    titulo("_001", "T1", "1000, 0, 1000, 0, 0", -40, -20);
    titulo("_001", "T2", "300, 10, 100, 0, 0", -30, -10);
    titulo("_001", "T3", "250.50, 0, 0, 0, 0", -5, 30);
    titulo("_002", "T9", "70, 0, 0, 0, 0", -3, 15);
    test::exec("UPDATE RECEBER_001 SET VALOR = VALOR2");
    test::exec("INSERT INTO RECEBERB_001 (NUMERO, SEQ, DT_PAGTO, VALOR_PAGO) VALUES ('T1', 1, " + dia(-25) +
               ", 400)");
    test::exec("INSERT INTO RECEBERB_001 (NUMERO, SEQ, DT_PAGTO, VALOR_PAGO) VALUES ('T1', 2, " + dia(-15) +
               ", 600)");
    test::exec("INSERT INTO RECEBERB_001 (NUMERO, SEQ, DT_PAGTO, VALOR_PAGO) VALUES ('T2', 1, " + dia(-12) +
               ", 100)");
    test::exec("INSERT INTO PEDIDO_001 (NUMERO, CODCLI, DT_EMISSAO, ENTREGA) VALUES ('P861', '000861', " +
               dia(-3) + ", " + dia(10) + ")");
    test::exec(
        "INSERT INTO PED_ITEN_001 (NUMERO, ORDEM, QTDE, QTDE_F, PRECO) VALUES ('P861', 1, 4, 6, 12.5)");
    // An older order, wholly invoiced, delivered later.
    test::exec("INSERT INTO PEDIDO_001 (NUMERO, CODCLI, DT_EMISSAO, ENTREGA) VALUES ('P860', '000861', " +
               dia(-9) + ", " + dia(20) + ")");
    test::exec("INSERT INTO PED_ITEN_001 (NUMERO, ORDEM, QTDE, QTDE_F, PRECO) VALUES ('P860', 1, 0, 3, 10)");
    test::exec(
        "INSERT INTO NOTA_001 (FATURA, SERIE, CODCLI, DT_EMISSAO, VALOR) VALUES ('861', '1', '000861', " +
        dia(-40) + ", 1000)");
    test::exec(
        "INSERT INTO NOTAITEN_001 (FATURA, CODIGO, QTDE, VALOR, EMPENHO, TIPO_IT) VALUES "
        "('861', 'X', 10, 1000, 'N', 'P')");
    test::exec(
        "INSERT INTO NOTAITEN_001 (FATURA, CODIGO, QTDE, VALOR, EMPENHO, TIPO_IT) VALUES "
        "('861', 'Y', 1, 5, 'S', 'P')");
    test::exec("INSERT INTO CONTATO_MOV_001 (CODIGO, CODCLI, DATA, MOTIVO) VALUES (1, '000861', " + dia(-2) +
               ", '1')");
    test::exec(
        "INSERT INTO RECEBER_001 (NUMERO, CODCLI, VALOR2, STATUS, DT_EMISSAO, DT_VENCTO, NUMERO_CH) "
        "VALUES ('CH1', '000861', 80, 'CH', " +
        dia(-2) + ", " + dia(20) + ", '000123')");
    test::exec("INSERT INTO CHEQUE_PRE_001 (CODIGO, CODCLI, VALOR, STATUS) VALUES (1, '000861', 55, 'P')");
    test::exec("INSERT INTO VENDA_001 (CODIGO, CODCLI, DATA, VALOR) VALUES (1, '000861', " + dia(-1) +
               ", 30)");
    test::exec("INSERT INTO ITVENDA_001 (CODIGO, ITEM, QTDE) VALUES (1, 1, 2)");
    test::exec("INSERT INTO ITVENDA_001 (CODIGO, ITEM, QTDE) VALUES (1, 2, 3)");
  }
  // Amounts "VALOR2, JUROS, VALOR_PAGO, VAL_DEV, DESCONTO"; dates in days from today.
  static void titulo(const std::string& sufixo, const std::string& numero, const std::string& valores,
                     int emitido, int vence) {
    test::exec(
        "INSERT INTO RECEBER" + sufixo +
            " (NUMERO, CODCLI, VALOR2, JUROS, VALOR_PAGO, VAL_DEV, DESCONTO, STATUS, DT_EMISSAO, DT_VENCTO)"
            " VALUES (?, '000861', " +
            valores + ", 'N', " + dia(emitido) + ", " + dia(vence) + ")",
        {numero});
  }
  static std::vector<std::string> coluna(TTIQuery& q, const char* campo) {
    std::vector<std::string> out;
    for (q.First(); !q.Eof(); q.Next()) out.push_back(q.FieldByName(campo).AsString());
    return out;
  }
  TTIQuery q{Tabela.IBDatabase};
  TDateTime ini = Date() - 60, fim = Date();
};

TEST_F(InformacoesCliente, TitlesShowLatestPaymentOpenAmountAndOrder) {
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieTitulo, ini, fim, "000861", 1, 1, false);
  EXPECT_EQ(coluna(q, "NUMERO"), (std::vector<std::string>{"T1", "T2", "T3"}));  // by due date
  q.First();
  EXPECT_EQ(q.FieldByName("NUM_PARC").AsInteger(), 2);
  EXPECT_EQ(q.FieldByName("PAGO").AsString(), "600");  // the latest payment row
  EXPECT_EQ(q.FieldByName("DIAS").AsInteger(), -5);    // due date - payment date: 5 days late
  q.Next();
  EXPECT_EQ(q.FieldByName("SALDO").AsString(), "210");  // 300 + 10 - 100
  q.Next();
  EXPECT_EQ(q.FieldByName("DIAS").AsInteger(), 30);  // nothing paid: due date - today

  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieTitulo, ini, fim, "000861", 0, 2, false);
  EXPECT_EQ(coluna(q, "NUMERO"), (std::vector<std::string>{"T2", "T3"}));  // open ones, by issue date
}

TEST_F(InformacoesCliente, StatisticsRow) {
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieEstatistica, ini, fim, "000861", 0, 0, false);
  ASSERT_EQ(q.RecordCount(), 1);
  const struct {
    const char* campo;
    const char* valor;
  } kCases[] = {
      {"EM_ABERTO", "460,5"},      {"VENCIDO", "210"},         {"A_VENCER", "250,5"},
      {"TOTAL_TITULOS", "1550,5"}, {"MAIOR_TITULO", "T1"},     {"ULTIMA_NOTA", "T3"},
      {"MEDIA_ATRASO", "5"},       {"MAIOR_ATRASO", "5"},      {"NUM_NOTAS", "1"},
      {"VALOR_PEDIDOS", "50"},     {"CHEQUES_A_VENCER", "55"}, {"CHEQUES_ABERTOS", "80"},
      {"CREDITO", "900"},          {"EMPRESA", "_001"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.campo);
    EXPECT_EQ(q.FieldByName(c.campo).AsString(), c.valor);
  }
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieEstatistica, ini, fim, "000861", 1, 0, false);
  EXPECT_EQ(q.FieldByName("VALOR_PEDIDOS").AsString(), "155");  // pending and invoiced, both orders
}

TEST_F(InformacoesCliente, OrdersOpenOnlyAndTheirOrder) {
  const struct {
    int abertos, ordem;
    std::vector<std::string> numeros;
  } kCases[] = {
      {0, 0, {"P861"}},          // only orders with pending pieces
      {1, 0, {"P861", "P860"}},  // latest issue first
      {1, 3, {"P860", "P861"}},  // latest delivery first
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.ordem);
    BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpiePedido, ini, fim, "000861", c.abertos, c.ordem, false);
    EXPECT_EQ(coluna(q, "NUMERO"), c.numeros);
  }
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpiePedido, ini, fim, "000861", 0, 0, false);
  EXPECT_EQ(q.FieldByName("VALOR_PENDENTE").AsString(), "50");
  EXPECT_EQ(q.FieldByName("VALOR_FATURADO").AsString(), "75");
}

TEST_F(InformacoesCliente, CustomerWithoutTitles) {
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieTitulo, ini, fim, "000862", 1, 0, false);
  EXPECT_TRUE(q.IsEmpty());
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieEstatistica, ini, fim, "000862", 1, 0, false);
  ASSERT_EQ(q.RecordCount(), 1);
  for (const char* campo : {"EM_ABERTO", "VENCIDO", "TOTAL_TITULOS", "VALOR_PEDIDOS", "MEDIA_ATRASO"}) {
    SCOPED_TRACE(campo);
    EXPECT_EQ(q.FieldByName(campo).AsString(), "0");
  }
  EXPECT_EQ(q.FieldByName("MAIOR_TITULO").AsString(), "");
}

TEST_F(InformacoesCliente, EveryPageForOneAndAllCompanies) {
  const struct {
    TOpcaoInfEst pagina;
    int linhas;  // company 001
    int todas;   // every company
  } kCases[] = {
      {TOpcaoInfEst::TpieTitulo, 3, 4},  {TOpcaoInfEst::TpieEstatistica, 1, 2},
      {TOpcaoInfEst::TpiePedido, 2, 2},  {TOpcaoInfEst::TpieNotaFiscal, 1, 1},
      {TOpcaoInfEst::TpieContato, 1, 1}, {TOpcaoInfEst::TpieCheque, 1, 1},
      {TOpcaoInfEst::TpieVarejo, 1, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.pagina));
    BuscaInformacoesEstatisticas(q, c.pagina, ini, fim, "000861", 1, 0, false);
    EXPECT_EQ(q.RecordCount(), c.linhas);
    BuscaInformacoesEstatisticas(q, c.pagina, ini, fim, "000861", 1, 0, true);
    EXPECT_EQ(q.RecordCount(), c.todas);
  }
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieTitulo, ini, fim, "000861", 1, 0, true);
  std::vector<std::string> empresas = coluna(q, "EMPRESA");
  EXPECT_EQ(empresas,
            (std::vector<std::string>{"_001", "_001", "_001", "_002"}));  // ordered by number: T9 last
  BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieVarejo, ini, fim, "000861", 1, 0, false);
  EXPECT_EQ(q.FieldByName("QTDE_TOTAL").AsString(), "5");
}

TEST_F(InformacoesCliente, CodesThatMatchNothing) {
  for (const char* codigo : {"000861-LONGER-THAN-THE-COLUMN", "' OR ''='", ""}) {
    SCOPED_TRACE(codigo);
    for (TOpcaoInfEst pagina :
         {TOpcaoInfEst::TpieTitulo, TOpcaoInfEst::TpieEstatistica, TOpcaoInfEst::TpiePedido}) {
      BuscaInformacoesEstatisticas(q, pagina, ini, fim, codigo, 1, 0, true);
      EXPECT_TRUE(q.IsEmpty());
    }
  }
}

}  // namespace
}  // namespace zpk
