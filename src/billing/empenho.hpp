// The non-product lines of an invoice outside the message set: a customer's
// standing lines (kept in EMPENHO_CLI and copied into every new invoice), the
// lines stored with the invoice in NOTAITEN, and the address notes.
#pragma once

#include <string_view>

#include "platform/dataset/client_dataset.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"

namespace zpk {

// Replaces the standing lines of customer CodCli by the lines of the message
// set that are to be kept (Gravar "S" when the set has that field), address
// notes (TipoVal "E") left out; all of them or none. Qry and Texto are not
// used. Nothing is committed. Raises EDatabaseError (a text too long for its
// column names the column; two lines at one position are refused).
void Grava_Empenho(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view CodCli,
                   std::string_view Texto);

// Empties the message set and fills it with the standing lines of customer
// CodCli in position order: a percentage line restores its rate in Preco, any
// other its amount in Valor. Qry and Texto are not used. Raises EDatabaseError.
void Transfere_Empenho(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view CodCli,
                       std::string_view Texto);

// Inserts the lines of the message set into NOTAITEN + Sufixo (blank: the
// company's suffix) for invoice Fatura, computing percentage amounts on a
// running base that starts at Valor, each line that moves the base followed
// by a subtotal row. All the lines or none: a failing statement undoes the
// others and raises EDatabaseError. Database nullptr: Tabela.IBDatabase.
// Nothing is committed. Raises EZpkError for a suffix that is not a plain name.
void GravaEmpenhoNota(TClientDataSet& TbMensagem, double Valor, std::string_view Fatura,
                      std::string_view Sufixo, TTIDatabase* Database = nullptr);

// Appends the delivery-address note of customer CodCli (Ordem 10, a second
// line 11 when it exceeds 100 characters) when the delivery street, number or
// complement differs from the main address. Qry and Texto are not used.
// Raises EDatabaseError.
void AddEnderecoEntrega(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view Texto,
                        std::string_view CodCli);

// The same for the billing address (Ordem 20 and 21), compared by street and number.
void AddEnderecoCobranca(TTIQuery* Qry, TClientDataSet& TbMensagem, std::string_view Texto,
                         std::string_view CodCli);

}  // namespace zpk
