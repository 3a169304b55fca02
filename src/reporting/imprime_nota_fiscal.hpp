// Printing a stored invoice: the invoice dataset bound to the invoice layout
// ("WNOTA") and the report variables the layout prints besides the item lines
// (classifications, natures, orders, additional data, instalments).
#pragma once

#include <string>

#include "billing/nota_dataset.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/db/query.hpp"
#include "reporting/report.hpp"

namespace zpk {

// The name the invoice dataset is bound under: layouts read NOTA.ITEM_VALOR...
inline constexpr const char* kNotaDataSetName = "NOTA";

// Prints invoice `Fatura` through the graphic report (this engine has no
// separate text-mode report: text printers get the same layout).
//   Query     runs the invoice statement (the dataset's rows);
//   Query2    runs the statements behind the report variables;
//   cdsNota   receives the invoice dataset, bound to the report as "NOTA";
//   Report    gets the layout, the dataset and the variables, and is prepared.
// The four texts:
//   Fatura           the invoice number as stored in NOTA.FATURA (bound);
//   Layout           the layout's name, "WNOTA" when empty (found by ArquivoLayout);
//   DadosAdicionais  text added after the invoice's message in vDadosAdicionais;
//   StatusDuplicata  RECEBER.STATUS of the instalments listed, "N" (open) when empty.
// The two integers:
//   Ordem      0 lists the lines by code, 1 in the order typed on the invoice
//              (NotaOrdem); any other value is taken as 0;
//   MaxPaginas the most pages the report may prepare (Report.MaxPages), kept
//              as it is when 0 or less.
// Returns true when the report was prepared. An invoice that does not exist
// or a layout that is not found is told to the user and gives false, with
// nothing prepared; a layout that cannot print the invoice raises ELayoutError.
bool ImprimeNotaFiscal(TTIQuery& Query, TTIQuery& Query2, TClientDataSet& cdsNota, TprReport& Report,
                       const std::string& Fatura, const std::string& Layout,
                       const std::string& DadosAdicionais, const std::string& StatusDuplicata, int Ordem,
                       int MaxPaginas);

// Fills the report variables of invoice `Fatura` (statements on `Query`, the
// invoice number bound) from the invoice dataset `cdsNota` and the database;
// lists are one entry per line ("\n"), values "#,##0.00", dates dd/mm/yyyy.
// Besides those of the invoice it sets the issuing company's vEmpNome,
// vEmpEndereco, vEmpCidade, vEmpCnpj, vEmpInscricao and vEmpTelefone.
void preenche_variaveis_nota(TTIQuery& Query, TClientDataSet& cdsNota, TprReport& Report,
                             const std::string& Fatura, const std::string& DadosAdicionais,
                             const std::string& StatusDuplicata);

}  // namespace zpk
