// Dosage rules of the dye house: a dosage that depends on how much dye of a
// dye line a recipe holds (CalculaQtdeRegra), or on a material's share of a
// composition group (CalculaPercRegra). Rules live in TNG_REGRA.
#pragma once

#include <string_view>

namespace zpk {

// The dosage rule `Regra` gives for recipe (Receita, Variante): the rows of
// kind "L" whose range holds the recipe's total of the rule's dye line
// (recipe and preparation components, QTDE x CONCENTRACAO / 100, fibre 1
// totals scaled by Perc1 % and fibre 2 totals by Perc2 % when those are
// above 0); when none holds it, the fall-backs "M" (LinhaM, range holding
// QtdeM > 0), "P" (LinhaP) and "C" (LinhaC) in that order. 0 when no row matches.
double CalculaQtdeRegra(std::string_view Receita, std::string_view Variante, std::string_view Regra,
                        double Perc1, double Perc2, double QtdeM, std::string_view LinhaM,
                        std::string_view LinhaP, std::string_view LinhaC);

// The dosage composition-group rule `Regra` (kind "G") gives for `Material`:
// Perc = the summed COMP_MATERIAL.PERC of the material's components in the
// rule's group, R = the rule's QTDE_R for the range holding Perc, result
// R / 100 x (1000 - Perc). 0 when no row matches.
double CalculaPercRegra(std::string_view Material, std::string_view Regra);

}  // namespace zpk
