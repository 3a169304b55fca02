// The invoice dataset: the invoice statement, the merge of its item lines and
// the printed description and code of each line.
#include "billing/nota_dataset.hpp"

#include <map>
#include <vector>

#include "billing/cents.hpp"
#include "foundation/lookups.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

// Characters of NOTA.FATURA.
constexpr int kFaturaWidth = 10;

// The columns added when rows merge (amounts to the cent, quantities as stored).
// Besides the value and the bases, the line's own tax amounts (ST, FCP, rate
// difference, discount) are added too: kept from the first row only, a merged
// line would print less tax than its rows carry.
constexpr const char* kAddedAmounts[] = {
    "ITEM_VALOR",          "ITEM_BASE_IPI",      "ITEM_BASE_PIS",     "ITEM_BASE_COFINS", "ITEM_BASE_ICMS",
    "ITEM_BASE_ST",        "ITEM_VALOR_ST",      "ITEM_VALOR_ST_FCP", "ITEM_VALOR_DIF",   "ITEM_VAL_FCP",
    "ITEM_VAL_ICMS_REMET", "ITEM_VAL_ICMS_DEST", "ITEM_DESCONTO"};
constexpr const char* kAddedQuantities[] = {"ITEM_QTDE", "ITEM_QTDE_TRIB", "ITEM_VOLUMES"};

// The columns the dataset adds to the statement's, all texts but the ICMS value.
constexpr const char* kAddedTexts[] = {"ITEM_DESCRICAO2", "ITEM_CODIGO2",  "ITEM_CODIGO_ORIG",
                                       "ITEM_BARRA",      "ITEM_BARRACLI", "PEDIDO_COND_PAGTO",
                                       "ITEN_INSTRUCAO"};

