// The report preview window without the window: the screen dataset, loading
// the layout, zoom and pages, the names of exported files, and the export,
// e-mail and WhatsApp actions with the files they leave behind.
#include "reporting/sreport.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "documents/crc16.hpp"
#include "foundation/external_programs.hpp"
#include "foundation/station_fixture.hpp"
#include "platform/settings/ini_file.hpp"
#include "reporting/print_queue.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;
using test::ScopedValue;
using test::write_file;

// 25/02/2025 14:03:09, the time the exported names carry.
TDateTime when() {
  return TDateTime{EncodeDate(2025, 2, 25).Value + EncodeTime(14, 3, 9, 0).Value};
}

// Files directly inside `folder` (none when it does not exist).
std::vector<fs::path> files_in(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    found.push_back(it->path());
  return found;
}

// Every text of every prepared page.
std::vector<std::string> texts(const TprReport& report) {
  std::vector<std::string> found;
  for (int i = 0; i < report.GetEndPagesCount(); ++i) {
    for (const auto& o : report.GetEndPage(i).Objects) found.push_back(o.Text);
  }
  return found;
}

// A small page holds two detail records: five records make three pages.
constexpr const char* kPedido = R"(report title="Pedido [vPedido]/2025. de [vUsuario]"
page size=custom width=100 height=70 margin=10
band title height=10
  text x=0 y=0 w=80 h=5 text="Cliente [Tela.edtCliente] urgente [Tela.chkUrgente] via [Tela.rgEntrega]"
band detail dataset=ITENS height=20
  text x=0 y=0 w=80 h=5 text="Item [ITENS.CODIGO] [CRC16('123456789')]"
)";

class SReportTest : public test::StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    set_root(root());
    items_.FieldDefs.Add("CODIGO", ftInteger);
    items_.CreateDataSet();
    for (int i = 1; i <= 5; ++i) items_.AppendRecord({i});
    write_file(store_ / "layout" / "WPEDIDO.prt", kPedido);
  }

  void TearDown() override {
    set_desktop_mail_sender({});
    set_file_opener({});
    StationTest::TearDown();
  }

  // A window over WPEDIDO fed by three controls of the calling screen.
  void prepare(TFmSReport& fm) {
    fm.NomeLayout = "WPEDIDO";
    fm.Caption = "Pedidos";
    fm.EmailDestinatario = "compras@cliente.com.br";
    fm.Origem = {{TControlKind::edit, "edtCliente", 120, "MALHARIA SERRA AZUL"},
                 {TControlKind::check_box, "chkUrgente", 80, "Urgente", true},
                 {TControlKind::radio_group, "rgEntrega", 90, "", false, 2}};
    fm.Report->AddDataSet("ITENS", items_);
    TprVariable& pedido = fm.Report->Variables.AddVariable();
    pedido.Name = "vPedido";
    pedido.SetAsString("D851");
    fm.CriaReport();
  }

  TClientDataSet items_;
  ScopedValue<std::string> usuario_{vUsuario, "ANA"};
  ScopedValue<std::string> codigo_{vUsuarioCodigo, "007"};
  ScopedValue<std::string> email_{vUsuarioEMail, "ana@zelvo.com.br"};
};

TEST(SReportNames, ExportedNamesDropSeparatorsAndDots) {
  const struct {
    const char* titulo;
    const char* caption;
    bool whatsapp;
    const char* expected;
  } kCases[] = {
      {"Pedido 12/2025. Cliente", "Pedidos", false, "Pedido 122025 Cliente_250225140309.pdf"},
      {"Pedido 12/2025. Cliente", "Pedidos", true, "Pedido122025Cliente_250225140309.pdf"},
      {"A\\B C", "", true, "ABC_250225140309.pdf"},
      {"A\\B C", "", false, "A\\B C_250225140309.pdf"},
      {"", "Relação de vendas v.2", false, "Relação de vendas v2_250225140309.pdf"},
      {"../../etc/passwd", "", false, "etcpasswd_250225140309.pdf"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.titulo);
    EXPECT_EQ(exported_file_name(c.titulo, c.caption, c.whatsapp, when()), c.expected);
  }
}

