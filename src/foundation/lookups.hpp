// The query conventions every routine of the library follows (physical table
// names per company, quoted literals, key lists separated by ";") and the
// small look-ups the other units call: existence tests, a column by key,
// company parameters, and a statement repeated over every company.
#pragma once

#include <string>
#include <string_view>

#include "platform/db/database.hpp"
#include "platform/db/table.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk {

// The text between single quotes. Quotes inside are not doubled: callers that
// may pass them remove or double them first (QuotedStr doubles them).
std::string Aspas(std::string_view S);

// " 1=1 " followed by " and FIELD = VALUE" for each field of the ";"-list
// Campos and the value at the same position of Valores (" like " when the
// value holds "%"). Values are SQL written by the caller, used unchanged.
// Raises EZpkError when Valores has fewer items than Campos.
std::string Cria_Where(std::string_view Campos, std::string_view Valores);

// The physical name of a logical table: the mapped name of a shared table,
// else the name followed by the current company's suffix; with vEmpresa_Atual
// set, the name followed by vEmpresa_Atual in every case. Flag is not used.
std::string DBLocal(std::string_view NomeTabela, bool Flag = false);

// The statement with every "{NAME}" replaced by NAME's physical table name
// (the current company's suffix, or the mapped name); an empty "{}" becomes
// Padrao when one is given, else the current suffix alone.
std::string DBLocal_SQL(std::string_view SQL, std::string_view Padrao = "");

// True when a row of DBLocal(NomeTabela) matches Cria_Where(Campos, Valores);
// "," in both lists counts as ";". False without a query when Valores holds
// nothing but quotes and blanks. Database nullptr: Tabela.IBDatabase. Raises
// EDatabaseError.
bool Existe(std::string_view NomeTabela, std::string_view Campos, std::string_view Valores,
            TTIDatabase* Database = nullptr);

// The column Retorno of the first row of the table where Campos = Valores
// (";"-lists, values quoted by the caller): its value with its own type (a
// text BLOB as text), unassigned when NULL, "" when no row matches or Valores
// is blank. With several columns in Retorno ("," or ";"), an array of their
// values, or two unassigned items when no row matches. Local: the name is
// logical and goes through DBLocal; otherwise it is used as given. Reservado
// has no effect. Raises EDatabaseError.
Variant Busca_Valor(std::string_view NomeTabela, std::string_view Campos, std::string_view Retorno,
                    std::string_view Valores, bool Reservado = false, bool Local = false);

// Campo of every row of DBLocal(NomeTabela) whose Chave is in Valores, joined
// by ", " ("" when Valores is blank). A Valores without quotes is a ","-list
// of plain values, each trimmed and quoted here. Raises EDatabaseError.
std::string BuscaDescricao(std::string_view NomeTabela, std::string_view Campo, std::string_view Chave,
                           std::string_view Valores);

// The current company's parameter Codigo of group Tipo (EMP_PARAM.VALOR). A
// missing parameter is shown in a warning box and gives " ". Raises EDatabaseError.
std::string BuscaParametro(std::string_view Tipo, int Codigo);

// The statement (with "{NAME}" placeholders) once per company, joined by
// "UNION ALL" lines: every company, or with SomenteAcesso those the user
// vUsuario may open. When NomeTabela is a shared (mapped) table, the statement
// once. The company list and Tabela.SufixoEmpresa are left as they were.
// Raises EDatabaseError.
std::string UnionTodasEmpresas(std::string_view SQL, std::string_view NomeTabela = "",
                               bool SomenteAcesso = false);

// Shows the customer's observations (OBS of ENTIDADE) in a warning box when
// there are any. Raises EDatabaseError.
void ObsCliente(std::string_view CodCli);

// Runs the table's statement again and goes back to the same record number
// (the last one when fewer rows come back). Raises EDatabaseError.
void ExecutaRefresh(TTITable& Table);

}  // namespace zpk
