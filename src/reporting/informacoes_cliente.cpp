// The customer information pages: one statement per page written with
// {TABLE} placeholders and '{}' for the company, expanded for one company or
// repeated over every company the user may open.
#include "reporting/informacoes_cliente.hpp"

#include <string>

#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

// The open amount of a receivable title of alias `r`.
std::string saldo(const std::string& r) {
  return "(" + r + ".VALOR2 + " + r + ".JUROS - " + r + ".VALOR_PAGO - " + r + ".DESCONTO - " + r +
         ".VAL_DEV)";
}

// The latest payment row of title `r` (alias `b`), joined on its highest SEQ.
std::string ultimo_pagamento(const std::string& r, const std::string& b) {
  return "LEFT JOIN {RECEBERB} " + b + " ON (" + b + ".NUMERO = " + r + ".NUMERO AND " + b +
         ".SEQ = (SELECT MAX(X.SEQ) FROM {RECEBERB} X WHERE X.NUMERO = " + r + ".NUMERO))\n";
}

std::string titulos(int Abertos, int Ordem) {
  std::string sql =
      "SELECT R.TIPO, R.NUMERO, R.DT_VENCTO, R.DT_EMISSAO, R.VALOR2, R.VALOR, R.JUROS, R.DESCONTO,\n"
      " R.VALOR_PAGO, R.VAL_DEV, R.BANCO, R.SITUACAO, S.DESCRICAO AS DESC_SITUACAO, R.CODREP, R.CODREP2,\n"
      " R.COM1, R.COM2, R.FATURA, R.PEDIDO, R.PESOL, R.PESOB, R.STATUS,\n"
      " B.DT_PAGTO, B.JUROS AS JUROS_PAGTO, B.VALOR_PAGO AS PAGO, B.VAL_DEV AS DEVOLVIDO,\n"
      " B.DESCONTO AS DESCONTO_PAGTO, B.HISTORICO, H.DESCRICAO AS DESC_HISTORICO, BO.CONTA AS CONTA_COB,\n"
      " CASE WHEN R.VALOR_PAGO > 0 THEN R.DT_VENCTO - B.DT_PAGTO ELSE R.DT_VENCTO - CAST(:HOJE AS DATE) END"
      " AS DIAS,\n " +
      saldo("R") +
      " AS SALDO,\n"
      " (SELECT COUNT(*) FROM {RECEBERB} C WHERE C.NUMERO = R.NUMERO) AS NUM_PARC, '{}' AS EMPRESA\n"
      "FROM {RECEBER} R\n" +
      ultimo_pagamento("R", "B") +
      "LEFT JOIN {TABSIT} S ON (S.CODIGO = R.SITUACAO)\n"
      "LEFT JOIN {HISTCP} H ON (H.HISTORICO = B.HISTORICO)\n"
      "LEFT JOIN {BORDERO} BO ON (BO.NUMERO = R.BORDERO AND BO.TIPO = 'R')\n"
      "WHERE R.CODCLI = :CODCLI AND R.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM AND R.STATUS = 'N'";
  if (Abertos == 0) sql += " AND " + saldo("R") + " > 0";
  (void)Ordem;
  return sql;
}

std::string ordem_titulos(int Ordem) {
  switch (Ordem) {
    case 1:
      return "ORDER BY 3, 2";
    case 2:
      return "ORDER BY 4, 2";
    default:
      return "ORDER BY 2, 3";
  }
}

// Sum of the open amount of the customer's titles matching `where`.
std::string aberto(const std::string& where) {
  return "(SELECT COALESCE(SUM(" + saldo("T") + "), 0) FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND " +
         where + ")";
}

// The days between due date and latest payment of the titles paid late:
// `funcao` (AVG or MAX) over the titles of `quem` issued in the period.
std::string atraso(const char* funcao, const std::string& quem) {
  return std::string("(SELECT COALESCE(") + funcao +
         "(P.DT_PAGTO - T.DT_VENCTO), 0) FROM {RECEBER} T\n"
         "  INNER JOIN {RECEBERB} P ON (P.NUMERO = T.NUMERO AND P.SEQ = (SELECT MAX(X.SEQ) FROM {RECEBERB} X"
         " WHERE X.NUMERO = T.NUMERO))\n"
         "  WHERE " +
         quem +
         " AND T.STATUS = 'N' AND T.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM"
         " AND P.DT_PAGTO > T.DT_VENCTO)";
}

