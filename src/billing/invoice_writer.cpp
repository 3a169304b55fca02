// Writing a stored invoice's header and product lines.
#include "billing/invoice_writer.hpp"

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

// Binds a text, a blank one as NULL.
void text_or_null(TParam& param, const std::string& value) {
  if (value.empty()) {
    param.Clear();
  } else {
    param.AsString = value;
  }
}

}  // namespace

void write_invoice(const InvoiceHeader& header, const std::vector<InvoiceLine>& lines,
                   TTIDatabase* Database) {
  TTIDatabase& db = Database != nullptr ? *Database : Tabela.IBDatabase;
  // An invoice is stored with all its lines or not at all.
  Savepoint invoice(db.DefaultTransaction());

  TTIQuery n(db);
  n.SQL.Add("INSERT INTO " + DBLocal("NOTA") +
            " (FATURA, SERIE, CODCLI, CODREP, NATUREZA, TRANSPORT, DT_EMISSAO, DT_SAIDA, TIPFAT, VALOR,"
            " DESCONTO, BASE_CALC, ALIQUOTA, VAL_ICMS, BASE_SUBST, VAL_SUBST, VAL_FCP, VAL_ICMS_REMET,"
            " VAL_ICMS_DEST, BASE_IPI, VAL_IPI, VAL_PIS, VAL_COFINS, VAL_FRETE, VAL_SEGURO, VAL_IMPORT,"
            " DESPESAS, VAL_PRODUTOS, VAL_DESONERA, VOLUMES, ESPECIE, CIF, PECAS, MENSAGEM)");
  n.SQL.Add(
      "VALUES (:FATURA, :SERIE, :CODCLI, :CODREP, :NATUREZA, :TRANSPORT, :DT_EMISSAO, :DT_SAIDA, :TIPFAT,"
      " :VALOR, :DESCONTO, :BASE_CALC, :ALIQUOTA, :VAL_ICMS, :BASE_SUBST, :VAL_SUBST, :VAL_FCP,"
      " :VAL_ICMS_REMET, :VAL_ICMS_DEST, :BASE_IPI, :VAL_IPI, :VAL_PIS, :VAL_COFINS, :VAL_FRETE,"
      " :VAL_SEGURO, :VAL_IMPORT, :DESPESAS, :VAL_PRODUTOS, :VAL_DESONERA, :VOLUMES, :ESPECIE, :CIF,"
      " :PECAS, :MENSAGEM)");
  n.ParamByName("FATURA").AsString = header.fatura;
  n.ParamByName("SERIE").AsString = header.serie;
  n.ParamByName("CODCLI").AsString = header.codcli;
  n.ParamByName("CODREP").AsString = header.codrep;
  n.ParamByName("NATUREZA").AsString = header.natureza;
  n.ParamByName("TRANSPORT").AsString = header.transport;
  n.ParamByName("DT_EMISSAO").AsDateTime = header.dt_emissao;
  n.ParamByName("DT_SAIDA").AsDateTime = header.dt_saida;
  n.ParamByName("TIPFAT").AsString = header.tipfat;
  n.ParamByName("VALOR").AsFloat = header.valor;
  n.ParamByName("DESCONTO").AsFloat = header.desconto;
  n.ParamByName("BASE_CALC").AsFloat = header.base_calc;
  n.ParamByName("ALIQUOTA").AsFloat = header.aliquota;
  n.ParamByName("VAL_ICMS").AsFloat = header.val_icms;
  n.ParamByName("BASE_SUBST").AsFloat = header.base_subst;
  n.ParamByName("VAL_SUBST").AsFloat = header.val_subst;
  n.ParamByName("VAL_FCP").AsFloat = header.val_fcp;
  n.ParamByName("VAL_ICMS_REMET").AsFloat = header.val_icms_remet;
  n.ParamByName("VAL_ICMS_DEST").AsFloat = header.val_icms_dest;
  n.ParamByName("BASE_IPI").AsFloat = header.base_ipi;
  n.ParamByName("VAL_IPI").AsFloat = header.val_ipi;
  n.ParamByName("VAL_PIS").AsFloat = header.val_pis;
  n.ParamByName("VAL_COFINS").AsFloat = header.val_cofins;
  n.ParamByName("VAL_FRETE").AsFloat = header.val_frete;
  n.ParamByName("VAL_SEGURO").AsFloat = header.val_seguro;
  n.ParamByName("VAL_IMPORT").AsFloat = header.val_import;
  n.ParamByName("DESPESAS").AsFloat = header.despesas;
  n.ParamByName("VAL_PRODUTOS").AsFloat = header.val_produtos;
  n.ParamByName("VAL_DESONERA").AsFloat = header.val_desonera;
  n.ParamByName("VOLUMES").AsInteger = header.volumes;
  n.ParamByName("ESPECIE").AsString = header.especie;
  n.ParamByName("CIF").AsString = header.cif;
  n.ParamByName("PECAS").AsFloat = header.pecas;
  n.ParamByName("MENSAGEM").AsString = header.mensagem;
  n.ExecSQL();

  TTIQuery i(db);
  i.SQL.Add("INSERT INTO " + DBLocal("NOTAITEN") +
            " (FATURA, CODIGO, COR, TAMANHO, DESCRICAO, VALOR, PRECO, EMPENHO, ORD_PED, ORDEM, TIPO, QTDE,"
            " QTDE_TRIB, NATUREZA, CLA_FIS, CLA_TRIB, PEDIDO, TIPO_IT, DATA_MVTO, UNIDADE, ORIGEM, LOTE,"
            " BASE_ICMS, PERC_ICMS, PERC_RED, PERC_ST, BASE_ST, VALOR_ST, VALOR_ST_FCP, PERC_DIF, VALOR_DIF,"
            " VAL_FCP, VAL_ICMS_REMET, VAL_ICMS_DEST, TRIB_IPI, BASE_IPI, PERC_IPI, TRIB_PIS, BASE_PIS,"
            " PERC_PIS, TRIB_COFINS, BASE_COFINS, PERC_COFINS, VOLUMES)");
  i.SQL.Add(
      "VALUES (:FATURA, :CODIGO, :COR, :TAMANHO, :DESCRICAO, :VALOR, :PRECO, 'N', :ORD_PED, :ORDEM, :TIPO,"
      " :QTDE, :QTDE_TRIB, :NATUREZA, :CLA_FIS, :CLA_TRIB, :PEDIDO, :TIPO_IT, :DATA_MVTO, :UNIDADE, :ORIGEM,"
      " :LOTE, :BASE_ICMS, :PERC_ICMS, :PERC_RED, :PERC_ST, :BASE_ST, :VALOR_ST, :VALOR_ST_FCP, :PERC_DIF,"
      " :VALOR_DIF, :VAL_FCP, :VAL_ICMS_REMET, :VAL_ICMS_DEST, :TRIB_IPI, :BASE_IPI, :PERC_IPI, :TRIB_PIS,"
      " :BASE_PIS, :PERC_PIS, :TRIB_COFINS, :BASE_COFINS, :PERC_COFINS, :VOLUMES)");
  for (const InvoiceLine& l : lines) {
    i.ParamByName("FATURA").AsString = header.fatura;
    i.ParamByName("CODIGO").AsString = l.codigo;
    text_or_null(i.ParamByName("COR"), l.cor);
    text_or_null(i.ParamByName("TAMANHO"), l.tamanho);
    i.ParamByName("DESCRICAO").AsString = l.descricao;
    i.ParamByName("VALOR").AsFloat = l.valor;
    i.ParamByName("PRECO").AsFloat = l.preco;
    i.ParamByName("ORD_PED").AsInteger = l.ord_ped;
    i.ParamByName("ORDEM").AsInteger = l.ordem;
    i.ParamByName("TIPO").AsString = l.tipo;
    i.ParamByName("QTDE").AsFloat = l.qtde;
    i.ParamByName("QTDE_TRIB").AsFloat = l.qtde_trib;
    i.ParamByName("NATUREZA").AsString = l.natureza;
    i.ParamByName("CLA_FIS").AsString = l.cla_fis;
    i.ParamByName("CLA_TRIB").AsString = l.cla_trib;
    i.ParamByName("PEDIDO").AsString = l.pedido;
    i.ParamByName("TIPO_IT").AsString = l.tipo_it;
    i.ParamByName("DATA_MVTO").AsDateTime = l.data_mvto;
    i.ParamByName("UNIDADE").AsString = l.unidade;
    i.ParamByName("ORIGEM").AsString = l.origem;
    i.ParamByName("LOTE").AsString = l.lote;
    i.ParamByName("BASE_ICMS").AsFloat = l.base_icms;
    i.ParamByName("PERC_ICMS").AsFloat = l.perc_icms;
    i.ParamByName("PERC_RED").AsFloat = l.perc_red;
    i.ParamByName("PERC_ST").AsFloat = l.perc_st;
    i.ParamByName("BASE_ST").AsFloat = l.base_st;
    i.ParamByName("VALOR_ST").AsFloat = l.valor_st;
    i.ParamByName("VALOR_ST_FCP").AsFloat = l.valor_st_fcp;
    i.ParamByName("PERC_DIF").AsFloat = l.perc_dif;
    i.ParamByName("VALOR_DIF").AsFloat = l.valor_dif;
    i.ParamByName("VAL_FCP").AsFloat = l.val_fcp;
    i.ParamByName("VAL_ICMS_REMET").AsFloat = l.val_icms_remet;
    i.ParamByName("VAL_ICMS_DEST").AsFloat = l.val_icms_dest;
    i.ParamByName("TRIB_IPI").AsString = l.trib_ipi;
    i.ParamByName("BASE_IPI").AsFloat = l.base_ipi;
    i.ParamByName("PERC_IPI").AsFloat = l.perc_ipi;
    i.ParamByName("TRIB_PIS").AsString = l.trib_pis;
    i.ParamByName("BASE_PIS").AsFloat = l.base_pis;
    i.ParamByName("PERC_PIS").AsFloat = l.perc_pis;
    i.ParamByName("TRIB_COFINS").AsString = l.trib_cofins;
    i.ParamByName("BASE_COFINS").AsFloat = l.base_cofins;
    i.ParamByName("PERC_COFINS").AsFloat = l.perc_cofins;
    i.ParamByName("VOLUMES").AsFloat = l.volumes;
    i.ExecSQL();
  }
  invoice.release();
}

}  // namespace zpk