TEST(SReportNames, TheWindowsCrcIsTheDigitsTheDocumentRoutineAppends) {
  TFmSReport fm;
  for (const char* text : {"123456789", "", "Ação"}) {
    SCOPED_TRACE(text);
    const std::string digits = fm.CalculaCRC16(text);
    ASSERT_EQ(digits.size(), 4u);
    EXPECT_EQ(CalculaCRC16(text), text + digits);
  }
  EXPECT_EQ(fm.CalculaCRC16("123456789"), "29B1");
}

TEST_F(SReportTest, ScreenDatasetFieldsAndValues) {
  TFmSReport fm;
  fm.Origem = {{TControlKind::edit, "edtNome", 60, "JOSE"},            // 60 / 6 = 10
               {TControlKind::edit, "edtLongo", 60, "ABCDEFGHIJKLM"},  // 13 characters: 14
               {TControlKind::masked_edit, "edtCnpj", 65, "12.345.678/0001-95"},
               {TControlKind::currency_edit, "edtValor", 50, "1.815,00"},
               {TControlKind::date_edit, "edtData", 70, "25/02/2025"},
               {TControlKind::combo_box, "cbTipo", 30, "Ação"},  // 4 characters, 5 bytes: 5
               {TControlKind::grid_editor, "edGrid", 36, "AZUL"},
               {TControlKind::check_box, "chkSim", 60, "Sim", true},
               {TControlKind::check_box, "chkNao", 60, "Não", false},
               {TControlKind::radio_group, "rgTipo", 60, "", false, 1},
               {TControlKind::memo, "mmObs", 200, "linha 1\nlinha 2"},
               {TControlKind::other, "lblTitulo", 200, "Título"}};
  fm.CriaTabelaTela();
  const struct {
    const char* name;
    TFieldType type;
    int size;
    const char* value;
  } kCases[] = {
      {"Vazio", ftString, 1, " "},
      {"edtNome", ftString, 10, "JOSE"},
      {"edtLongo", ftString, 14, "ABCDEFGHIJKLM"},
      {"edtCnpj", ftString, 19, "12.345.678/0001-95"},
      {"edtValor", ftString, 8, "1.815,00"},
      {"edtData", ftString, 11, "25/02/2025"},
      {"cbTipo", ftString, 5, "Ação"},
      {"edGrid", ftString, 6, "AZUL"},
      {"chkSim", ftString, 10, "-1"},
      {"chkNao", ftString, 10, "0"},
      {"rgTipo", ftString, 10, "1"},
      {"mmObs", ftMemo, 0, "linha 1\nlinha 2"},
  };
  for (TClientDataSet* tela : {&fm.Tela, &tabela_tela()}) {
    SCOPED_TRACE(tela == &fm.Tela ? "window" : "shared");
    ASSERT_EQ(tela->FieldCount(), static_cast<int>(std::size(kCases)));
    EXPECT_EQ(tela->RecordCount(), 1);
    EXPECT_TRUE(tela->FieldByName("Vazio").Required());
    EXPECT_EQ(tela->FindField("lblTitulo"), nullptr);
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.name);
      TField& field = tela->FieldByName(c.name);
      EXPECT_EQ(field.DataType(), c.type);
      if (c.type == ftString) EXPECT_EQ(field.Size(), c.size);
      EXPECT_EQ(field.AsString, c.value);
    }
  }
  // A later transfer adds the screen's current values and the layouts read those.
  fm.Origem[0].text = "MARIA";
  fm.TransfereDadosTela();
  EXPECT_EQ(tabela_tela().RecordCount(), 2);
  EXPECT_FALSE(tabela_tela().Eof());
  EXPECT_EQ(tabela_tela().FieldByName("edtNome").AsString, "MARIA");
  // A second report starts from fresh datasets with its own controls.
  fm.Origem = {{TControlKind::check_box, "chkOutro", 6, "", true}};
  fm.CriaTabelaTela();
  EXPECT_EQ(tabela_tela().FieldCount(), 2);
  EXPECT_EQ(tabela_tela().RecordCount(), 1);
  EXPECT_EQ(tabela_tela().FieldByName("chkOutro").Size(), 3);  // "-1" is longer than 6 / 6
  EXPECT_EQ(tabela_tela().FieldByName("chkOutro").AsString, "-1");
}