// The invoice statement: every table through DBLocal, the invoice and the
// company's state bound.
std::string nota_statement(NotaOrdem ordem, bool any_invoice) {
  const auto t = [](const char* name) { return DBLocal(name); };
  std::string sql =
      "SELECT NOTA.FATURA AS NOTA_FATURA, NOTA.SERIE AS NOTA_SERIE, NOTA.PLACA AS NOTA_PLACA,"
      " NOTA.DT_EMISSAO AS NOTA_DT_EMISSAO, NOTA.DT_SAIDA AS NOTA_DT_SAIDA, NOTA.TIPFAT AS NOTA_TIPFAT,"
      " NOTA.VALOR AS NOTA_VALOR, NOTA.DESCONTO AS NOTA_DESCONTO, NOTA.BASE_CALC AS NOTA_BASE_CALC,"
      " NOTA.ALIQUOTA AS NOTA_ALIQUOTA, NOTA.NATUREZA AS NOTA_NATUREZA, NOTA.VOLUMES AS NOTA_VOLUMES,"
      " NOTA.ESPECIE AS NOTA_ESPECIE, NOTA.NR_VOLUMES AS NOTA_NR_VOLUMES, NOTA.CODCLI AS NOTA_CODCLI,"
      " NOTA.TRANSPORT AS NOTA_TRANSPORT, NOTA.REDESP AS NOTA_REDESP, NOTA.CIF AS NOTA_CIF,"
      " NOTA.REDESP_CIF AS NOTA_REDESP_CIF, NOTA.PECAS AS NOTA_PECAS, NOTA.BASE_IPI AS NOTA_BASE_IPI,"
      " NOTA.VAL_IPI AS NOTA_VAL_IPI, NOTA.VAL_ICMS AS NOTA_VAL_ICMS, NOTA.VAL_FRETE AS NOTA_VAL_FRETE,"
      " NOTA.VAL_SEGURO AS NOTA_VAL_SEGURO, NOTA.VAL_IMPORT AS NOTA_VAL_IMPORT, NOTA.DESPESAS AS "
      "NOTA_DESPESAS,"
      " NOTA.VAL_PRODUTOS AS NOTA_VAL_PRODUTOS, NOTA.PESOL AS NOTA_PESOL, NOTA.PESOB AS NOTA_PESOB,"
      " NOTA.MENSAGEM AS NOTA_MENSAGEM, NOTA.OBS AS NOTA_OBS, NOTA.NOTA_DEV AS NOTA_DEV, NOTA.DOCTO AS "
      "NOTA_DOCTO,"
      " NOTA.DOCTO2 AS NOTA_DOCTO2, NOTA.VAL_SUBST AS NOTA_VAL_SUBST, NOTA.BASE_SUBST AS NOTA_BASE_SUBST,"
      " NOTA.MARCA AS NOTA_MARCA, NOTA.LOTE_NFE AS NOTA_LOTE_NFE, NOTA.CHAVE_NFE AS NOTA_CHAVE_NFE,"
      " NOTA.RECIBO_NFE AS NOTA_RECIBO_NFE, NOTA.PROTOCOLO_NFE AS NOTA_PROTOCOLO_NFE,"
      " NOTA.VAL_PIS AS NOTA_VAL_PIS, NOTA.VAL_COFINS AS NOTA_VAL_COFINS, NOTA.VAL_DESONERA AS "
      "NOTA_VAL_DESONERA,"
      " NOTA.VAL_FCP AS NOTA_VAL_FCP, NOTA.VAL_ICMS_REMET AS NOTA_VAL_ICMS_REMET,"
      " NOTA.VAL_ICMS_DEST AS NOTA_VAL_ICMS_DEST,"
      " NATUREZA.DESCRICAO AS NATUREZA_DESC, NATUREZA.TP_BASE AS NATUREZA_TP_BASE,"
      " NATUREZA.TIPO AS NATUREZA_TIPO, NATUREZA.CONS_FINAL AS NATUREZA_CF, NATUREZA.CFOP AS CFOP,"
      " NOTAITEN.CODIGO AS ITEM_CODIGO, NOTAITEN.DATA_MVTO AS ITEM_DATA_MVTO, NOTAITEN.ORDEM AS ITEM_ORDEM,"
      " NOTAITEN.PRECO AS ITEM_PRECO, NOTAITEN.QTDE AS ITEM_QTDE, NOTAITEN.QTDE_TRIB AS ITEM_QTDE_TRIB,"
      " NOTAITEN.VALOR AS ITEM_VALOR, NOTAITEN.PERC_ST AS ITEM_PERC_ST, NOTAITEN.PERC_RED AS ITEM_PERC_RED,"
      " NOTAITEN.BASE_ST AS ITEM_BASE_ST, NOTAITEN.VALOR_ST AS ITEM_VALOR_ST,"
      " NOTAITEN.VALOR_ST_FCP AS ITEM_VALOR_ST_FCP, NOTAITEN.PERC_DIF AS ITEM_PERC_DIF,"
      " NOTAITEN.VALOR_DIF AS ITEM_VALOR_DIF, NOTAITEN.TAMANHO AS ITEM_TAMANHO, NOTAITEN.PEDIDO AS "
      "ITEM_PEDIDO,"
      " NOTAITEN.LOTE AS ITEM_LOTE, NOTAITEN.TIPO AS ITEM_TIPO, NOTAITEN.TIPO_IT AS ITEM_TIPO_IT,"
      " NOTAITEN.CLA_FIS AS ITEM_CLA_FIS, NOTAITEN.UNIDADE AS ITEM_UNIDADE, NOTAITEN.CLA_TRIB AS "
      "ITEM_CLA_TRIB,"
      " NOTAITEN.BASE_ICMS AS ITEM_BASE_ICMS, NOTAITEN.PERC_ICMS AS ITEM_PERC_ICMS,"
      " NOTAITEN.TRIB_IPI AS ITEM_TRIB_IPI, NOTAITEN.BASE_IPI AS ITEM_BASE_IPI, NOTAITEN.PERC_IPI AS "
      "ITEM_PERC_IPI,"
      " NOTAITEN.TRIB_PIS AS ITEM_TRIB_PIS, NOTAITEN.BASE_PIS AS ITEM_BASE_PIS, NOTAITEN.PERC_PIS AS "
      "ITEM_PERC_PIS,"
      " NOTAITEN.TRIB_COFINS AS ITEM_TRIB_COFINS, NOTAITEN.BASE_COFINS AS ITEM_BASE_COFINS,"
      " NOTAITEN.PERC_COFINS AS ITEM_PERC_COFINS, NOTAITEN.BASE_II AS ITEM_BASE_II, NOTAITEN.PERC_II AS "
      "ITEM_PERC_II,"
      " NOTAITEN.DESCRICAO AS ITEM_DESCRICAO, NOTAITEN.NOTA_CLIENTE AS ITEM_NOTA_CLIENTE,"
      " NOTAITEN.NATUREZA AS ITEM_NATUREZA, NOTAITEN.EMPENHO AS ITEM_EMPENHO, NOTAITEN.VOLUMES AS "
      "ITEM_VOLUMES,"
      " NOTAITEN.COR AS ITEM_COR, NOTAITEN.ORIGEM AS ITEM_ORIGEM, NOTAITEN.ORD_PED AS ITEM_ORD_PED,"
      " NOTAITEN.DESCONTO AS ITEM_DESCONTO, NOTAITEN.CHAVE_REF AS ITEM_CHAVE_REF, NOTAITEN.VAL_FCP AS "
      "ITEM_VAL_FCP,"
      " NOTAITEN.VAL_ICMS_REMET AS ITEM_VAL_ICMS_REMET, NOTAITEN.VAL_ICMS_DEST AS ITEM_VAL_ICMS_DEST,"
      " CADCOR.DESCRICAO AS ITEM_DESC_COR, TABTAM.ACRESCIMO AS ITEM_ORDTAM, PED_ITEN.OBS AS ITEM_PED_OBS,"
      " PED_ITEN.QTDE_ORIG AS ITEM_PED_QTDE_ORIG, PED_ITEN.DESC_PACK AS ITEM_PACK, CAIXA.DESCRICAO AS "
      "ITEM_DESC_EMB,"
      " CAST(0 AS INTEGER) AS ITEM_NR_ITEM, NAT_ITEN.DESCRICAO AS ITEM_DESC_NAT,"
      " NAT_ITEN.CONS_FINAL AS ITEM_NAT_CONS_FINAL, NAT_ITEN.CFOP AS ITEM_CFOP,"
      " CAST(NULL AS VARCHAR(1)) AS ITEM_COMP_BASE_ICMS, TABFIS.ICMS AS ITEM_CLA_FIS_ICMS,"
      " TABFIS.DESC_FIS AS ITEM_CLA_FIS_DESC, TABTRI.OBS AS ITEM_CLA_TRIB_OBS, TABFIS.IBPT AS "
      "ITEM_CLA_FIS_IBPT,"
      " TABFIS.CEST AS ITEM_CLA_FIS_CEST, TABFIS.UN AS ITEM_CLA_FIS_UN,"
      " COALESCE(TABFIS.IND_ESCALA, 0) AS ITEM_CLA_FIS_IND_ESCALA, TABFIS.EXTIPI AS ITEM_CLA_FIS_EXTIPI,"
      " TABFIS.ESP_FIS AS ITEM_CLA_FIS_ESP_FIS, TABTRI.DESCRICAO AS ITEM_CLA_TRIB_DESC,"
      " UNIDADE.UNIDADE AS ITEM_UNIDADE_ABV, COALESCE(TABFIS.UN, UNIDADE.UNIDADE) AS ITEM_UNI_TRIB,"
      " UNIDADE.QTDE AS ITEM_UNI_QTDE, COALESCE(CAIXA.PESO, 1) AS EMB_PESO,"
      " CLIENTE.NOME AS CLIENTE_NOME, CLIENTE.FANTASIA AS CLIENTE_FANTASIA, CLIENTE.CODCLI AS CLIENTE_CODCLI,"
      " CLIENTE.CNPJ AS CLIENTE_CNPJ, CLIENTE.ENDERECO AS CLIENTE_ENDERECO, CLIENTE.NUM_END AS "
      "CLIENTE_NUM_END,"
      " CLIENTE.COMPLEMENTO AS CLIENTE_COMPLEMENTO, CLIENTE.CEP AS CLIENTE_CEP, CLIENTE.TELEFONE AS "
      "CLIENTE_TELEFONE,"
      " CLIENTE.INSCRICAO AS CLIENTE_INSCRICAO, CLIENTE.FAX AS CLIENTE_FAX, CLIENTE.BAIRRO AS CLIENTE_BAIRRO,"
      " CLIENTE.SUFRAMA AS CLIENTE_SUFRAMA, CLIENTE.SIMPLES AS CLIENTE_SIMPLES,"
      " CLIENTE.TIPO AS CLIENTE_TIPO, CLIENTE.CNPJ_ENT AS CLIENTE_CNPJ_ENT, CLIENTE.EMAIL AS "
      "CLIENTE_EMAIL,"
      " CID_CLIENTE.COD_CID AS CLIENTE_CODMUN, CID_CLIENTE.NOME_CID AS CLIENTE_NOMCEP,"
      " CID_CLIENTE.COD_EST AS CLIENTE_ESTCEP, EST_CLIENTE.CODIGO AS CLIENTE_CODUF,"
      " EST_CLIENTE.PERC_FCP AS CLIENTE_FCP, EST_CLIENTE.ALIQ_INT AS CLIENTE_ALIQ_INT,"
      " EST_CLIENTE.ALIQUOTA AS CLIENTE_ALIQUOTA, CAST(NULL AS VARCHAR(20)) AS CLIENTE_ST_INSC_UF,"
      " CLIENTE.COD_PAIS AS CLIENTE_COD_PAIS, PAIS.NOME_PAIS AS CLIENTE_NOME_PAIS,"
      " CLIENTE.END_ENT AS CLIENTE_END_ENT, CLIENTE.CEP_ENT AS CLIENTE_CEP_ENT,"
      " CLIENTE.BAIRRO_ENT AS CLIENTE_ENT_BAIRRO, CLIENTE.NUM_ENT AS CLIENTE_ENT_NUM_ENT,"
      " CLIENTE.COMP_ENT AS CLIENTE_ENT_COMP_ENT, CID_CLIENTE_ENT.NOME_CID AS CLIENTE_ENT_NOMCEP,"
      " CID_CLIENTE_ENT.COD_EST AS CLIENTE_ENT_ESTCEP, CID_CLIENTE_ENT.COD_CID AS CLIENTE_ENT_CODMUN,"
      " CLIENTE.CNPJ_ENT AS CLIENTE_ENT_CNPJ, CLIENTE.INSC_ENT AS CLIENTE_ENT_INSC,"
      " CLIENTE.END_COB AS CLIENTE_END_COB, CLIENTE.CEP_COB AS CLIENTE_CEP_COB,"
      " CLIENTE.BAIRRO_COB AS CLIENTE_COB_BAIRRO, CID_CLIENTE_COB.NOME_CID AS CLIENTE_COB_NOMCEP,"
      " CID_CLIENTE_COB.COD_EST AS CLIENTE_COB_ESTCEP, CLIENTE.CNPJ_COB AS CLIENTE_COB_CNPJ,"
      " CLIENTE.INSC_COB AS CLIENTE_COB_INSC, CLIENTE.INSC_ST AS CLIENTE_ST_INSC,"
      " EST_EMI.PERC_FCP AS EMISSOR_EST_FCP,"
      " REPRESEN.CNPJ AS REPRESEN_CNPJ, REPRESEN.NOME AS REPRESEN_NOME, REPRESEN.CODREP AS REPRESEN_CODREP,"
      " PEDIDO.PED_CLI AS PEDIDO_PED_CLI, PEDIDO.ART_CLI AS PEDIDO_ART_CLI, PEDIDO.CONTATO AS PEDIDO_CONTATO,"
      " PEDIDO.RIS AS PEDIDO_RIS, PEDIDO.DESCONTO AS PEDIDO_DESCONTO, PEDIDO.MOEDA AS PEDIDO_MOEDA,"
      " PEDIDO.COND_PAGTO AS COND_PAGTO,"
      " TRANSP.CODIGO AS TRANSP_CODIGO, TRANSP.NOME AS TRANSP_NOME, TRANSP.CGC AS TRANSP_CGC,"
      " TRANSP.INSCRICAO AS TRANSP_INSCRICAO, TRANSP.ENDERECO AS TRANSP_ENDERECO, TRANSP.CEP AS TRANSP_CEP,"
      " TRANSP.TELEFONE AS TRANSP_TELEFONE, CID_TRANSP.NOME_CID AS TRANS_NOMCEP,"
      " CID_TRANSP.COD_EST AS TRANSP_ESTCEP,"
      " REDESP.NOME AS REDESP_NOME, REDESP.CODIGO AS REDESP_CODIGO, REDESP.CEP AS REDESP_CEP,"
      " REDESP.ENDERECO AS REDESP_ENDERECO, REDESP.BAIRRO AS REDESP_BAIRRO, REDESP.INSCRICAO AS "
      "REDESP_INSCRICAO,"
      " REDESP.CGC AS REDESP_CGC, REDESP.TELEFONE AS REDESP_TELEFONE, CID_REDESP.NOME_CID AS REDESP_NOMCEP,"
      " CID_REDESP.COD_EST AS REDESP_ESTCEP,"
      " BARRAS.BARRA AS PA_ITEN_BARRA, BARRAS.BARRACLI AS PA_ITEN_BARRACLI,"
      " PRODUTO.DESCRICAO2 AS PRODUTO_DESCRICAO2, PRODUTO.CODIGO2 AS PRODUTO_CODIGO2,"
      " PRODUTO.QTDE_EMB AS PRODUTO_QTDE_EMB, PRODUTO.COMPRI AS PRODUTO_COMPRI,"
      " PRODUTO.PESO_TALHADO AS PRODUTO_PESO, PRODUTO.DT_PRODUCAO AS PRODUTO_DT_PRODUCAO,"
      " MATERIAL.DESCRICAO2 AS MATERIAL_DESCRICAO2, MATERIAL.PESO AS MATERIAL_PESO,"
      " MATERIAL.CODIGO2 AS MATERIAL_CODIGO2,";
  // One rate per column even where several reduction rows would match: a
  // join would print the item line once per matching row.
  const std::string reducao = " FROM " + t("REDUCAO") +
                              " R WHERE R.TABFIS = NOTAITEN.CLA_FIS AND R.ESTADO = CID_CLIENTE.COD_EST"
                              " AND R.TP_OPER = NATUREZA.TIPO AND R.MOD_CALC IN ('6', '7'))";
  sql += " (SELECT MAX(R.PERC_FCP)" + reducao + " AS REDUCAO_PERC_FCP,";
  sql += " (SELECT MAX(R.ALIQ_INT)" + reducao + " AS REDUCAO_ALIQ_INT,";
  sql += " (SELECT MAX(R.ALIQ_ST)" + reducao + " AS REDUCAO_ALIQ_ST";
  sql +=
      " FROM " + t("NOTA") + " NOTA LEFT OUTER JOIN " + t("NOTAITEN") +
      " NOTAITEN ON (NOTA.FATURA = NOTAITEN.FATURA)"
      " LEFT OUTER JOIN " +
      t("PRODUTO") +
      " PRODUTO ON (NOTAITEN.CODIGO = PRODUTO.CODIGO)"
      " LEFT OUTER JOIN " +
      t("MATERIAL") +
      " MATERIAL ON (NOTAITEN.CODIGO = MATERIAL.CODIGO)"
      " LEFT OUTER JOIN " +
      t("NATUREZA") +
      " NATUREZA ON (NOTA.NATUREZA = NATUREZA.NATUREZA)"
      " LEFT OUTER JOIN " +
      t("NATUREZA") +
      " NAT_ITEN ON (NOTAITEN.NATUREZA = NAT_ITEN.NATUREZA)"
      " LEFT OUTER JOIN " +
      t("TABFIS") +
      " TABFIS ON (NOTAITEN.CLA_FIS = TABFIS.CODIGO)"
      " LEFT OUTER JOIN " +
      t("TABTRI") +
      " TABTRI ON (NOTAITEN.CLA_TRIB = TABTRI.CODIGO AND TABTRI.TIPO = 'IC')"
      " LEFT OUTER JOIN " +
      t("TABTAM") +
      " TABTAM ON (NOTAITEN.TAMANHO = TABTAM.TAM)"
      " LEFT OUTER JOIN " +
      t("ENTIDADE") +
      " CLIENTE ON (NOTA.CODCLI = CLIENTE.CODCLI)"
      " LEFT OUTER JOIN " +
      t("CADCEP") +
      " CEP_CLIENTE ON (CLIENTE.CEP = CEP_CLIENTE.CEP)"
      " LEFT OUTER JOIN " +
      t("CIDADE") +
      " CID_CLIENTE ON (CEP_CLIENTE.COD_CID = CID_CLIENTE.COD_CID)"
      " LEFT OUTER JOIN " +
      t("CADCEP") +
      " CEP_CLIENTE_ENT ON (CLIENTE.CEP_ENT = CEP_CLIENTE_ENT.CEP)"
      " LEFT OUTER JOIN " +
      t("CIDADE") +
      " CID_CLIENTE_ENT ON (CEP_CLIENTE_ENT.COD_CID = CID_CLIENTE_ENT.COD_CID)"
      " LEFT OUTER JOIN " +
      t("CADCEP") +
      " CEP_CLIENTE_COB ON (CLIENTE.CEP_COB = CEP_CLIENTE_COB.CEP)"
      " LEFT OUTER JOIN " +
      t("CIDADE") +
      " CID_CLIENTE_COB ON (CEP_CLIENTE_COB.COD_CID = CID_CLIENTE_COB.COD_CID)"
      " LEFT OUTER JOIN " +
      t("TABUF") +
      " EST_CLIENTE ON (CID_CLIENTE.COD_EST = EST_CLIENTE.SIGLA_EST)"
      " LEFT OUTER JOIN " +
      t("TABUF") +
      " EST_EMI ON (EST_EMI.SIGLA_EST = :UF_EMI)"
      " LEFT OUTER JOIN " +
      t("TABTRAN") +
      " TRANSP ON (NOTA.TRANSPORT = TRANSP.CODIGO)"
      " LEFT OUTER JOIN " +
      t("CADCEP") +
      " CEP_TRANSP ON (TRANSP.CEP = CEP_TRANSP.CEP)"
      " LEFT OUTER JOIN " +
      t("CIDADE") +
      " CID_TRANSP ON (CEP_TRANSP.COD_CID = CID_TRANSP.COD_CID)"
      " LEFT OUTER JOIN " +
      t("TABTRAN") +
      " REDESP ON (NOTA.REDESP = REDESP.CODIGO)"
      " LEFT OUTER JOIN " +
      t("CADCEP") +
      " CEP_REDESP ON (REDESP.CEP = CEP_REDESP.CEP)"
      " LEFT OUTER JOIN " +
      t("CIDADE") +
      " CID_REDESP ON (CEP_REDESP.COD_CID = CID_REDESP.COD_CID)"
      " LEFT OUTER JOIN " +
      t("PEDIDO") +
      " PEDIDO ON (NOTAITEN.PEDIDO = PEDIDO.NUMERO)"
      " LEFT OUTER JOIN " +
      t("REPRESEN") +
      " REPRESEN ON (NOTA.CODREP = REPRESEN.CODREP)"
      " LEFT OUTER JOIN " +
      t("PAIS") +
      " PAIS ON (CLIENTE.COD_PAIS = PAIS.COD_PAIS)"
      " LEFT OUTER JOIN (SELECT CODIGO, COR, TAM, MAX(BARRA) AS BARRA, MAX(BARRACLI) AS BARRACLI FROM " +
      t("PA_ITEN") +
      " WHERE TIPO = '1' GROUP BY CODIGO, COR, TAM) BARRAS ON (NOTAITEN.TIPO_IT = 'P'"
      " AND BARRAS.CODIGO = NOTAITEN.CODIGO AND BARRAS.COR = NOTAITEN.COR AND BARRAS.TAM = NOTAITEN.TAMANHO)"
      " LEFT OUTER JOIN " +
      t("PED_ITEN") +
      " PED_ITEN ON (PED_ITEN.NUMERO = NOTAITEN.PEDIDO AND PED_ITEN.CODIGO = NOTAITEN.CODIGO"
      " AND PED_ITEN.COR = NOTAITEN.COR AND PED_ITEN.TAM = NOTAITEN.TAMANHO AND PED_ITEN.ORDEM = "
      "NOTAITEN.ORD_PED)"
      " LEFT OUTER JOIN " +
      t("CADCOR") +
      " CADCOR ON (NOTAITEN.COR = CADCOR.COR)"
      " LEFT OUTER JOIN " +
      t("CAIXA") +
      " CAIXA ON (PED_ITEN.EMBALAGEM = CAIXA.CODIGO)"
      " LEFT OUTER JOIN " +
      t("UNIDADE") +
      " UNIDADE ON (NOTAITEN.UNIDADE = UNIDADE.UNIDADE)"
      " WHERE NOTA.FATURA = :FATURA ORDER BY NOTAITEN.EMPENHO, ";
  sql += ordem == NotaOrdem::by_order ? "NOTAITEN.ORDEM, NOTAITEN.CODIGO, NOTAITEN.COR, TABTAM.ACRESCIMO"
                                      : "NOTAITEN.CODIGO, NOTAITEN.ORDEM, NOTAITEN.COR, TABTAM.ACRESCIMO";
  return sql;
}

