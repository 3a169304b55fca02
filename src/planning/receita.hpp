// Cost of a dye recipe per kilogram of fabric (CustoReceita) and the
// recomputation of the stored costs of the recipes that a change of a
// material, a variant or a preparation affects (RecalculaReceitas).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zpk {

class TProgressBar;

// Cost per kg of fabric of recipe (Codigo, Cor, Variante), its components and
// its preparation's, rounded to the cent half away from zero. TipoPreco "R"
// prices materials at MATERIAL.REPOSICAO, "M" at their highest
// MAT_ITEN.PRECO_MED; any other raises EZpkError. An empty Codigo leaves the
// code out of the selection. Per component: fibre "1" counts INDICE % of the
// fabric, "2" the rest, else all of it; a rule (REGRA) gives the dosage when
// it finds a row; an active substitute takes CONCENT % of the dosage at its
// own price; "GL" doses grams per litre of bath (PROPORCAO litres per kg),
// "%" percent of the fabric's weight, any other unit costs nothing;
// CONCENTRACAO above 0 scales the grams.
double CustoReceita(std::string_view Codigo, std::string_view Cor, std::string_view Variante,
                    std::string_view TipoPreco);

// Recomputes and stores RECEITA.CUSTO (replacement prices) of the recipes
// selected by `Material` (recipes using it directly or through their
// preparation), `Variante` and `Preparacoes` (a comma list of quoted
// preparation codes; anything but SQL literals raises EZpkError before
// anything is read). Each filter given narrows the selection; none given
// selects every recipe. A cost of 0 leaves the stored cost unchanged. Log
// (cleared first when Progresso is given too) gets one line per recipe;
// Progresso counts the recipes. Commits; true when a recipe was selected.
bool RecalculaReceitas(std::string_view Material, std::string_view Variante, std::string_view Preparacoes,
                       std::vector<std::string>* Log = nullptr, TProgressBar* Progresso = nullptr);

}  // namespace zpk
