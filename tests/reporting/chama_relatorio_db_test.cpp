// Calling reports by name on a real database and a temporary station: the
// layout name from mode and layout, the layout folders, the mode box and its
// REL_LAYOUT choices, the missing-layout box, preview, printing and PDF.
#include "reporting/chama_relatorio.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/external_programs.hpp"
#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "reporting/print_queue.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

// A one-page layout whose only text says which file it came from, and
// after it `extra` (an expression in brackets).
std::string layout_text(const std::string& nome, const std::string& extra = "") {
  return "page size=A4\nband title height=10\n  text x=0 y=0 w=100 h=5 text=\"" + nome + extra + "\"\n";
}

class ChamaRelatorio : public test::DatabaseTest {
 protected:
  void SetUp() override {
    fs::create_directories(base_ / "programa");
    set_program_folder(base_ / "programa");
    set_user_settings_folder(base_ / "usuario");
    GravaIni("Caminho", "path", store_.string(), Tabela.ArquivoIni);
    previous_spawner_ = set_print_spawner([this](const std::vector<std::string>& argv) {
      commands_.push_back(argv);
      return true;
    });
    previous_lister_ = set_printer_lister([] { return std::vector<std::string>{"laser", "matricial"}; });
  }
  void TearDown() override {
    set_print_spawner(previous_spawner_);
    set_printer_lister(previous_lister_);
    set_program_folder({});
    set_user_settings_folder({});
    DatabaseTest::TearDown();
  }

  void layout(const std::string& pasta, const std::string& nome, const std::string& extra = "") {
    test::write_file(store_ / pasta / (nome + ".prt"), layout_text(nome, extra));
  }
  // The text the prepared first page shows.
  static std::string first_text(const TprCustomReport& report) {
    return report.GetEndPage(0).Objects.at(0).Text;
  }

  test::TempFolder temp_{"chama"};
  fs::path base_ = temp_.path();
  fs::path store_ = base_ / "servidor";
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};
  HeadlessPreview preview_;
  ScopedPreviewHost preview_guard_{preview_};
  test::ScopedValue<std::string> ini_{Tabela.ArquivoIni, "zelvo.ini"};
  test::ScopedValue<std::string> nuvem_{vNuvem, ""};
  test::ScopedValue<std::string> usuario_{vUsuario, "MARIA"};
  PrintSpawner previous_spawner_;
  PrinterLister previous_lister_;
  std::vector<std::vector<std::string>> commands_;
  TprReport win_;
  TprTxReport txt_;
  OwnerForm form_{"FmPedido", "Pedidos"};
};

TEST_F(ChamaRelatorio, LayoutNamesComeFromModeReportAndLayoutNumber) {
  const struct {
    const char* nome_rel;
    const char* modo;
    int layout;
    const char* esperado;
  } kCases[] = {{"XPEDIDO", "W", 0, "WPEDIDO"},
                {"XPEDIDO", "T", 2, "TPEDIDO2"},
                {"XPEDIDO", "F", 0, "FPEDIDO"},
                {"X", "T", 1, "T1"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.esperado);
    EXPECT_EQ(nome_layout_relatorio(c.nome_rel, c.modo, c.layout), c.esperado);
  }
}

TEST_F(ChamaRelatorio, GraphicModePreviewsTheLayoutOfTheOwnerForm) {
  layout("layout", "WPEDIDO");
  ASSERT_TRUE(Chama_Relatorio(win_, txt_, "XPEDIDO", form_, "W"));
  EXPECT_EQ(preview_.closed, std::vector<std::string>{"FmPedido"});
  ASSERT_EQ(preview_.shown.size(), 1u);
  EXPECT_EQ(preview_.shown[0].report, &win_);
  EXPECT_EQ(preview_.shown[0].layout, "WPEDIDO");
  EXPECT_EQ(preview_.shown[0].caption, "Visualização Pedidos");
  EXPECT_EQ(preview_.shown[0].owner, "FmPedido");
  EXPECT_FALSE(preview_.shown[0].prepared);
  EXPECT_TRUE(static_cast<bool>(win_.OnUnknownFunction));
  EXPECT_TRUE(commands_.empty());
}