// Order value of the orders of `quem` issued in the period: what is still
// pending, or everything ordered and not cancelled.
std::string pedidos(const std::string& quem, int Abertos) {
  const char* qtde = Abertos == 0 ? "I.QTDE" : "(I.QTDE + I.QTDE_F)";
  return std::string("(SELECT CAST(COALESCE(SUM(") + qtde +
         " * I.PRECO), 0) AS NUMERIC(18,2)) FROM {PEDIDO} PD INNER JOIN {PED_ITEN} I ON (I.NUMERO = "
         "PD.NUMERO)"
         " WHERE " +
         quem + " AND PD.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM)";
}

std::string estatistica(int Abertos, bool grupo_com_cheques) {
  const std::string no_grupo = "T.CODCLI IN (SELECT G2.CODCLI FROM {ENTIDADE} G2 WHERE G2.GRUPO = E.GRUPO)";
  const std::string status_grupo = grupo_com_cheques ? "T.STATUS IN ('N', 'CH', 'CD')" : "T.STATUS = 'N'";
  return "SELECT E.CODCLI, E.NOME, E.MAIOR_ACUMULO, E.DATA_ACUMULO, E.MAIOR_FAT, E.DT_MAIOR_FAT,\n"
         " " +
         aberto("T.STATUS = 'N' AND T.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM") +
         " AS EM_ABERTO,\n"
         " E.ULTIMO_FAT, E.DT_ULTIMO_FAT, CAST(:ULTIMA_NOTA AS VARCHAR(20)) AS ULTIMA_NOTA,\n"
         " CAST(:MAIOR_TITULO AS VARCHAR(20)) AS MAIOR_TITULO,\n"
         " (SELECT FIRST 1 T.VALOR2 FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND T.STATUS = 'N'"
         " ORDER BY T.DT_EMISSAO DESC, T.NUMERO DESC) AS ULTIMO_TITULO,\n"
         " (SELECT MAX(T.DT_EMISSAO) FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND T.STATUS = 'N')"
         " AS DT_ULTIMO_TITULO,\n"
         " " +
         aberto("T.STATUS = 'N' AND T.DT_VENCTO < :HOJE") +
         " AS VENCIDO,\n"
         " " +
         aberto("T.STATUS = 'N' AND T.DT_VENCTO >= :HOJE") +
         " AS A_VENCER,\n"
         " (SELECT COALESCE(SUM(T.VALOR2), 0) FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND T.STATUS = 'N'"
         " AND T.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM) AS TOTAL_TITULOS,\n"
         " (SELECT FIRST 1 T.VALOR2 FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND T.SITUACAO = 'DV'"
         " ORDER BY T.DT_STATUS DESC, T.NUMERO DESC) AS ULTIMA_DEVOLUCAO,\n"
         " (SELECT MAX(T.DT_STATUS) FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND T.SITUACAO = 'DV')"
         " AS DT_ULTIMA_DEVOLUCAO,\n"
         " (SELECT COALESCE(SUM(T.VALOR2), 0) FROM {RECEBER} T WHERE T.CODCLI = E.CODCLI AND T.SITUACAO = "
         "'DV')"
         " AS TOTAL_DEVOLUCOES,\n"
         " (SELECT COUNT(*) FROM {NOTA} N WHERE N.CODCLI = E.CODCLI AND N.DT_EMISSAO BETWEEN :DATAINI AND"
         " :DATAFIM) AS NUM_NOTAS,\n"
         " E.CREDITO, E.GRUPO, G.ANALISE,\n"
         " (SELECT COALESCE(SUM(C.VALOR), 0) FROM {CHEQUE_PRE} C WHERE C.CODCLI = E.CODCLI AND C.STATUS = "
         "'P')"
         " AS CHEQUES_A_VENCER,\n"
         " " +
         atraso("AVG", "T.CODCLI = E.CODCLI") +
         " AS MEDIA_ATRASO,\n"
         " " +
         atraso("MAX", "T.CODCLI = E.CODCLI") +
         " AS MAIOR_ATRASO,\n"
         " " +
         pedidos("PD.CODCLI = E.CODCLI", Abertos) +
         " AS VALOR_PEDIDOS,\n"
         " " +
         aberto("T.STATUS = 'CH'") +
         " AS CHEQUES_ABERTOS,\n"
         " " +
         aberto("T.STATUS = 'CD'") +
         " AS CHEQUES_DEVOLVIDOS,\n"
         " " +
         aberto("T.STATUS = 'A'") +
         " AS ANTECIPACOES,\n"
         " " +
         aberto("T.SITUACAO = 'DV'") +
         " AS DEVOLUCOES_ABERTAS,\n"
         " CASE WHEN G.ANALISE = 'S' THEN (SELECT COALESCE(SUM(" +
         saldo("T") + "), 0) FROM {RECEBER} T WHERE " + no_grupo + " AND " + status_grupo +
         ") ELSE 0 END AS GRUPO_ABERTO,\n"
         " CASE WHEN G.ANALISE = 'S' THEN " +
         pedidos("PD.CODCLI IN (SELECT G2.CODCLI FROM {ENTIDADE} G2 WHERE G2.GRUPO = E.GRUPO)", Abertos) +
         " ELSE 0 END AS GRUPO_PEDIDOS,\n"
         " CASE WHEN G.ANALISE = 'S' THEN " +
         atraso("AVG", no_grupo) +
         " ELSE 0 END AS GRUPO_MEDIA_ATRASO,\n"
         " '{}' AS EMPRESA\n"
         "FROM {ENTIDADE} E LEFT JOIN {GRUPO_CLI} G ON (G.CODIGO = E.GRUPO)\n"
         "WHERE E.CODCLI = :CODCLI";
}

