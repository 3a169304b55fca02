// The NF-e 4.00 layout as the invoice generation sees it: every field by its
// layout name (tag + "_" + layout reference, e.g. "nNF_B08"), its XML tag, its
// group, its type and limits, and the groups in the schema's order.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zpk::nfe {

// How a field's value is written: text (cleaned, cut to Max), digits/codes
// (written as given), a decimal with Decimais places, a date-time or a date.
enum class TipoCampo { Texto, Codigo, Decimal, DataHora, Data };

// One field of the layout.
struct CampoLayout {
  std::string_view Nome;   // "nNF_B08"
  std::string_view Grupo;  // the group path inside infNFe, e.g. "ide" or "det/prod"
  TipoCampo Tipo;
  int Min;
  int Max;
  int Decimais;
  bool Obrigatorio;
};

// The XML tag of a layout name: the part before the last "_".
std::string_view TagCampo(std::string_view Nome);

// The layout entry of a field name, or nullptr when the layout has none.
const CampoLayout* BuscaCampoLayout(std::string_view Nome);

// A node of the group tree: a field (Campo set), a group of children, or a
// choice whose variant the writer picks from the data (ICMS, PIS, COFINS).
struct NoLayout {
  std::string Tag;
  const CampoLayout* Campo = nullptr;
  std::vector<NoLayout> Filhos;
  bool Obrigatorio = false;
};

// The groups of infNFe in schema order. "det" stands for every item, "NFref",
// "autXML", "detPag" and "infIntermed" for the parts, "dup" for the billing rows.
const NoLayout& ArvoreLayout();

// The field name of an element, from its tag and the tags of its groups below
// infNFe ("det/prod/xProd" gives "xProd_I04"); empty when unknown.
std::string CampoDoCaminho(std::string_view Caminho);

}  // namespace zpk::nfe