TEST_F(ChamaRelatorio, GraphicModeWithoutPreviewPrintsOnTheNamedPrinter) {
  layout("layout", "WPEDIDO");
  ASSERT_TRUE(Chama_Relatorio(win_, txt_, "XPEDIDO", form_, "W", false, false, "laser"));
  EXPECT_TRUE(preview_.shown.empty());
  EXPECT_EQ(first_text(win_), "WPEDIDO");
  ASSERT_EQ(commands_.size(), 1u);
  EXPECT_EQ(commands_[0][2], "laser");
  EXPECT_EQ(fs::path(commands_[0].back()).extension(), ".pdf");
}

TEST_F(ChamaRelatorio, TheUsersChoiceOfTextAndLayout2LoadsTPEDIDO2FromRelatorio) {
  layout("Relatorio", "TPEDIDO2");
  layout("layout", "TPEDIDO");
  dialogs_.reply("T:2");
  // Chosen through the box, the report is previewed even when the caller asked to print.
  ASSERT_TRUE(Chama_Relatorio(win_, txt_, "XPEDIDO", form_, "", false));
  EXPECT_EQ(dialogs_.last().kind, DialogKind::print_mode);
  EXPECT_EQ(dialogs_.last().value, "T:0");  // SIS 20 is "N" in the demo company
  ASSERT_EQ(preview_.shown.size(), 1u);
  EXPECT_EQ(preview_.shown[0].report, &txt_);
  EXPECT_TRUE(preview_.shown[0].prepared);
  EXPECT_EQ(first_text(txt_), "TPEDIDO2");
  EXPECT_TRUE(commands_.empty());
}

TEST_F(ChamaRelatorio, CancellingTheModeBoxDoesNothing) {
  layout("layout", "TPEDIDO");
  dialogs_.reply(":cancel");
  EXPECT_FALSE(Chama_Relatorio(win_, txt_, "XPEDIDO", form_));
  EXPECT_EQ(txt_.Template(), nullptr);
  EXPECT_EQ(win_.Template(), nullptr);
  EXPECT_TRUE(preview_.shown.empty());
  EXPECT_TRUE(commands_.empty());
  EXPECT_EQ(dialogs_.records().size(), 1u);
}

TEST_F(ChamaRelatorio, GraphicIsPreselectedWhenTheCompanySaysSo) {
  test::set_parameter("SIS", 20, "S");
  int layout = -1;
  std::string modo;
  ASSERT_TRUE(InputBoxImpressao("XNOVO", layout, modo));
  EXPECT_EQ(modo, "W");
  EXPECT_EQ(layout, 0);
  // An answer outside the choices offered is refused, not looked for.
  for (const char* resposta : {"X:0", "T:9", "T:-1", "W:abc"}) {
    SCOPED_TRACE(resposta);
    dialogs_.reply(resposta);
    EXPECT_THROW(InputBoxImpressao("XNOVO", layout, modo), EZpkError);
  }
}

TEST_F(ChamaRelatorio, LayoutChoicesComeFromRelLayoutOrFourCustomOnes) {
  test::exec("INSERT INTO REL_LAYOUT_001 (RELATORIO, ORDEM, LAYOUT) VALUES ('XNOTA', 2, 'Com assinatura')");
  test::exec("INSERT INTO REL_LAYOUT_001 (RELATORIO, ORDEM, LAYOUT) VALUES ('XNOTA', 1, 'Resumido '' -- ;')");
  const std::vector<std::string> personalizados{"Layout Padrao.", "Layout Personalizado 1.",
                                                "Layout Personalizado 2.", "Layout Personalizado 3.",
                                                "Layout Personalizado 4."};
  const struct {
    std::string relatorio;
    std::vector<std::string> esperado;
  } kCases[] = {
      {"XNOTA", {"Layout Padrao.", "Resumido ' -- ;.", "Com assinatura."}},
      {"XSEM_LINHAS", personalizados},
      // Quotes are bound, and a name longer than the column has no rows.
      {"XNOTA' OR ''='", personalizados},
      {std::string(200, 'X'), personalizados},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.relatorio);
    std::vector<std::string> combo{"antigo"};
    ListaLayoutRelatorio(combo, c.relatorio);
    EXPECT_EQ(combo, c.esperado);
  }
}

