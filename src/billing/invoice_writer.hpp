// Writing a new stored invoice: its header (NOTA) and its product lines
// (NOTAITEN) as billing stores them once the taxes are computed, all or
// nothing, so that the printed invoice, the NF-e and the ledger read one
// complete invoice whoever wrote it (a host program, `zpk day`).
#pragma once

#include <string>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// The header row: one field per NOTA column written; amounts in reais.
struct InvoiceHeader {
  std::string fatura;  // six-digit number, followed by the series when the company writes it so
  std::string serie;
  std::string codcli;
  std::string codrep;
  std::string natureza;   // the invoice's nature (CFOP)
  std::string transport;  // the carrier's code
  TDateTime dt_emissao;
  TDateTime dt_saida;
  std::string tipfat;
  double valor = 0;  // the invoice's total
  double desconto = 0;
  double base_calc = 0;  // ICMS base
  double aliquota = 0;
  double val_icms = 0;
  double base_subst = 0;  // ICMS-ST base and amount
  double val_subst = 0;
  double val_fcp = 0;
  double val_icms_remet = 0;  // DIFAL shares of the sender's and the buyer's state
  double val_icms_dest = 0;
  double base_ipi = 0;
  double val_ipi = 0;
  double val_pis = 0;
  double val_cofins = 0;
  double val_frete = 0;
  double val_seguro = 0;
  double val_import = 0;
  double despesas = 0;
  double val_produtos = 0;
  double val_desonera = 0;
  int volumes = 0;
  std::string especie;  // kind of the volumes ("CAIXA")
  std::string cif;      // freight terms
  double pecas = 0;
  std::string mensagem;
};

// A product line (NOTAITEN, EMPENHO "N"): one field per column written. A
// blank colour or size is stored as NULL, as on lines of products that have
// none.
struct InvoiceLine {
  std::string codigo;
  std::string cor;
  std::string tamanho;
  std::string descricao;
  double valor = 0;
  double preco = 0;
  int ord_ped = 0;
  int ordem = 0;
  std::string tipo = "N";
  double qtde = 0;
  double qtde_trib = 0;
  std::string natureza;
  std::string cla_fis;
  std::string cla_trib;
  std::string pedido;
  std::string tipo_it = "P";
  TDateTime data_mvto;
  std::string unidade;
  std::string origem = "0";
  std::string lote;
  double base_icms = 0;
  double perc_icms = 0;
  double perc_red = 0;
  double perc_st = 0;  // the MVA of the ICMS-ST
  double base_st = 0;
  double valor_st = 0;
  double valor_st_fcp = 0;
  double perc_dif = 0;
  double valor_dif = 0;
  double val_fcp = 0;
  double val_icms_remet = 0;
  double val_icms_dest = 0;
  std::string trib_ipi;
  double base_ipi = 0;
  double perc_ipi = 0;
  std::string trib_pis;
  double base_pis = 0;
  double perc_pis = 0;
  std::string trib_cofins;
  double base_cofins = 0;
  double perc_cofins = 0;
  double volumes = 0;
};

// Inserts the header and then each line, in order, for header.fatura, on
// `Database` (nullptr: Tabela.IBDatabase) under one savepoint: when a
// statement fails (an existing invoice, a value too long for its column)
// nothing of the invoice stays and EDatabaseError is raised. Nothing is committed.
void write_invoice(const InvoiceHeader& header, const std::vector<InvoiceLine>& lines,
                   TTIDatabase* Database = nullptr);

}  // namespace zpk
