// Host screens the library asks for through the dialog port open by their
// class name and answer with their modal result; a missing screen or package
// is told to the user and counts as cancelled, never as confirmed.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "platform/settings/program_folder.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"
#include "ui/detail/message_dialog.hpp"
#include "ui/modal.hpp"
#include "ui/qt_dialogs.hpp"

namespace zpk::ui {
namespace {

using test::when_modal;

const RegistraTela kTelaModal("TfmModalTeste", [] {
  auto* tela = new QDialog;
  tela->setObjectName("fmModalTeste");
  return tela;
});

MessageRequest pedido_tela(std::string classe, std::string pacote, int cancel_button = 2) {
  MessageRequest r;
  r.kind = DialogKind::modal_form;
  r.type = mtCustom;
  r.caption = std::move(classe);
  r.text = std::move(pacote);
  r.buttons = {"&OK", "&Cancelar"};
  r.default_button = 1;
  r.cancel_button = cancel_button;
  return r;
}

TEST(TelaModal, TheScreenOfTheClassNamedOpensAndItsResultIsTheAnswer) {
  aplicacao_qt();
  QtDialogs dialogs;
  const struct {
    const char* name;
    int result;  // what the screen ends with
    int answer;
  } kCases[] = {{"confirmed", QDialog::Accepted, 1},
                {"cancelled", QDialog::Rejected, 2},
                {"second button", 2, 2},
                {"a result with no button", 7, 2}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string aberta;
    when_modal([&](QWidget& w) {
      aberta = w.property("NomeClasse").toString().toStdString();
      static_cast<QDialog&>(w).done(c.result);
    });
    EXPECT_EQ(dialogs.show_message(pedido_tela("TFMMODALTESTE", "")), c.answer);
    EXPECT_EQ(aberta, "TfmModalTeste");
  }
}

TEST(TelaModal, AMissingScreenOrPackageIsToldAndCancels) {
  aplicacao_qt();
  zpk::test::TempFolder pasta("tela-modal");
  set_program_folder(pasta.path());
  QtDialogs dialogs;
  ScopedDialogService instalado(dialogs);  // the library's messages come up as windows too
  const struct {
    const char* classe;
    const char* pacote;
    int cancel_button;
    const char* mensagem;  // the start of what the user is told
  } kCases[] = {
      {"TfmNaoExiste", "", 2, "Não foi possível encontrar a Tela!"},
      {"TfmModalTeste", "zpkNaoExiste.bpl", 2, "Não foi possível carregar o pacote zpkNaoExiste.bpl"},
      {"TfmNaoExiste", "", 0, "Não foi possível encontrar a Tela!"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.classe) + " " + c.pacote);
    QString dito;
    when_modal([&](QWidget& w) {
      auto* mensagem = qobject_cast<TMessageDialog*>(&w);
      ASSERT_NE(mensagem, nullptr) << "the screen opened instead of the message";
      dito = mensagem->label_message()->text();
      mensagem->button(1)->click();
    });
    EXPECT_EQ(dialogs.show_message(pedido_tela(c.classe, c.pacote, c.cancel_button)), c.cancel_button);
    EXPECT_TRUE(dito.startsWith(QString::fromUtf8(c.mensagem))) << dito.toStdString();
  }
  set_program_folder({});
}

}  // namespace
}  // namespace zpk::ui