TEST_F(ChamaRelatorio, AMissingLayoutIsToldInABoxAndNothingElseHappens) {
  for (const char* modo : {"W", "T"}) {
    SCOPED_TRACE(modo);
    dialogs_.clear();
    for (bool visualizar : {true, false}) {
      EXPECT_FALSE(Chama_Relatorio(win_, txt_, "XFALTA", form_, modo, visualizar));
      ASSERT_EQ(dialogs_.records().size(), visualizar ? 1u : 2u);
      const DialogRecord& box = dialogs_.last();
      EXPECT_EQ(box.kind, DialogKind::message_box);
      EXPECT_EQ(box.type, mtInformation);
      EXPECT_EQ(box.caption, "ZELVO Sistemas");
      EXPECT_EQ(box.text,
                "Relatório não foi criado!\n" + store_.string() + "\\Relatorio\\" + modo + "FALTA.prt");
    }
  }
  EXPECT_TRUE(preview_.shown.empty());
  EXPECT_TRUE(preview_.closed.empty());
  EXPECT_TRUE(commands_.empty());
}

TEST_F(ChamaRelatorio, TextReportsPrintRawAfterTheSetupDialog) {
  layout("layout", "TROMANEIO");
  dialogs_.reply("matricial");
  ASSERT_TRUE(Chama_RelatorioTxt(txt_, "TROMANEIO", false, false, "", true));
  ASSERT_EQ(commands_.size(), 1u);
  EXPECT_EQ((std::vector<std::string>(commands_[0].begin(), commands_[0].end() - 1)),
            (std::vector<std::string>{"lp", "-d", "matricial", "-o", "raw"}));
  dialogs_.reply(":cancel");
  EXPECT_FALSE(Chama_RelatorioTxt(txt_, "TROMANEIO", false, false, "", true));
  EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(ChamaRelatorio, WithoutComponentsTheOutcomeIsToldBack) {
  test::ScopedEnv lpdest("LPDEST", nullptr);
  test::ScopedEnv printer("PRINTER", nullptr);
  test::ScopedEnv data("XDG_DATA_HOME", (base_ / "dados").c_str());
  layout("layout", "TROMANEIO");
  layout("layout", "WROMANEIO");
  const std::string file = chama_relatorio("XROMANEIO", "T", false, false, "");
  EXPECT_EQ(fs::path(file).parent_path(), base_ / "dados" / "zpk" / "impressao");
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(chama_relatorio("XROMANEIO", "W", false, false, "laser"), "laser");
  EXPECT_EQ(chama_relatorio("XROMANEIO", "W", true, false, ""), "preview");
  EXPECT_EQ(chama_relatorio("XFALTA", "W", true, false, ""), "");
  EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(ChamaRelatorio, SelecionaImpressoraAbortsSilentlyWhenCancelled) {
  std::string impressora;
  dialogs_.reply("laser");
  SelecionaImpressora(impressora);
  EXPECT_EQ(impressora, "laser");
  EXPECT_EQ(dialogs_.last().kind, DialogKind::select_printer);
  dialogs_.reply(":cancel");
  EXPECT_THROW(SelecionaImpressora(impressora), EAbort);
  EXPECT_EQ(impressora, "laser");
}

TEST_F(ChamaRelatorio, GeraPDFWritesTheFileAndOpensItOnlyOffHostedMode) {
  layout("layout", "WPEDIDO", " [vUsuario] [vUsuarioEMail]");
  test::ScopedValue<std::string> email(vUsuarioEMail, "maria@zelvo.com.br");
  std::vector<fs::path> opened;
  set_file_opener([&](const fs::path& file) {
    opened.push_back(file);
    return true;
  });
  const fs::path pdf = base_ / "pedido.pdf";
  ASSERT_TRUE(GeraPDF(pdf.string(), win_, "WPEDIDO", true));
  EXPECT_TRUE(fs::exists(pdf));
  EXPECT_EQ(first_text(win_), "WPEDIDO MARIA maria@zelvo.com.br");
  EXPECT_EQ(opened, std::vector<fs::path>{pdf});
  vNuvem = "S";
  ASSERT_TRUE(GeraPDF(pdf.string(), win_, "WPEDIDO", true));
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_FALSE(GeraPDF((base_ / "falta.pdf").string(), win_, "WFALTA", true));
  EXPECT_FALSE(fs::exists(base_ / "falta.pdf"));
  set_file_opener({});
}

}  // namespace
}  // namespace zpk