// The text of a column of the current row, without surrounding blanks.
std::string text(const TClientDataSet& row, std::string_view name) {
  return Trim(std::string(const_cast<TClientDataSet&>(row).FieldByName(name).AsString));
}

// The number of a column of the current row (null reads 0).
double number(const TClientDataSet& row, std::string_view name) {
  return const_cast<TClientDataSet&>(row).FieldByName(name).AsFloat;
}

// The dataset's columns: the statement's, with their types, then the added ones.
void define_fields(TTIQuery& q, TClientDataSet& cds) {
  cds.Close();
  cds.FieldDefs.Clear();
  for (int i = 0; i < q.FieldCount(); ++i) {
    TTIField& f = q.Fields(i);
    TFieldType type = f.DataType();
    if (f.FieldName() == "ITEM_QTDE" || f.FieldName() == "ITEM_QTDE_TRIB" ||
        f.FieldName() == "ITEM_VOLUMES") {
      type = TFieldType::ftFloat;  // merged lines add fractions
    }
    cds.FieldDefs.Add(f.FieldName(), type, f.Size());
  }
  for (const char* name : kAddedTexts) cds.FieldDefs.Add(name, TFieldType::ftString, 500);
  cds.FieldDefs.Add("ITEM_VAL_ICMS", TFieldType::ftFloat);
  cds.CreateDataSet();
}

}  // namespace