TEST_F(SReportTest, CriaReportPreparesTheLayoutWithTheScreenValues) {
  TFmSReport fm;
  prepare(fm);
  EXPECT_EQ(fm.Titulo, "Pedido D851/2025. de ANA");
  ASSERT_EQ(fm.PageCount(), 3);
  const auto printed = texts(fm.prReport1);
  EXPECT_EQ(printed.front(), "Cliente MALHARIA SERRA AZUL urgente -1 via 2");
  EXPECT_EQ(printed.back(), "Item 5 29B1");
  ASSERT_NE(fm.Report->Variables.ByName("vUsuarioEMail"), nullptr);
  EXPECT_EQ(fm.Report->Variables.ByName("vUsuarioEMail")->Value().AsString(), "ana@zelvo.com.br");
  // Shown again for another user: the same report, one variable of each name.
  const int variables = fm.Report->Variables.Count();
  ScopedValue<std::string> outro{vUsuario, "BIA"};
  fm.CriaReport();
  EXPECT_EQ(fm.Report->Variables.Count(), variables);
  EXPECT_EQ(fm.Titulo, "Pedido D851/2025. de BIA");
  EXPECT_EQ(fm.PageCount(), 3);
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(SReportTest, MissingLayoutIsToldAndLeavesNoPages) {
  TFmSReport fm;
  prepare(fm);
  fm.NomeLayout = "WNAOEXISTE";
  fm.CriaReport();
  ASSERT_EQ(dialogs_.records().size(), 1u);
  const DialogRecord& box = dialogs_.last();
  EXPECT_EQ(box.kind, DialogKind::message_box);
  EXPECT_EQ(box.type, mtInformation);
  EXPECT_EQ(box.caption, "ZELVO ERP");
  EXPECT_EQ(box.text, "Relatório não foi criado. Layout WNAOEXISTE");
  EXPECT_EQ(fm.PageCount(), 0);
  EXPECT_EQ(fm.CurrentPage(), 0);
  fm.ToolButton17Click();
  EXPECT_EQ(fm.CurrentPage(), 0);
}

TEST_F(SReportTest, PagesMoveWithinTheirBounds) {
  TFmSReport fm;
  prepare(fm);
  fm.ToolButton15Click();
  EXPECT_EQ(fm.CurrentPage(), 0);
  const int expected[] = {1, 2, 2};
  for (int page : expected) {
    fm.ToolButton17Click();
    EXPECT_EQ(fm.CurrentPage(), page);
  }
  fm.ToolButton15Click();
  EXPECT_EQ(fm.CurrentPage(), 1);
  EXPECT_TRUE(fm.ToolButton9Click("item 1"));  // from page 1 on, wrapping to the first page
  EXPECT_EQ(fm.CurrentPage(), 0);
  EXPECT_TRUE(fm.ToolButton9Click("ITEM 5"));
  EXPECT_EQ(fm.CurrentPage(), 2);
  EXPECT_FALSE(fm.ToolButton9Click("Item 9"));
  EXPECT_EQ(fm.CurrentPage(), 2);
}

TEST_F(SReportTest, ZoomStartsAt100AndIsKeptForTheUserAfterClosing) {
  {
    TFmSReport fm;
    EXPECT_EQ(fm.ScalePercent(), 100);
    fm.FormKeyPress('+');
    fm.ToolButton11Click();
    fm.FormKeyPress('-');
    EXPECT_EQ(fm.ScalePercent(), 110);
    EXPECT_EQ(FmSReport, &fm);
    fm.FormKeyPress(27);
    EXPECT_TRUE(fm.Closed());
  }
  EXPECT_EQ(FmSReport, nullptr);
  EXPECT_EQ(UserSettings("Zelvo\\RelWin").read_integer("", "ScalePercent", 0), 110);
  TFmSReport again;
  EXPECT_EQ(again.ScalePercent(), 110);
  for (int i = 0; i < 20; ++i) again.ToolButton13Click();
  EXPECT_EQ(again.ScalePercent(), 10);  // never down to nothing
  again.ToolButton19Click();
  EXPECT_EQ(UserSettings("Zelvo\\RelWin").read_integer("", "ScalePercent", 0), 10);
}

TEST_F(SReportTest, DesktopMailDeletesThePdfInEveryCase) {
  const struct {
    const char* name;
    const char* erro;
    bool raises;
    bool installed;
    const char* message;  // "" when no box is expected
  } kCases[] = {
      {"sent", "", false, true, ""},
      {"error text", "Nenhuma conta configurada", false, true,
       "Ocorreu um erro ao criar o e-mail.\rNenhuma conta configurada"},
      {"raises", "falhou ao iniciar o programa", true, true,
       "Ocorreu um erro ao criar o e-mail.\rfalhou ao iniciar o programa"},
      {"no program", "", false, false,
       "Ocorreu um erro ao criar o e-mail.\rNenhum programa de e-mail está ligado a esta estação."},
  };
  const fs::path folder = store_ / "relatorio";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    dialogs_.clear();
    TFmSReport fm;
    prepare(fm);
    std::string anexo, para, assunto;
    bool existed = false;
    if (c.installed) {
      set_desktop_mail_sender([&](std::string_view Para, std::string_view, std::string_view,
                                  std::string_view Assunto, std::string_view, std::string_view Anexos, bool,
                                  bool, std::string& Erro) {
        para = Para;
        assunto = Assunto;
        anexo = Anexos;
        existed = fs::is_regular_file(anexo);
        if (c.raises) throw EZpkError(c.erro);
        Erro = c.erro;
      });
    } else {
      set_desktop_mail_sender({});
    }
    fm.ToolButton3Click(when());
    if (c.installed) {
      EXPECT_TRUE(existed);
      EXPECT_EQ(fs::path(anexo), folder / "Pedido D8512025 de ANA_250225140309.pdf");
      EXPECT_EQ(para, "compras@cliente.com.br");
      EXPECT_EQ(assunto, "Pedido D851/2025. de ANA");
    }
    EXPECT_TRUE(files_in(folder).empty());
    if (*c.message == '\0') {
      EXPECT_TRUE(dialogs_.records().empty());
    } else {
      ASSERT_EQ(dialogs_.records().size(), 1u);
      EXPECT_EQ(dialogs_.last().text, c.message);
      EXPECT_EQ(dialogs_.last().caption, "Erro");
      EXPECT_EQ(dialogs_.last().type, mtWarning);
    }
  }
}

