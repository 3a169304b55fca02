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

// Valores of the look-ups below are SQL literals written by the caller, as
// the screens build them with Aspas: a quoted text (inner quotes doubled), a
// number, NULL or a date literal (DATE '2025-01-31'), separated by ";" (a
// separator inside a quoted text belongs to the text). Anything else raises
// EZpkError naming the routine and the value before anything runs, so no
// caller's text can change a statement. The look-ups bind each value as a
// parameter typed as its literal: it compares as the literal written in would.

// " 1=1 " followed by " and FIELD = VALUE" for each field of the ";"-list
// Campos and the value at the same position of Valores (" like " when the
// value holds "%"). This clause is text for the caller's own statement, so
// each value is checked to be a literal and written as it stands. Raises
// EZpkError when a value is no literal or Valores has fewer than Campos.
std::string Cria_Where(std::string_view Campos, std::string_view Valores);

// The physical name of a logical table: the mapped name of a shared table,
// else the name followed by the current company's suffix; with vEmpresa_Atual
// set, the name followed by vEmpresa_Atual in every case. Flag is not used.
std::string DBLocal(std::string_view NomeTabela, bool Flag = false);

// The statement with every "{NAME}" replaced by NAME's physical table name
// (the current company's suffix, or the mapped name); an empty "{}" becomes
// Padrao when one is given, else the current suffix alone.
std::string DBLocal_SQL(std::string_view SQL, std::string_view Padrao = "");

// True when a row of DBLocal(NomeTabela) matches Campos = Valores, the
// values bound; "," in both lists counts as ";" (outside quoted texts: an
// unquoted "1,5" is two values). False without a query when Valores holds
// nothing but quotes and blanks. Database nullptr: Tabela.IBDatabase. Raises
// EZpkError for a value that is no literal, EDatabaseError.
bool Existe(std::string_view NomeTabela, std::string_view Campos, std::string_view Valores,
            TTIDatabase* Database = nullptr);

// The column Retorno of the first row of the table where Campos = Valores
// (";"-lists, the values bound): its value with its own type (a text BLOB as
// text), unassigned when NULL, "" when no row matches or Valores is blank.
// With several columns in Retorno ("," or ";"), an array of their values, or
// two unassigned items when no row matches. Local: the name is logical and
// goes through DBLocal; otherwise it is used as given. Reservado has no
// effect. Raises EZpkError for a value that is no literal, EDatabaseError.
Variant Busca_Valor(std::string_view NomeTabela, std::string_view Campos, std::string_view Retorno,
                    std::string_view Valores, bool Reservado = false, bool Local = false);

// Campo of every row of DBLocal(NomeTabela) whose Chave is in Valores, joined
// by ", " ("" when Valores is blank). Valores is a ","-list of literals, or,
// when it holds no quote, of plain codes, each trimmed and taken as a text
// whatever it holds; either way bound. Raises EZpkError for a quoted list
// item that is no literal, EDatabaseError.
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
