// `zpk demo` step for dye-recipe costing: navy recipe RC-ART1 on the 40/60
// variant, with a preparation bath, a salt dosage set by its rule and soda ash
// replaced by an active liquid substitute, costed per kg; then the wetting
// agent of the preparation gets dearer and the recipes that use it are
// recalculated.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "planning/receita.hpp"
#include "planning/regras_dosagem.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/progress_bar.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

// Numbers with a decimal point, like the rest of the command line's output.
std::string num(double value) {
  std::string text = FormatFloat("0.00", value);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

void reposicao(const char* material, double preco) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("UPDATE MATERIAL_001 SET REPOSICAO = :P WHERE CODIGO = :C");
  q.ParamByName("P").AsFloat = preco;
  q.ParamByName("C").AsString = material;
  q.ExecSQL();
  Tabela.IBTransaction.CommitRetaining();
}

void custos(std::ostream& out) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(
      "SELECT CODIGO, COR, VARIANTE, CUSTO FROM RECEITA_001 WHERE CODIGO STARTING WITH 'RC-' ORDER BY 1, 2");
  q.Open();
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("    {} {} {}: stored cost {} per kg\n", q.FieldByName("CODIGO").AsString(),
                       q.FieldByName("COR").AsString(), q.FieldByName("VARIANTE").AsString(),
                       num(q.FieldByName("CUSTO").AsFloat()));
  }
}

const RegisterDemo kReceita{
    {710, "Dye recipes: cost per kg with preparation, rule dosage and substitute; recalculation",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       reposicao("RC-UMECT", 12);
       out << "Recipe RC-ART1 navy on RC-V40 (40 % polyester / 60 % cotton), bath 1:10, preparation "
              "RC-PREP1:\n"
              "  RC-AZUL 1.5 % and RC-AMARELO 0.5 % on the cotton: 0.9 kg x 50 + 0.3 kg x 20 = 51.00\n";
       out << "  RC-SAL by rule RC-SAL (2 % reactive dye -> "
           << num(CalculaQtdeRegra("RC-ART1", "RC-V40", "RC-SAL", 0, 0, 0, "", "", ""))
           << " g/l instead of 50): 60 kg x 0.50 = 30.00\n"
              "  RC-BARRILHA 10 g/l replaced by RC-ALCALI-L at 150 %: 15 kg x 4.00 = 60.00\n"
              "  preparation: RC-UMECT 1 g/l 1 kg x 12 + RC-DETERG 0.2 % 0.2 kg x 15 = 15.00\n"
              "  156.00 per 100 kg\n";
       out << "CustoReceita(RC-ART1, RC-MAR, RC-V40, R) = "
           << num(CustoReceita("RC-ART1", "RC-MAR", "RC-V40", "R")) << " per kg\n";
       RecalculaReceitas("", "RC-V40", "", nullptr, nullptr);
       out << "Stored costs of the variant's recipes:\n";
       custos(out);

       reposicao("RC-UMECT", 18);
       out << "RC-UMECT (in the preparation only) now costs 18.00; RecalculaReceitas(RC-UMECT):\n";
       std::vector<std::string> log;
       TProgressBar barra("Receitas");
       const bool achou = RecalculaReceitas("RC-UMECT", "", "", &log, &barra);
       for (const std::string& linha : log) out << "  " << linha << '\n';
       out << "  result " << (achou ? "True" : "False") << "; each recipe gains 1 kg x 6 per 100 kg:\n";
       custos(out);
     }}};

}  // namespace
}  // namespace zpk::cli