std::string pedidos_cliente(int Abertos, int Ordem) {
  // Sums per order through sub-selects: the notes are a BLOB, which a GROUP BY cannot carry.
  auto soma = [](const char* expr) {
    return std::string("(SELECT COALESCE(SUM(") + expr + "), 0) FROM {PED_ITEN} I WHERE I.NUMERO = P.NUMERO)";
  };
  std::string sql =
      "SELECT P.NUMERO, P.CODREP, REP.NOME AS NOME_REP, P.PGTO, P.COND_PAGTO, P.PER_DESC, P.DESCONTO,\n"
      " P.DT_EMISSAO, P.ENTREGA, P.DT_FATURA, P.TAB_PRE, RG.DESCRICAO AS DESC_TABELA,\n"
      " " +
      soma("(I.QTDE + I.QTDE_F) * I.PRECO") +
      " AS TOTAL,\n"
      " " +
      soma("I.QTDE") +
      " AS QTDE_PENDENTE,\n"
      " " +
      soma("I.QTDE * I.PRECO") +
      " AS VALOR_PENDENTE,\n"
      " " +
      soma("I.QTDE_F") +
      " AS QTDE_FATURADA,\n"
      " " +
      soma("I.QTDE_F * I.PRECO") +
      " AS VALOR_FATURADO,\n"
      " " +
      soma("I.QTDE_CANC") +
      " AS QTDE_CANCELADA,\n"
      " " +
      soma("I.QTDE_CANC * I.PRECO") +
      " AS VALOR_CANCELADO,\n"
      " CAST(SUBSTRING(P.OBS FROM 1 FOR 4000) AS VARCHAR(4000)) AS OBS, '{}' AS EMPRESA\n"
      "FROM {PEDIDO} P\n"
      "LEFT JOIN {REPRESEN} REP ON (REP.CODREP = P.CODREP)\n"
      "LEFT JOIN {REGIAO} RG ON (RG.CODIGO = P.TAB_PRE)\n"
      "WHERE P.CODCLI = :CODCLI AND P.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM";
  if (Abertos == 0) sql += " AND " + soma("I.QTDE") + " > 0";
  (void)Ordem;
  return sql;
}