TEST_F(SReportTest, DesktopMailWithoutASharedFolderUsesTheTemporaryFolder) {
  set_root("");
  TFmSReport fm;
  fm.Caption = "Pedidos";
  fm.prReport1.LoadTemplateFromText("page size=A5\nband title height=10\n", "VAZIO.prt");
  ASSERT_TRUE(fm.prReport1.Prepare());
  fs::path anexo;
  set_desktop_mail_sender([&](std::string_view, std::string_view, std::string_view, std::string_view,
                              std::string_view, std::string_view Anexos, bool, bool, std::string&) {
    anexo = Anexos;
    EXPECT_TRUE(fs::is_regular_file(anexo));
  });
  fm.ToolButton3Click(when());
  EXPECT_EQ(anexo, fs::temp_directory_path() / "relatorio" / "Pedidos_250225140309.pdf");
  EXPECT_FALSE(fs::exists(anexo));
}

TEST_F(SReportTest, PdfForTheSendMailFormGoesToTheUsersFolder) {
  TFmSReport fm;
  prepare(fm);
  dialogs_.reply("Enviar");
  EXPECT_EQ(fm.ToolButton4Click(when()), 1);
  const fs::path pdf = program_ / "EMails" / "E007" / "Pedido D8512025 de ANA_250225140309.pdf";
  EXPECT_TRUE(fs::is_regular_file(pdf));
  EXPECT_EQ(fm.FmEnviaEmail.cbDestinatario, "compras@cliente.com.br");
  EXPECT_EQ(fm.FmEnviaEmail.edtAssunto, "Pedido D851/2025. de ANA");
  EXPECT_EQ(fs::path(fm.FmEnviaEmail.edtAnexo), pdf);
  EXPECT_EQ(dialogs_.last().kind, DialogKind::modal_form);
  EXPECT_EQ(dialogs_.last().caption, "TFmEnviaEmail");
  EXPECT_EQ(dialogs_.last().text, "zpkUtil.bpl");
}

