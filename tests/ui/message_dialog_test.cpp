// The message dialog as a window: only a button closes it, "Copiar" copies
// it, the answer is the button's number, and its size keeps to the screen.
#include "ui/detail/message_dialog.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <stdexcept>

#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_message.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/modal.hpp"
#include "ui/qt_dialogs.hpp"

namespace zpk::ui {
namespace {

using test::when_modal;

MessageRequest request(std::string text, std::vector<std::string> buttons, int default_button = 0,
                       int cancel_button = 0, TMsgDlgType type = mtInformation) {
  MessageRequest r;
  r.type = type;
  r.caption = "Pedidos";
  r.text = std::move(text);
  r.buttons = std::move(buttons);
  r.default_button = default_button;
  r.cancel_button = cancel_button;
  return r;
}

class MessageDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { aplicacao_qt(); }
};

TEST_F(MessageDialogTest, OnlyAButtonClosesIt) {
  TMessageDialog dialog(request("Gravar o pedido?", {"&Sim", "&Não"}, 1));
  dialog.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  dialog.close();
  EXPECT_TRUE(dialog.isVisible()) << "close() closed it";
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible()) << "Escape closed it without a cancel button";
  QTest::keyClick(&dialog, Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.answer(), 0);

  QTest::mouseClick(dialog.button(2), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.answer(), 2);
  EXPECT_EQ(dialog.result(), 2);
}

TEST_F(MessageDialogTest, EachTypeSoundsAsItComesUpAndConfirmMessageAlertsWithTheWarning) {
  std::vector<TMsgDlgType> tocados;
  const auto antes = som_da_mensagem;
  som_da_mensagem = [&](TMsgDlgType type) { tocados.push_back(type); };
  QtDialogs dialogs;
  ScopedDialogService installed(dialogs);
  const TMsgDlgType kTypes[] = {mtWarning, mtError, mtInformation, mtConfirmation, mtCustom};
  for (TMsgDlgType type : kTypes) {
    when_modal([](QWidget& w) { static_cast<TMessageDialog&>(w).button(1)->click(); });
    dialogs.show_message(request("Som", {"&Ok"}, 1, 0, type));
  }
  for (bool alerta : {false, true}) {
    when_modal([](QWidget& w) { static_cast<TMessageDialog&>(w).button(1)->click(); });
    EXPECT_TRUE(ConfirmMessage("Continuar?", alerta));
  }
  som_da_mensagem = antes;
  EXPECT_EQ(tocados, (std::vector<TMsgDlgType>{mtWarning, mtError, mtInformation, mtConfirmation, mtCustom,
                                               mtConfirmation, mtWarning}));
}

TEST_F(MessageDialogTest, EscapePressesTheCancelButtonAndEnterTheDefault) {
  {
    TMessageDialog dialog(request("Excluir?", {"&Sim", "&Não", "Cancela"}, 0, 3));
    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.answer(), 3);
  }
  {
    TMessageDialog dialog(request("Excluir?", {"&Sim", "&Não", "Cancela"}, 2, 3));
    dialog.open();
    EXPECT_TRUE(dialog.button(2)->hasFocus() || dialog.button(2)->isDefault());
    QTest::keyClick(dialog.button(2), Qt::Key_Return);
    EXPECT_EQ(dialog.answer(), 2);
  }
}