std::string notas() {
  return "SELECT N.DT_EMISSAO, N.FATURA, N.SERIE, N.VALOR AS VALOR_NOTA, N.VAL_ICMS, N.VAL_PIS, "
         "N.VAL_COFINS,\n"
         " N.TRANSPORT, N.REDESP, I.VOLUMES, I.CODIGO AS PRODUTO, I.DESCRICAO, I.UNIDADE, I.PRECO, I.COR,\n"
         " CR.DESCRICAO AS DESC_COR, I.TAMANHO, I.QTDE, I.VALOR, I.PEDIDO, PI.QTDE_ORIG, PI.EMBALAGEM,\n"
         " PI.DESC_PACK, PI.PERC_COMISSAO, PR.MARCA, PE.COND_PAGTO,\n"
         " (SELECT FIRST 1 T.DT_VENCTO - T.DT_EMISSAO FROM {RECEBER} T WHERE T.FATURA = N.FATURA"
         " AND T.STATUS = 'N' ORDER BY T.DT_VENCTO) AS PRAZO, '{}' AS EMPRESA\n"
         "FROM {NOTA} N INNER JOIN {NOTAITEN} I ON (I.FATURA = N.FATURA)\n"
         "LEFT JOIN {PRODUTO} PR ON (PR.CODIGO = I.CODIGO AND I.TIPO_IT = 'P')\n"
         "LEFT JOIN {CADCOR} CR ON (CR.COR = I.COR)\n"
         "LEFT JOIN {PED_ITEN} PI ON (PI.NUMERO = I.PEDIDO AND PI.ORDEM = I.ORD_PED)\n"
         "LEFT JOIN {PEDIDO} PE ON (PE.NUMERO = I.PEDIDO)\n"
         "WHERE N.CODCLI = :CODCLI AND N.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM AND I.EMPENHO = 'N'";
}

std::string contatos() {
  return "SELECT C.CODIGO, C.DATA, C.HORA, C.CODCLI, E.NOME, C.CONTATO, C.MOTIVO, M.DESCRICAO AS "
         "DESC_MOTIVO,\n"
         " C.OBS, C.USUARIO, '{}' AS EMPRESA\n"
         "FROM {CONTATO_MOV} C LEFT JOIN {ENTIDADE} E ON (E.CODCLI = C.CODCLI)\n"
         "LEFT JOIN {MENSAGEM} M ON (M.CODMEN = C.MOTIVO)\n"
         "WHERE C.DATA BETWEEN :DATAINI AND :DATAFIM AND C.CODCLI = :CODCLI";
}

std::string cheques(int Abertos) {
  std::string sql =
      "SELECT R.BANCO_CH, R.DT_EMISSAO, R.DT_VENCTO, R.NUMERO_CH, R.NUMERO, R.CONTA_CH, R.EMISSOR_CH,\n"
      " R.AGENCIA_CH, R.VALOR2, R.OBS, R.TIPO, R.STATUS, " +
      saldo("R") +
      " AS SALDO, '{}' AS EMPRESA\n"
      "FROM {RECEBER} R\n"
      "WHERE R.CODCLI = :CODCLI AND R.DT_EMISSAO BETWEEN :DATAINI AND :DATAFIM AND R.STATUS IN ('CH', 'CD')";
  if (Abertos == 0) sql += " AND " + saldo("R") + " > 0";
  return sql;
}

std::string ordem_cheques(int Ordem) {
  switch (Ordem) {
    case 1:
      return "ORDER BY 3";
    case 2:
      return "ORDER BY 2";
    default:
      return "ORDER BY 5";
  }
}

std::string varejo() {
  return "SELECT V.CODIGO, V.CODCLI, E.NOME, V.CODREP, REP.NOME AS NOME_REP, V.DATA, V.HORA, V.TIPO, "
         "V.VALOR,\n"
         " V.DESCONTO, V.VALOR_BRUTO, V.FECHADA, V.CANCELADA, V.ORCAMENTO, V.DEVOLUCAO, V.TROCA, V.CUPOM,\n"
         " V.TAB_PRE, RG.DESCRICAO AS DESC_TABELA,\n"
         " (SELECT COALESCE(SUM(I.QTDE), 0) FROM {ITVENDA} I WHERE I.CODIGO = V.CODIGO) AS QTDE_TOTAL,\n"
         " '{}' AS EMPRESA\n"
         "FROM {VENDA} V LEFT JOIN {ENTIDADE} E ON (E.CODCLI = V.CODCLI)\n"
         "LEFT JOIN {REPRESEN} REP ON (REP.CODREP = V.CODREP)\n"
         "LEFT JOIN {REGIAO} RG ON (RG.CODIGO = V.TAB_PRE)\n"
         "WHERE V.CODCLI = :CODCLI AND V.DATA BETWEEN :DATAINI AND :DATAFIM";
}

// The statement for the current company, or repeated over every company the
// user may open; `tabela` names the table that decides whether it is shared.
std::string expandir(const std::string& sql, bool TodasEmpresas, const char* tabela) {
  return TodasEmpresas ? UnionTodasEmpresas(sql, tabela, true) : DBLocal_SQL(sql);
}

