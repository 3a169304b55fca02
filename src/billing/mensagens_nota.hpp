// The invoice's message set: the lines of text, discounts and surcharges that
// an invoice carries besides its items while the billing screen prepares it.
// Adds the sentences the tax rules require, item observations, and the net
// effect of the discount and surcharge lines.
#pragma once

#include <string>
#include <string_view>

#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// The code every line added by the library carries (no product has it).
inline constexpr std::string_view kCodigoMensagem = "9999900";

// Defines the fields of a message set (Ordem, Codigo, Descricao, TipoVal,
// Tipo, Preco, Valor, Subtotal and, with Gravar, Gravar) and opens it empty;
// a set already open is closed first. Texts are unlimited, so nothing typed
// is cut before the table it goes to says whether it fits.
void create_message_set(TClientDataSet& TbMensagem, bool Gravar = true);

// Appends and posts one line without an amount (Codigo kCodigoMensagem, Preco
// and Valor 0, Subtotal "N") of value kind TipoVal ("O" text, "E" address)
// and kind Tipo; Gravar, when given, fills the Gravar field.
void append_message_line(TClientDataSet& TbMensagem, int Ordem, std::string_view Descricao,
                         std::string_view TipoVal, std::string_view Tipo, const char* Gravar = nullptr);

// Appends the two sentences of the ICMS credit a simple-regime issuer grants
// (Ordem 30 and 31) when the company's CRT is 1, Valor is above 0, the nature
// Natureza is a sale (TIPO "V") and the customer CodCli is not in the simple
// regime itself. ValorIcms and Data are not used. Raises EDatabaseError.
void AddMenssagemSIMPLES(double Valor, double ValorIcms, std::string_view Natureza, std::string_view CodCli,
                         TDateTime Data, TClientDataSet& TbMensagem);

// Appends the import-content sentence (FCI) of an item at position Ordem when
// its import share is above 0, marked not to be kept as a standing line.
// Cor and Quantidade are not used. Raises EDatabaseError.
void AddMenssagemFCI(TClientDataSet& TbMensagem, std::string_view Codigo, std::string_view Origem,
                     std::string_view Tipo, std::string_view Cor, int Ordem, double Quantidade);

// The FCI number of the item (kind Tipo, code Codigo) for the latest month
// that has one, when company parameter FAT 130 is "S" and the goods' origin
// starts with 3, 4, 5 or 8; Percentual receives that month's import share.
// A number not shaped 8-4-4-4-12 with dashes gives "" (the share is still
// set). Cor is not used. Raises EDatabaseError.
std::string BuscaNrFCI(std::string_view Tipo, std::string_view Codigo, std::string_view Origem,
                       std::string_view Cor, double& Percentual);

// Appends the observation Texto for the item at position Ordem, marked not to
// be kept as a standing line; a blank text adds nothing. Raises EDataSetError
// when the set has no Gravar field.
void AddObservacaoItem(TClientDataSet& TbMensagem, int Ordem, std::string_view Texto);

// The additional text of an invoice item for the NF-e: the part of the
// description past the 120 characters of the product name, the item's
// observation and the observations stored for the item (order OrdPed) in
// invoice Fatura, joined by "\" and cleaned to the NF-e's characters. Serie is
// not used. Raises EDatabaseError.
std::string ObsProdutoNFe(std::string_view Fatura, std::string_view Serie, std::string_view Descricao,
                          std::string_view Observacao, int OrdPed);

// True for the CFOPs of exports and of goods bought or sold for export.
bool NaturezaExp(std::string_view CFOP);

// Walks the message set from its first line with a running base starting at
// Valor: surcharges (Tipo "A"), discounts ("D") and the third kind ("C"), each
// an amount (TipoVal "V") or a percentage of the running base brought to
// cents ("P"); a line with Subtotal "S" moves the base. DescAcres receives
// surcharges - discounts; the result is surcharges - discounts - third kind.
double DescontoAcrescimo(TClientDataSet& TbMensagem, double Valor, double& DescAcres);

}  // namespace zpk
