// `zpk demo` steps for stock movements: woven fabric received into stock in
// two lots at different costs, part of it shipped, the balances and the
// product's average cost after each step; then yarn received and consumed
// at a moving average price, with an unusual cost caught by the audit log.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "inventory/estoque.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

// Numbers with a decimal point, like the rest of the command line's output.
std::string num(double value) {
  std::string text = FormatFloat("0.####", value);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

void print_product(std::ostream& out, const std::string& codigo) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT PA.COR, PA.LOTE, PA.DEPOSITO, PA.QUANTIDADE, PR.CUSTO, PR.UNIDADE");
  q.SQL.Add("FROM PA_ITEN_001 PA JOIN PRODUTO_001 PR ON PR.CODIGO = PA.CODIGO");
  q.SQL.Add("WHERE PA.CODIGO = :CODIGO ORDER BY PA.COR, PA.LOTE");
  q.ParamByName("CODIGO").AsString = codigo;
  q.Open();
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("    {} colour {} lot {} deposit {}: {} {}\n", codigo, q.FieldByName("COR").AsString(),
                       q.FieldByName("LOTE").AsString(), q.FieldByName("DEPOSITO").AsString(),
                       num(q.FieldByName("QUANTIDADE").AsFloat()), q.FieldByName("UNIDADE").AsString());
  }
  if (!q.IsEmpty()) {
    q.First();
    out << fmt::format("    average cost (PRODUTO.CUSTO): {}\n", num(q.FieldByName("CUSTO").AsFloat()));
  }
}

void print_material(std::ostream& out, const std::string& codigo) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT LOTE, QTDE, PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = :CODIGO ORDER BY LOTE");
  q.ParamByName("CODIGO").AsString = codigo;
  q.Open();
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("    {} lot {}: {} kg at average {}\n", codigo, q.FieldByName("LOTE").AsString(),
                       num(q.FieldByName("QTDE").AsFloat()), num(q.FieldByName("PRECO_MED").AsFloat()));
  }
}

const RegisterDemo kProductStock{
    {301, "Product stock: fabric received and shipped", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       TEstoque e;
       out << "Receive 2 pieces (PC = 50 m) of TEC-001, colour 01, lot 000101, at 4.00 per metre:\n";
       e.ECodigo = "TEC-001";
       e.ECor = "01";
       e.ELote = "000101";
       e.EOperacao = TOperacaoEstoque::opEntrada;
       e.EQuantidade = 2;
       e.EUnidade = "PC";
       e.ECusto = 4;
       e.EDocumento = "NF 1001";
       e.ETipo = e.CodigoTipoMovEstoque(TTipoMovimentoEstoque::tmeEFNF);
       e.MovimentaEstoqueProduto(true);
       print_product(out, "TEC-001");

       out << "Receive 50 m more of the same colour, lot 000102, at 5.20 per metre:\n";
       e.ELote = "000102";
       e.EQuantidade = 50;
       e.EUnidade = "M";
       e.ECusto = 5.2;
       e.EDocumento = "NF 1002";
       e.MovimentaEstoqueProduto(true);
       print_product(out, "TEC-001");
       out << "    (100 m at 4.00 and 50 m at 5.20 average (400 + 260) / 150 = 4.4)\n";

       out << "Ship 30 m of lot 000101 to a customer (exits go out at the average):\n";
       e.ELote = "000101";
       e.EOperacao = TOperacaoEstoque::opSaida;
       e.EQuantidade = 30;
       e.ECliente = "000001";
       e.EDocumento = "PED 000001";
       e.ETipo = e.CodigoTipoMovEstoque(TTipoMovimentoEstoque::tmeSFNF);
       e.MovimentaEstoqueProduto(true);
       print_product(out, "TEC-001");

       TTIQuery j(Tabela.IBDatabase);
       j.SQL.Add(
           "SELECT OPERACAO, LOTE, QTDE, CUSTO, TP_MOV, NUM_DOCTO FROM PA_MOV_001 WHERE CODIGO = 'TEC-001'");
       j.Open();
       out << "  Journal PA_MOV:\n";
       for (; !j.Eof(); j.Next()) {
         out << fmt::format("    {} lot {} {} m at {} ({}, {})\n", j.FieldByName("OPERACAO").AsString(),
                            j.FieldByName("LOTE").AsString(), num(j.FieldByName("QTDE").AsFloat()),
                            num(j.FieldByName("CUSTO").AsFloat()), j.FieldByName("TP_MOV").AsString(),
                            j.FieldByName("NUM_DOCTO").AsString());
       }

       out << "Ship 10 m of a lot that is not in stock (000999):\n";
       e.ELote = "000999";
       e.EQuantidade = 10;
       e.MovimentaEstoqueProduto(true);
       out << "  (the warning above; nothing was written)\n";
     }}};

const RegisterDemo kMaterialStock{
    {302, "Material stock: yarn at a moving average price", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       TEstoque e;
       out << "Receive 300 kg of yarn FIO-001, lot 7001, at 20.00, then 100 kg, lot 7002, at 24.00:\n";
       e.ECodigo = "FIO-001";
       e.ELote = "7001";
       e.EQuantidade = 300;
       e.ECusto = 20;
       e.MovimentaEstoqueMaterial(true, true);
       e.ELote = "7002";
       e.EQuantidade = 100;
       e.ECusto = 24;
       e.MovimentaEstoqueMaterial(true, true);
       print_material(out, "FIO-001");
       out << "    ((300 x 20 + 100 x 24) / 400 = 21 on every lot in stock)\n";

       out << "Consume 120 kg of lot 7001 in the weaving room:\n";
       e.ELote = "7001";
       e.EOperacao = TOperacaoEstoque::opSaida;
       e.EQuantidade = 120;
       e.ETipo = e.CodigoTipoMovEstoque(TTipoMovimentoEstoque::tmeSTEC);
       e.MovimentaEstoqueMaterial(true, false);
       print_material(out, "FIO-001");

       out << "Receive 50 kg at 40.00 (more than 1.5 x the average 21):\n";
       e.EOperacao = TOperacaoEstoque::opEntrada;
       e.ELote = "7003";
       e.EQuantidade = 50;
       e.ECusto = 40;
       e.EDocumento = "NF 2001";
       e.MovimentaEstoqueMaterial(true, true);
       print_material(out, "FIO-001");
       TTIQuery l(Tabela.IBDatabase);
       l.SQL.Add("SELECT DESCRICAO FROM LOG WHERE CHAVE = 'FIO-001' AND DESCRICAO LIKE 'CUSTO FORA%'");
       l.Open();
       for (; !l.Eof(); l.Next()) out << "  audit log: " << l.FieldByName("DESCRICAO").AsString() << '\n';
     }}};

}  // namespace
}  // namespace zpk::cli
