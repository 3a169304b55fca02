// Barcodes of product and material items: the EAN-13 of a product item (under
// the company's EAN prefix) or of a material, the products' six-digit internal
// code, and the checks the product screen makes before it gives one out.
#pragma once

#include <string>

namespace zpk {

// A new EAN-13 for the product item (Tipo "P": product Codigo, colour Cor,
// size Tam) or the material item (Tipo "M": Codigo and Cor), stored in BARRA
// of every row of the item and committed with Tabela's shared transaction.
// Products number on from the highest code under the first 8 characters of
// Tabela.PrefixoEAN (prefix + "0001" for the first); materials from the
// highest material code, skipping codes reserved in CODIGOSVALOR. A code is
// never handed to two items, also when stations draw at once: the loser draws
// the next number. A number that is not 12 digits long shows the box "Número
// de dígitos do código de barras incorreto." and gives ""; a database error
// in the first look-up is shown ("Atenção!") and gives ""; any other Tipo
// gives "" and writes nothing. Raises EDatabaseError for other failures.
std::string Gera_EAN13(const std::string& Codigo, const std::string& Cor, const std::string& Tam,
                       const std::string& Tipo);

// A new six-digit internal code (BARRA28) for the product item, one above the
// highest over every product ("000001" on an empty table), stored on every
// row of the item and committed; never handed to two items. Raises EDatabaseError.
std::string Gera_EAN28(const std::string& Codigo, const std::string& Cor, const std::string& Tam);

// Whether the item already has a non-blank value in the column Campo: for
// Tipo "P" the first-quality rows of the product item, for "M" the rows of
// the material and colour (Tam takes no part); false for any other Tipo.
// Campo is a column name: anything else raises EZpkError before a statement runs.
bool ExisteBarra(const std::string& Campo, const std::string& Codigo, const std::string& Cor,
                 const std::string& Tam, const std::string& Tipo);

// False, after the box "Número do código de barras ultrapassou o limite.",
// when a product barcode of Barra's prefix (its first 8 characters) at or
// above Barra's first 12 digits exists; true otherwise and for an empty Barra.
bool VerificaLimiteBarraEAN13(const std::string& Barra);

}  // namespace zpk
