// What the user is shown and what the routines get back, through the
// headless dialog service.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "platform/ui/input_boxes.hpp"

namespace zpk {
namespace {

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override { set_application_title("ZELVO ERP"); }
  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(Dialogs, MessageKindsShowTheirCaptionTypeAndButtons) {
  using Buttons = std::vector<std::string>;
  const struct {
    const char* name;
    std::function<void()> show;
    DialogKind kind;
    TMsgDlgType type;
    std::string caption, text;
    Buttons buttons;
  } kCases[] = {
      {"plain", [] { ShowMessageDialog("Feito."); }, DialogKind::message_dialog, mtInformation, "ZELVO ERP",
       "Feito.", Buttons{"&Ok"}},
      {"caption trimmed", [] { ShowMessageDialog("Feito.", "  Estoque "); }, DialogKind::message_dialog,
       mtInformation, "Estoque", "Feito.", Buttons{"&Ok"}},
      {"error", [] { ShowErrorMessage("Falhou."); }, DialogKind::message_dialog, mtError, "ZELVO ERP",
       "Falhou.", Buttons{"&Ok"}},
      {"empty error", [] { ShowErrorMessage(""); }, DialogKind::message_dialog, mtError, "ZELVO ERP",
       "Error Message", Buttons{"&Ok"}},
      {"confirm", [] { ConfirmMessage("Continuar?"); }, DialogKind::message_dialog, mtConfirmation,
       "ZELVO ERP", "Continuar?", Buttons{"&Sim", "&Não", "Cancela"}},
      {"confirm alert", [] { ConfirmMessage("Apagar?", true); }, DialogKind::message_dialog, mtWarning,
       "ZELVO ERP", "Apagar?", Buttons{"&Sim", "&Não", "Cancela"}},
      {"custom",
       [] {
         ShowMessageDialog("Qual?", "Escolha", mtCustom, {"A", "B"});
       },
       DialogKind::message_dialog, mtCustom, "Escolha", "Qual?", Buttons{"A", "B"}},
      {"information box",
       [] { MessageBox("Lote Em Análise.", "ZELVO Sistemas", MB_OK | MB_ICONINFORMATION); },
       DialogKind::message_box, mtInformation, "ZELVO Sistemas", "Lote Em Análise.", Buttons{"OK"}},
      {"warning box", [] { MessageBox("Saída não encontrada.", "Movimentação de estoque", MB_ICONWARNING); },
       DialogKind::message_box, mtWarning, "Movimentação de estoque", "Saída não encontrada.", Buttons{"OK"}},
      {"error box", [] { MessageBox("Arquivo não Existe", "Importação", MB_ICONERROR); },
       DialogKind::message_box, mtError, "Importação", "Arquivo não Existe", Buttons{"OK"}},
      {"question box", [] { MessageBox("Deseja continuar?", "ZELVO Sistemas", MB_YESNO | MB_ICONQUESTION); },
       DialogKind::message_box, mtConfirmation, "ZELVO Sistemas", "Deseja continuar?", Buttons{"Sim", "Não"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    c.show();
    const DialogRecord& shown = dialogs_.last();
    EXPECT_EQ(shown.kind, c.kind);
    EXPECT_EQ(shown.type, c.type);
    EXPECT_EQ(shown.caption, c.caption);
    EXPECT_EQ(shown.text, c.text);
    EXPECT_EQ(shown.buttons, c.buttons);
  }
}

TEST_F(Dialogs, ConfirmMessageIsTrueOnlyForSim) {
  const struct {
    const char* reply;  // nullptr: nothing scripted
    bool expected;
  } kCases[] = {
      {"Sim", true},      {"&Sim", true},      {"1", true},      {"yes", true},
      {"&Não", false},    {"nao", false},      {"2", false},     {"Cancela", false},
      {":cancel", false}, {":default", false}, {nullptr, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply ? c.reply : "(unscripted)");
    if (c.reply) dialogs_.reply(c.reply);
    EXPECT_EQ(ConfirmMessage("Gravar?"), c.expected);
    EXPECT_EQ(dialogs_.last().scripted, c.reply != nullptr);
  }
}

TEST_F(Dialogs, MessageBoxReturnsThePlatformIds) {
  const struct {
    int flags;
    const char* reply;  // nullptr: nothing scripted
    int expected;
  } kCases[] = {
      {MB_OK, nullptr, IDOK},
      {MB_OK, ":cancel", IDOK},  // Escape on a lone OK is OK
      {MB_YESNO, nullptr, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, nullptr, IDNO},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Sim", IDYES},
      {MB_YESNO, "no", IDNO},
      {MB_OKCANCEL, ":cancel", IDCANCEL},
      {MB_YESNOCANCEL, "Cancelar", IDCANCEL},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, nullptr, IDCANCEL},
      {MB_ABORTRETRYIGNORE, "Ignorar", IDIGNORE},
      {MB_RETRYCANCEL, "1", IDRETRY},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags << " reply " << (c.reply ? c.reply : "-"));
    if (c.reply) dialogs_.reply(c.reply);
    EXPECT_EQ(MessageBox("Texto", "Caption", c.flags), c.expected);
  }
}

TEST_F(Dialogs, ReplyThatMatchesNoButtonRaisesNamingTheButtons) {
  for (const char* reply : {"Talvez", "3", ":cancel"}) {
    SCOPED_TRACE(reply);
    dialogs_.reply(reply);
    try {
      MessageBox("Deseja continuar?", "ZELVO Sistemas", MB_YESNO);
      FAIL() << "no error";
    } catch (const EZpkError& e) {
      EXPECT_NE(std::string(e.what()).find("[Sim|Não]"), std::string::npos) << e.what();
    }
  }
}

TEST_F(Dialogs, ShowMessageDialogAnswersWithTheButtonNumber) {
  const std::vector<std::string> buttons{"Incluir", "Alterar", "&Excluir", "Sair"};
  dialogs_.reply("excluir");
  EXPECT_EQ(ShowMessageDialog("Operação?", mtConfirmation, buttons, 1, 4), 3);
  EXPECT_EQ(dialogs_.last().answer, "Excluir");
  EXPECT_EQ(ShowMessageDialog("Operação?", mtConfirmation, buttons, 2, 4), 2);   // the default
  EXPECT_EQ(ShowMessageDialog("Operação?", mtConfirmation, buttons, -1, 4), 4);  // no default: cancel
  EXPECT_EQ(ShowMessageDialog("Operação?", mtConfirmation, buttons, 0, 0), 1);   // neither: the first
  // A help button shows help, so it never answers.
  EXPECT_EQ(ShowCustomMessageDialog("Operação?", "", mtConfirmation, {"Ajuda", "Ok"}, 0, 0, 0, 0, "", -1, -1),
            2);
  dialogs_.reply("Ajuda");
  EXPECT_THROW(
      ShowCustomMessageDialog("Operação?", "", mtConfirmation, {"Ajuda", "Ok"}, 0, 0, 0, 0, "", -1, -1),
      EZpkError);
}

TEST_F(Dialogs, ShowExceptionDialogReportsThenAbortsSilently) {
  EXPECT_THROW(ShowExceptionDialog(std::runtime_error("Chave duplicada")), EAbort);
  EXPECT_EQ(dialogs_.last().type, mtError);
  EXPECT_EQ(dialogs_.last().text, "Chave duplicada");
}

TEST_F(Dialogs, WaitNoticeClosesAlsoWhenTheWorkRaises) {
  EXPECT_TRUE(ShowWaitMessage("Calculando", [] { return true; }));
  EXPECT_FALSE(dialogs_.wait_visible());
  EXPECT_THROW(ShowWaitMessage("", [] { throw std::runtime_error("falhou"); }), std::runtime_error);
  EXPECT_FALSE(dialogs_.wait_visible());
  const std::deque<std::string> expected{"Calculando", "Processando ..."};
  EXPECT_EQ(dialogs_.wait_history(), expected);

  ShowWaitMessage("  um  ");
  ShowWaitMessage("dois");
  EXPECT_TRUE(dialogs_.wait_visible());
  EXPECT_EQ(dialogs_.wait_text(), "dois");
  CloseWaitMessage();
  EXPECT_FALSE(dialogs_.wait_visible());
}

TEST_F(Dialogs, OcupadoUsesTheWaitNoticeOrTheBusyCursor) {
  Ocupado(true, nullptr, true, "");
  EXPECT_EQ(dialogs_.wait_text(), "Aguarde um instante...");
  Ocupado(false, nullptr, true);
  EXPECT_FALSE(dialogs_.wait_visible());
  Ocupado(true);
  EXPECT_TRUE(dialogs_.busy());
  EXPECT_FALSE(dialogs_.wait_visible());
  Ocupado(false);
  EXPECT_FALSE(dialogs_.busy());
}

TEST_F(Dialogs, MessageDlgPortuguesLaysOutTheStandardButtons) {
  const struct {
    const char* reply;
    int expected;
  } kCases[] = {
      {"Gravar", 6}, {"Descartar", 7}, {"Descartar todos", 9}, {"Gravar todos", 10}, {"Cancelar", 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    dialogs_.reply(c.reply);
    EXPECT_EQ(MessageDlgPortugues("Gravar alterações?", mtConfirmation,
                                  {mbCancel, mbYesToAll, mbNo, mbYes, mbNoToAll}, 0, mbYes, "Gravar",
                                  "Descartar", "Gravar todos", "Descartar todos"),
              c.expected);
  }
  const DialogRecord& shown = dialogs_.last();
  EXPECT_EQ(shown.kind, DialogKind::standard_dialog);
  EXPECT_EQ(shown.caption, "Confirmação");
  const std::vector<std::string> order{"Gravar", "Descartar", "Cancelar", "Descartar todos", "Gravar todos"};
  EXPECT_EQ(shown.buttons, order);
  EXPECT_EQ(shown.default_button, 1);
  EXPECT_EQ(shown.cancel_button, 3);
}

TEST_F(Dialogs, InputBoxesSetValorOnlyWhenConfirmed) {
  std::string nota = "000123";
  EXPECT_TRUE(InputBoxNota("Faturamento", "Número da Nota Fiscal", nota));  // unscripted: OK as filled
  EXPECT_EQ(nota, "000123");
  EXPECT_EQ(dialogs_.last().kind, DialogKind::input_number);
  EXPECT_EQ(dialogs_.last().value, "000123");

  dialogs_.reply("0001245678");
  EXPECT_TRUE(InputBoxNota("Faturamento", "Número da Nota Fiscal", nota));
  EXPECT_EQ(nota, "0001245");  // the box holds 7 characters

  dialogs_.reply(":cancel");
  EXPECT_FALSE(InputBoxNota("Faturamento", "Numero da Nota Fiscal", nota));
  EXPECT_EQ(nota, "0001245");
  EXPECT_TRUE(dialogs_.last().cancelled);

  std::string memo = "antes";
  dialogs_.reply("d'água | ok");
  EXPECT_TRUE(InputBoxMemo("Obs", "Texto", memo, 50));
  EXPECT_EQ(memo, "d água   ok");

  std::string senha;
  dialogs_.reply("segredo");
  EXPECT_TRUE(InputBoxSenha("Controle de Acesso", "Senha Supervisor", senha));
  EXPECT_EQ(senha, "segredo");
  EXPECT_EQ(dialogs_.last().kind, DialogKind::input_password);

  TDateTime data = DateNull;
  dialogs_.reply("25/12/2024");
  EXPECT_TRUE(InputBoxData("Data", "Vencimento", data));
  EXPECT_EQ(data, EncodeDate(2024, 12, 25));
  EXPECT_EQ(dialogs_.last().value, "");  // DateNull shows as empty
  dialogs_.reply(":cancel");
  EXPECT_FALSE(InputBoxData("Data", "Vencimento", data));
  EXPECT_EQ(data, EncodeDate(2024, 12, 25));

  std::string escolha = "B";
  dialogs_.reply("C");
  EXPECT_TRUE(InputComboBox("Layout", "Escolha", {"A", "B", "C"}, escolha));
  EXPECT_EQ(escolha, "C");
  EXPECT_EQ(dialogs_.pending_replies(), 0u);
}

TEST(DialogService, DefaultServiceRecordsAndAnswersWithDefaults) {
  ASSERT_EQ(set_dialog_service(nullptr), nullptr) << "a test left a service installed";
  const size_t before = default_dialogs().records().size();
  EXPECT_FALSE(ConfirmMessage("Sem tela?"));
  EXPECT_EQ(MessageBox("Sem tela", "ZELVO Sistemas", MB_YESNO), IDYES);
  ASSERT_EQ(default_dialogs().records().size(), before + 2);
  EXPECT_EQ(default_dialogs().last().text, "Sem tela");
}

TEST(DialogService, GuardRestoresThePreviousService) {
  HeadlessDialogs outer, inner;
  {
    ScopedDialogService a(outer);
    {
      ScopedDialogService b(inner);
      ShowMessageDialog("interno");
    }
    ShowMessageDialog("externo");
    EXPECT_EQ(set_dialog_service(&outer), &outer);
  }
  EXPECT_EQ(&dialog_service(), static_cast<DialogService*>(&default_dialogs()));
  ASSERT_EQ(inner.records().size(), 1u);
  EXPECT_EQ(inner.last().text, "interno");
  ASSERT_EQ(outer.records().size(), 1u);
  EXPECT_EQ(outer.last().text, "externo");
}

TEST(DialogService, EchoWritesOneLinePerDialogAndMasksPasswords) {
  std::ostringstream log;
  HeadlessDialogs dialogs(HeadlessDialogs::Options{.echo = &log});
  ScopedDialogService guard(dialogs);
  dialogs.reply_all({"Não", "segredo"});
  MessageBox("Lote Aprovado com Restrições x.\r\nDeseja continuar?", "ZELVO Sistemas",
             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  std::string senha = "velha";
  InputBoxSenha("Controle de Acesso", "Senha Supervisor", senha);
  ShowWaitMessage("Gerando");
  CloseWaitMessage();
  EXPECT_EQ(log.str(),
            "[dialog] message_box confirmation \"ZELVO Sistemas\": Lote Aprovado com Restrições x.\\nDeseja "
            "continuar? [Sim|Não] -> Não\n"
            "[dialog] input_password \"Controle de Acesso\": Senha Supervisor [***] -> ***\n"
            "[wait] Gerando\n"
            "[wait] closed\n");
}

TEST(DialogService, PrintBoxesAnswerWithTheirPreselectionAndEchoTheirKind) {
  std::ostringstream log;
  HeadlessDialogs dialogs(HeadlessDialogs::Options{.echo = &log});
  const struct {
    DialogKind kind;
    const char* name;
    const char* reply;  // nullptr: unscripted
    std::optional<std::string> answer;
  } kCases[] = {
      {DialogKind::print_mode, "print_mode", nullptr, "W:0"},
      {DialogKind::print_mode, "print_mode", "T:2", "T:2"},
      {DialogKind::print_setup, "print_setup", ":cancel", std::nullopt},
      {DialogKind::select_printer, "select_printer", "matricial", "matricial"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    log.str("");
    if (c.reply) dialogs.reply(c.reply);
    InputRequest request;
    request.kind = c.kind;
    request.caption = "Impressão";
    request.value = c.kind == DialogKind::print_mode ? "W:0" : "laser";
    request.buttons = {"&OK", "&Cancelar"};
    EXPECT_EQ(dialogs.show_input(request), c.answer);
    EXPECT_EQ(dialogs.last().kind, c.kind);
    EXPECT_EQ(log.str().rfind(std::string("[dialog] ") + c.name + " ", 0), 0u) << log.str();
  }
}

TEST(DialogService, RecordLimitKeepsTheLatest) {
  HeadlessDialogs dialogs(HeadlessDialogs::Options{.max_records = 2});
  ScopedDialogService guard(dialogs);
  for (const char* text : {"um", "dois", "três"}) ShowMessageDialog(text);
  ASSERT_EQ(dialogs.records().size(), 2u);
  EXPECT_EQ(dialogs.records().front().text, "dois");
  EXPECT_EQ(dialogs.last().text, "três");
}

}  // namespace
}  // namespace zpk