TEST_F(MessageDialogTest, CopiarPutsTheDialogOnTheClipboard) {
  TMessageDialog dialog(request("Cliente bloqueado.\nLimite excedido.", {"&Ok", "&Cancelar"}, 1));
  dialog.open();
  QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
  const QString dashes(80, QLatin1Char('-'));
  const QString expected = dashes + "\r\n" + QCoreApplication::applicationFilePath() + " -> Pedidos\r\n" +
                           dashes + "\r\nCliente bloqueado.\r\nLimite excedido.\r\n" + dashes +
                           "\r\n|Ok|   |Cancelar|   \r\n" + dashes + "\r\n";

  QTest::mouseClick(dialog.label_copy(), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
  EXPECT_TRUE(dialog.isVisible()) << "copying must not answer";

  QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
  QTest::keyClick(dialog.button(1), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
}

TEST_F(MessageDialogTest, LaidOutAsTheErpDrawsIt) {
  TMessageDialog dialog(request("Pedido gravado.", {"&Ok"}, 1, 1, mtWarning));
  EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(234, 234, 234));
  EXPECT_EQ(dialog.panel_caption()->geometry(), QRect(0, 0, dialog.width(), 25));
  EXPECT_EQ(dialog.panel_caption()->text(), "Pedidos");
  EXPECT_EQ(dialog.image_icon()->geometry(), QRect(16, 25 + 16, 32, 32));
  EXPECT_FALSE(dialog.image_icon()->pixmap().isNull());
  EXPECT_EQ(dialog.panel_buttons()->height(), 25 + 16);
  EXPECT_EQ(dialog.button(1)->size(), QSize(75, 25));
  EXPECT_EQ(dialog.button(1)->y(), 8);
  EXPECT_EQ(dialog.label_copy()->text(), "Copiar");
  EXPECT_TRUE(dialog.label_copy()->font().underline());
  EXPECT_GE(dialog.width(), 250 + 32);
  EXPECT_EQ(dialog.scroll_box()->x(), 64);
  // Every type's icon fills the 32-pixel square, the custom type's generic one too.
  for (TMsgDlgType type : {mtWarning, mtError, mtInformation, mtConfirmation, mtCustom}) {
    TMessageDialog typed(request("Pedido gravado.", {"&Ok"}, 1, 1, type));
    EXPECT_EQ(typed.image_icon()->pixmap().deviceIndependentSize().toSize(), QSize(32, 32))
        << static_cast<int>(type);
  }
}

TEST_F(MessageDialogTest, NeverLargerThanTheWorkArea) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  QStringList words;
  for (int i = 0; i < 400; ++i) words << QStringLiteral("palavra%1").arg(i);
  TMessageDialog wide(request(words.join(' ').toStdString(), {"&Ok"}, 1));
  EXPECT_EQ(wide.width(), area.width() - 64);
  EXPECT_TRUE(wide.label_message()->wordWrap());

  // One long word (a key, a path) wraps too: nothing is left past the edge.
  TMessageDialog one_word(request(std::string(3000, '9'), {"&Ok"}, 1));
  EXPECT_EQ(one_word.width(), area.width() - 64);
  EXPECT_LE(one_word.label_message()->sizeHint().width(), one_word.width() - 80);

  std::string many_lines;
  for (int i = 0; i < 500; ++i) many_lines += "linha " + std::to_string(i) + "\n";
  TMessageDialog tall(request(many_lines, {"&Ok"}, 1));
  EXPECT_EQ(tall.height(), area.height() - 32);
  tall.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tall));
  QScrollBar* bar = tall.scroll_box()->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0) << "the lines that do not fit must scroll";
  QTest::keyClick(tall.button(1), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(bar->value(), bar->maximum());
  QTest::keyClick(tall.button(1), Qt::Key_Up);
  EXPECT_LT(bar->value(), bar->maximum());
  QTest::keyClick(tall.button(1), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(MessageDialogTest, DraggingTheCaptionBarMovesIt) {
  TMessageDialog dialog(request("Arraste", {"&Ok"}, 1));
  dialog.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QPoint before = dialog.pos();
  QTest::mousePress(dialog.panel_caption(), Qt::LeftButton, {}, QPoint(20, 10));
  QTest::mouseMove(dialog.panel_caption(), QPoint(60, 40));
  QTest::mouseRelease(dialog.panel_caption(), Qt::LeftButton, {}, QPoint(60, 40));
  EXPECT_EQ(dialog.pos(), before + QPoint(40, 30));
}

TEST_F(MessageDialogTest, TheAnswerIsTheOneBasedButtonPressed) {
  QtDialogs dialogs;
  ScopedDialogService installed(dialogs);
  const struct {
    int press;
    int expected_message;
    bool expected_confirm;
  } kCases[] = {{1, 1, true}, {2, 2, false}, {3, 3, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.press);
    auto press = [n = c.press](QWidget& w) {
      auto* dialog = qobject_cast<TMessageDialog*>(&w);
      ASSERT_NE(dialog, nullptr);
      QTest::mouseClick(dialog->button(n), Qt::LeftButton);
    };
    when_modal(press);
    EXPECT_EQ(ShowMessageDialog("Qual?", mtConfirmation, {"Um", "Dois", "Três"}), c.expected_message);
    when_modal(press);
    EXPECT_EQ(ConfirmMessage("Confirma?"), c.expected_confirm);
  }
}

TEST_F(MessageDialogTest, TheWaitNoticeDisablesTheOtherWindowsUntilItCloses) {
  QtDialogs dialogs;
  ScopedDialogService installed(dialogs);
  QWidget screen;
  screen.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&screen));

  ShowWaitMessage("  Lendo pedidos  ");
  QWidget* notice = dialogs.wait_form();
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->size(), QSize(450, 120));
  EXPECT_EQ(dialogs.wait_label()->text(), "Lendo pedidos");
  EXPECT_FALSE(screen.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

  ShowWaitMessage("");
  EXPECT_EQ(dialogs.wait_form(), notice) << "a second call only changes the text";
  EXPECT_EQ(dialogs.wait_label()->text(), "Processando ...");

  CloseWaitMessage();
  EXPECT_EQ(dialogs.wait_form(), nullptr);
  EXPECT_TRUE(screen.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Closed also when the work raises.
  EXPECT_THROW(ShowWaitMessage("Gravando", [] { throw std::runtime_error("falhou"); }), std::runtime_error);
  EXPECT_EQ(dialogs.wait_form(), nullptr);
  EXPECT_TRUE(screen.isEnabled());
}

TEST_F(MessageDialogTest, AMessageDuringTheWaitNoticeCanBeAnswered) {
  QtDialogs dialogs;
  ScopedDialogService installed(dialogs);
  QWidget screen;
  screen.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&screen));
  screen.activateWindow();
  ShowWaitMessage("Faturando");
  // The window manager may leave the screen active under the notice.
  QApplication::setActiveWindow(&screen);
  bool enabled = false;
  when_modal([&](QWidget& w) {
    auto* dialog = qobject_cast<TMessageDialog*>(&w);
    ASSERT_NE(dialog, nullptr);
    enabled = dialog->isEnabled() && dialog->button(2)->isEnabled();
    QTest::mouseClick(dialog->button(2), Qt::LeftButton);
  });
  EXPECT_EQ(ShowMessageDialog("Continuar?", mtConfirmation, {"&Sim", "&Não"}), 2);
  EXPECT_TRUE(enabled) << "the dialog must take input while the other windows are disabled";
  EXPECT_NE(dialogs.wait_form(), nullptr) << "answering does not close the notice";
  CloseWaitMessage();
  EXPECT_TRUE(screen.isEnabled());
}