std::string nota_item_key(const TClientDataSet& row) {
  std::string key;
  for (const char* name :
       {"ITEM_ORDEM", "ITEM_CODIGO", "ITEM_COR", "ITEM_TAMANHO", "ITEM_DESCRICAO", "ITEM_PEDIDO",
        "ITEM_NOTA_CLIENTE", "ITEM_PERC_ICMS", "ITEM_PERC_IPI", "ITEM_LOTE", "ITEM_PACK"}) {
    key += text(row, name);
    key += ';';
  }
  return key;
}

std::string nota_item_descricao(const TClientDataSet& row) {
  std::string result = text(row, "ITEM_DESCRICAO");
  const auto add = [&result](const std::string& separator, const std::string& part) {
    if (!part.empty()) result += separator + part;
  };
  const std::string tipo = text(row, "ITEM_TIPO_IT");
  if (tipo == "P") add(" ", text(row, "PRODUTO_DESCRICAO2"));
  if (tipo == "M") add(" ", text(row, "MATERIAL_DESCRICAO2"));
  const std::string cor = text(row, "ITEM_COR");
  const std::string desc_cor = text(row, "ITEM_DESC_COR");
  add(" - Cor: ", desc_cor.empty() ? cor : (cor.empty() ? desc_cor : cor + "-" + desc_cor));
  add(" - Tam: ", text(row, "ITEM_TAMANHO"));
  add(" - Lote: ", text(row, "ITEM_LOTE"));
  add(" - ", text(row, "ITEM_PACK"));
  const std::string emb = text(row, "ITEM_DESC_EMB");
  if (!emb.empty()) {
    // A package weight of 0 would divide by zero: no count is printed then.
    const double pacotes = divide_or_zero(number(row, "ITEM_QTDE"), number(row, "EMB_PESO"));
    add(" - ", pacotes > 0 ? FormatFloat("#,##0.00", pacotes) + " " + emb : emb);
  }
  add(" - ", text(row, "ITEM_PED_OBS"));
  return result;
}