// Binds what a page's statement names; a parameter it lacks is skipped.
void bind(TTIQuery& q, const std::string& codcli, TDateTime ini, TDateTime fim) {
  if (TParam* p = q.FindParam("CODCLI")) p->AsString = codcli;
  if (TParam* p = q.FindParam("DATAINI")) p->AsDate = ini;
  if (TParam* p = q.FindParam("DATAFIM")) p->AsDate = fim;
  if (TParam* p = q.FindParam("HOJE")) p->AsDate = Date();
}

// Opens the page. A customer code longer than its column is compared as
// NULL, which matches nothing, instead of failing as a truncation.
void abrir(TTIQuery& q) {
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    q.ParamByName("CODCLI").Clear();
    q.Open();
  }
}

// The last row's `coluna` of a look-up over the customer's titles.
// The order follows the union of the companies' rows.
std::string ultima_linha(const std::string& sql, const char* ordem, const char* coluna, bool TodasEmpresas,
                         const std::string& codcli, TDateTime ini, TDateTime fim) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = expandir(sql, TodasEmpresas, "RECEBER") + "\n" + ordem;
  bind(q, codcli, ini, fim);
  abrir(q);
  if (q.IsEmpty()) return {};
  q.Last();
  return q.FieldByName(coluna).AsString();
}

}  // namespace

void BuscaInformacoesEstatisticas(TTIQuery& Query, TOpcaoInfEst Opcao, TDateTime DataIni, TDateTime DataFim,
                                  std::string_view CodCli, int Abertos, int Ordem, bool TodasEmpresas) {
  const std::string codcli(CodCli);
  std::string sql;
  std::string ordem;
  const char* tabela = "RECEBER";
  std::string maior_titulo, ultima_nota;
  switch (Opcao) {
    case TOpcaoInfEst::TpieTitulo:
      sql = titulos(Abertos, Ordem);
      ordem = ordem_titulos(Ordem);
      break;
    case TOpcaoInfEst::TpieEstatistica:
      // The title of largest amount and the number of the latest invoice.
      maior_titulo =
          ultima_linha("SELECT VALOR, NUMERO FROM {RECEBER} WHERE CODCLI = :CODCLI AND STATUS = 'N'",
                       "ORDER BY 1", "NUMERO", TodasEmpresas, codcli, DataIni, DataFim);
      ultima_nota = ultima_linha(
          "SELECT MAX(NUMERO) AS NUMERO, DT_EMISSAO FROM {RECEBER} WHERE CODCLI = :CODCLI AND DT_EMISSAO"
          " BETWEEN :DATAINI AND :DATAFIM AND STATUS = 'N' GROUP BY DT_EMISSAO",
          "ORDER BY 2", "NUMERO", TodasEmpresas, codcli, DataIni, DataFim);
      sql = estatistica(Abertos, Trim(BuscaParametro("FIN", 130)) != "N");
      tabela = "ENTIDADE";
      break;
    case TOpcaoInfEst::TpiePedido:
      sql = pedidos_cliente(Abertos, Ordem);
      ordem = Ordem == 3 ? "ORDER BY 9 DESC" : "ORDER BY 8 DESC";
      tabela = "PEDIDO";
      break;
    case TOpcaoInfEst::TpieNotaFiscal:
      sql = notas();
      ordem = "ORDER BY 1 DESC, 2, 11";
      tabela = "NOTA";
      break;
    case TOpcaoInfEst::TpieContato:
      sql = contatos();
      tabela = "CONTATO_MOV";
      break;
    case TOpcaoInfEst::TpieCheque:
      sql = cheques(Abertos);
      ordem = ordem_cheques(Ordem);
      break;
    case TOpcaoInfEst::TpieVarejo:
      sql = varejo();
      ordem = Ordem == 2 ? "ORDER BY 6" : "ORDER BY 1";
      tabela = "VENDA";
      break;
  }
  Query.Close();
  Query.SQL.Clear();
  Query.SQL.Text = expandir(sql, TodasEmpresas, tabela) + (ordem.empty() ? "" : "\n" + ordem);
  bind(Query, codcli, DataIni, DataFim);
  if (TParam* p = Query.FindParam("MAIOR_TITULO")) p->AsString = maior_titulo;
  if (TParam* p = Query.FindParam("ULTIMA_NOTA")) p->AsString = ultima_nota;
  abrir(Query);
}

}  // namespace zpk