TEST_F(MessageDialogTest, BusyCursorIsSetOnceAndTakenOnce) {
  QtDialogs dialogs;
  ScopedDialogService installed(dialogs);
  Ocupado(true);
  Ocupado(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Ocupado(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// scripts/screenshots runs this one under Xvfb with ZPK_SCREENSHOTS_DIR set;
// otherwise the pictures go to a temporary folder and are only checked.
TEST_F(MessageDialogTest, PicturesOfEachType) {
  zpk::test::TempFolder temp("screenshots");
  const char* wanted = std::getenv("ZPK_SCREENSHOTS_DIR");
  const QString folder =
      wanted ? QString::fromLocal8Bit(wanted) : QString::fromStdString(temp.path().string());
  ASSERT_TRUE(QDir().mkpath(folder));
  const struct {
    TMsgDlgType type;
    const char* file;
    const char* text;
  } kCases[] = {
      {mtWarning, "aviso", "O pedido 000123 está bloqueado pelo usuário MARIA."},
      {mtError, "erro", "Não foi possível gravar a nota fiscal 001234.\nO período está fechado."},
      {mtInformation, "informacao", "Pedido gravado."},
      {mtConfirmation, "confirmacao", "Confirma a exclusão do título 000456/1?"},
      {mtCustom, "personalizado", "Mensagem do sistema."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file);
    TMessageDialog dialog(request(c.text, {"&Sim", "&Não", "Cancela"}, 1, 3, c.type));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QString file = folder + "/mensagem_" + c.file + ".png";
    ASSERT_TRUE(dialog.grab().save(file));
    const QImage saved(file);
    EXPECT_EQ(saved.size(), dialog.size() * dialog.devicePixelRatio());
    // The caption bar's dark grey is what the picture shows at its top.
    EXPECT_EQ(saved.pixelColor(2, 2), QColor(79, 79, 79));
    dialog.button(1)->click();
  }
}

}  // namespace
}  // namespace zpk::ui