std::string nota_item_codigo(const TClientDataSet& row) {
  if (text(row, "NOTA_TIPFAT") == "2") {
    const std::string tipo = text(row, "ITEM_TIPO_IT");
    const std::string segundo = tipo == "P"   ? text(row, "PRODUTO_CODIGO2")
                                : tipo == "M" ? text(row, "MATERIAL_CODIGO2")
                                              : std::string();
    if (!segundo.empty()) return segundo;
  }
  return text(row, "ITEM_CODIGO");
}

int MontaDataSetNota(TTIQuery& Query, TClientDataSet& cdsNota, std::string_view Fatura, NotaOrdem Ordem) {
  Query.Close();
  Query.SQL.Clear();
  // A number longer than NOTA.FATURA names no invoice: the statement still
  // runs, for its columns, but selects nothing (binding it would be refused).
  const bool may_exist = Length(Fatura) <= kFaturaWidth;
  Query.SQL.Add(nota_statement(Ordem, may_exist));
  if (may_exist) Query.ParamByName("FATURA").AsString = std::string(Fatura);
  Query.ParamByName("UF_EMI").AsString = Tabela.company.state;
  Query.Open();
  define_fields(Query, cdsNota);
  std::map<std::string, int> rows_by_key;  // key -> 1-based record number
  int nr_item = 0;
  for (Query.First(); !Query.Eof(); Query.Next()) {
    // Copy first, so that the key reads the row as the dataset holds it.
    cdsNota.Append();
    for (int i = 0; i < Query.FieldCount(); ++i) cdsNota.Fields(i).Value = Query.Fields(i).Value;
    const bool has_item = !Query.FieldByName("ITEM_CODIGO").IsNull();
    const std::string key = nota_item_key(cdsNota);
    const auto found = has_item ? rows_by_key.find(key) : rows_by_key.end();
    if (found != rows_by_key.end()) {
      std::vector<double> amounts, quantities;
      for (const char* name : kAddedAmounts) amounts.push_back(number(cdsNota, name));
      for (const char* name : kAddedQuantities) quantities.push_back(number(cdsNota, name));
      cdsNota.Cancel();
      cdsNota.RecNo = found->second;
      cdsNota.Edit();
      for (size_t i = 0; i < amounts.size(); ++i) {
        TField& f = cdsNota.FieldByName(kAddedAmounts[i]);
        f.AsFloat = to_cents(f.AsFloat + amounts[i]);
      }
      for (size_t i = 0; i < quantities.size(); ++i) {
        TField& f = cdsNota.FieldByName(kAddedQuantities[i]);
        f.AsFloat = f.AsFloat + quantities[i];
      }
    } else {
      if (has_item) {
        cdsNota.FieldByName("ITEM_NR_ITEM").AsInteger = ++nr_item;
        cdsNota.FieldByName("ITEM_DESCRICAO2").AsString = nota_item_descricao(cdsNota);
        cdsNota.FieldByName("ITEM_CODIGO2").AsString = nota_item_codigo(cdsNota);
        cdsNota.FieldByName("ITEM_CODIGO_ORIG").AsString = text(cdsNota, "ITEM_CODIGO");
        cdsNota.FieldByName("ITEM_BARRA").AsString = text(cdsNota, "PA_ITEN_BARRA");
        cdsNota.FieldByName("ITEM_BARRACLI").AsString = text(cdsNota, "PA_ITEN_BARRACLI");
        cdsNota.FieldByName("ITEN_INSTRUCAO").AsString = text(cdsNota, "ITEM_PED_OBS");
      }
      cdsNota.FieldByName("PEDIDO_COND_PAGTO").AsString = text(cdsNota, "COND_PAGTO");
    }
    cdsNota.FieldByName("ITEM_VAL_ICMS").AsFloat =
        to_cents(number(cdsNota, "ITEM_BASE_ICMS") * number(cdsNota, "ITEM_PERC_ICMS") / 100);
    cdsNota.Post();
    if (has_item && found == rows_by_key.end()) rows_by_key.emplace(key, cdsNota.RecordCount());
  }
  cdsNota.First();
  return cdsNota.RecordCount();
}

}  // namespace zpk