TEST_F(SReportTest, WhatsAppNeedsItsFolderAndGetsThePdfPath) {
  TFmSReport fm;
  prepare(fm);
  std::vector<std::string> started;
  fm.OnExecutaPrograma = [&](const fs::path& program, const std::string& argument) {
    started = {program.string(), argument};
    return true;
  };
  EXPECT_EQ(fm.ToolButton2Click(when()), std::nullopt);
  EXPECT_EQ(dialogs_.last().text, "Funcionalidade não disponível.");
  EXPECT_EQ(dialogs_.last().caption, "ZELVO ERP");
  EXPECT_TRUE(started.empty());

  fs::create_directories(program_ / "WhatsApp");
  dialogs_.clear();
  const auto pdf = fm.ToolButton2Click(when());
  ASSERT_TRUE(pdf);
  EXPECT_EQ(*pdf, program_ / "Relatorio" / "PedidoD8512025deANA_250225140309.pdf");
  EXPECT_TRUE(fs::is_regular_file(*pdf));
  EXPECT_EQ(started,
            (std::vector<std::string>{(program_ / "WhatsApp" / "uWhatsApp.exe").string(), pdf->string()}));
  EXPECT_EQ(IniFile(program_ / "WhatsApp" / "ConfTInject.ini").read_string("Informacao", "Usuario Logado"),
            "ANA");
  EXPECT_FALSE(dialogs_.busy());
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(SReportTest, WhatsAppSenderRunsWithThePdfPathAsItsOneArgument) {
  TFmSReport fm;
  fm.Caption = "Pedido \"A\"; $(touch x)";
  fm.prReport1.LoadTemplateFromText("page size=A5\nband title height=10\n", "VAZIO.prt");
  ASSERT_TRUE(fm.prReport1.Prepare());
  // The sender as a script under the program's name: it writes the argument it got.
  const fs::path program = program_ / "WhatsApp" / "uWhatsApp.exe";
  write_file(program, "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > \"$(dirname \"$0\")/argumento.txt\"\n");
  fs::permissions(program, fs::perms::owner_all);
  const auto pdf = fm.ToolButton2Click(when());
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->filename().string(), "Pedido\"A\";$(touchx)_250225140309.pdf");
  std::ifstream in(program_ / "WhatsApp" / "argumento.txt");
  const std::string received((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(received, pdf->string() + "|1");
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(SReportTest, PdfIsSavedWhereTheSaveDialogSays) {
  TFmSReport fm;
  prepare(fm);
  std::string suggested;
  fm.OnSalvarComo = [&](const std::string& suggestion) -> std::optional<std::string> {
    suggested = suggestion;
    return (base_ / "saida" / "pedido").string();
  };
  fs::create_directories(base_ / "saida");
  EXPECT_EQ(fm.ToolButton7Click(), base_ / "saida" / "pedido.pdf");
  EXPECT_EQ(suggested, "Pedido D8512025 de ANA.pdf");
  EXPECT_TRUE(fs::is_regular_file(base_ / "saida" / "pedido.pdf"));
  fm.OnSalvarComo = [](const std::string&) { return std::nullopt; };
  EXPECT_EQ(fm.ToolButton7Click(), std::nullopt);

  // Without a save dialog of the host, the port's box offers the same name;
  // confirmed as offered, the file lands in the program's folder.
  fm.OnSalvarComo = nullptr;
  EXPECT_EQ(fm.ToolButton7Click(), program_ / "Pedido D8512025 de ANA.pdf");
  EXPECT_EQ(dialogs_.last().value, "Pedido D8512025 de ANA.pdf");
  EXPECT_TRUE(fs::is_regular_file(program_ / "Pedido D8512025 de ANA.pdf"));
  dialogs_.reply(":cancel");
  EXPECT_EQ(fm.ToolButton7Click(), std::nullopt);
}

TEST_F(SReportTest, SpreadsheetIsOpenedOnAStationAndOnlySavedWhenHosted) {
  TFmSReport fm;
  prepare(fm);
  std::vector<fs::path> opened;
  set_file_opener([&](const fs::path& file) {
    opened.push_back(file);
    return true;
  });
  const fs::path local = fm.ToolButton5Click(when());
  EXPECT_EQ(local, fs::temp_directory_path() / "Pedido D8512025 de ANA_250225140309.xlsx");
  EXPECT_TRUE(fs::is_regular_file(local));
  EXPECT_EQ(opened, std::vector<fs::path>{local});
  fs::remove(local);

  ScopedValue<std::string> nuvem{vNuvem, "S"};
  const fs::path hosted = ExportaPrtXls(fm.prReport1, when());
  EXPECT_EQ(hosted, program_ / "EMails" / "E007" / "Pedido D8512025 de ANA_250225140309.xlsx");
  EXPECT_TRUE(fs::is_regular_file(hosted));
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(SReportTest, PrintingGoesThroughTheQueueAndSkipsTheSetupWhenHosted) {
  TFmSReport fm;
  prepare(fm);
  // Unconnected, the window prints with the report's own operations: the
  // set-up dialog picks the printer, hosted stations print straight away.
  std::vector<std::vector<std::string>> jobs;
  const PrintSpawner previous_spawner = set_print_spawner([&](const std::vector<std::string>& argv) {
    jobs.push_back(argv);
    return true;
  });
  const PrinterLister previous_lister = set_printer_lister([] { return std::vector<std::string>{"laser"}; });
  dialogs_.reply("laser");
  fm.ToolButton1Click();
  EXPECT_EQ(dialogs_.last().kind, DialogKind::print_setup);
  {
    ScopedValue<std::string> nuvem{vNuvem, "S"};
    dialogs_.clear();
    fm.ToolButton1Click();
    EXPECT_TRUE(dialogs_.records().empty());
  }
  set_print_spawner(previous_spawner);
  set_printer_lister(previous_lister);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ((std::vector<std::string>(jobs[0].begin(), jobs[0].begin() + 3)),
            (std::vector<std::string>{"lp", "-d", "laser"}));

  std::vector<bool> setups;
  fm.OnImprimir = [&](TprReport& report, bool print_setup) {
    EXPECT_EQ(&report, &fm.prReport1);
    setups.push_back(print_setup);
    return true;
  };
  fm.ToolButton1Click();
  ScopedValue<std::string> nuvem{vNuvem, "S"};
  fm.ToolButton1Click();
  EXPECT_EQ(setups, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace zpk
