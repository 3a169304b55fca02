// The input boxes as windows: the value changes only when the box is
// confirmed, the password is masked, sizes follow the font's dialog units,
// and the field checks ask and refuse through the dialog port.
#include "ui/detail/input_boxes_qt.hpp"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "platform/ui/headless_dialogs.hpp"
#include "platform/ui/input_boxes.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/field_checks.hpp"
#include "ui/modal.hpp"
#include "ui/qt_dialogs.hpp"

namespace zpk::ui {
namespace {

using test::when_modal;

class InputBoxesQtTest : public ::testing::Test {
 protected:
  void SetUp() override { aplicacao_qt(); }
  QtDialogs dialogs_;
  ScopedDialogService installed_{dialogs_};
};

// Types `text` over whatever the box's control holds.
void type_into(InputBoxWindow& box, const QString& text) {
  QWidget* control = box.control();
  if (auto* combo = qobject_cast<QComboBox*>(control)) control = combo->lineEdit();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
    memo->selectAll();
  } else {
    static_cast<QLineEdit*>(control)->selectAll();
  }
  // QTest's key table knows only ASCII: accented letters go as plain text events.
  for (const QChar ch : text) {
    if (ch.unicode() < 0x80) {
      QTest::keyClick(control, ch.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
  }
}

// Answers the box on screen: types, then confirms or cancels (Escape when it
// has no cancel button, as closing it does).
void answer_box(const QString& text, bool confirm) {
  when_modal([text, confirm](QWidget& w) {
    auto* box = qobject_cast<InputBoxWindow*>(&w);
    ASSERT_NE(box, nullptr);
    type_into(*box, text);
    if (confirm) {
      QTest::mouseClick(box->ok_button(), Qt::LeftButton);
    } else if (box->cancel_button()) {
      QTest::mouseClick(box->cancel_button(), Qt::LeftButton);
    } else {
      QTest::keyClick(box, Qt::Key_Escape);
    }
  });
}

TEST_F(InputBoxesQtTest, TheValueChangesOnlyWhenConfirmed) {
  const std::function<bool(std::string&)> ask_senha = [](std::string& v) {
    return InputBoxSenha("Supervisor", "Senha:", v);
  };
  const std::function<bool(std::string&)> ask_combo = [](std::string& v) {
    return InputComboBox("Tabela", "Escolha:", {"VAREJO", "ATACADO"}, v);
  };
  const std::function<bool(std::string&)> ask_memo = [](std::string& v) {
    return InputBoxMemo("Obs", "Observação:", v, 200);
  };
  const std::function<bool(std::string&)> ask_nota = [](std::string& v) {
    return InputBoxNota("Nota", "Número:", v);
  };
  const struct {
    const char* name;
    const std::function<bool(std::string&)>& ask;
    const char* typed;
    const char* confirmed;  // what the value becomes on OK
  } kCases[] = {
      {"senha", ask_senha, "s3gr3d0", "s3gr3d0"},
      {"combo", ask_combo, "ATACADO", "ATACADO"},
      {"combo fora da lista", ask_combo, "ESPECIAL", "ESPECIAL"},
      {"memo", ask_memo, "Entregar d'manhã | portão 2", "Entregar d manhã   portão 2"},
      {"nota", ask_nota, "123456789", "1234567"},  // the field holds 7 characters
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string value = "antes";
    answer_box(QString::fromUtf8(c.typed), false);
    EXPECT_FALSE(c.ask(value));
    EXPECT_EQ(value, "antes");

    answer_box(QString::fromUtf8(c.typed), true);
    EXPECT_TRUE(c.ask(value));
    EXPECT_EQ(value, c.confirmed);
  }
}

TEST_F(InputBoxesQtTest, TheDateBoxReadsTheDateTypedAndKeepsItOnCancel) {
  TDateTime value = EncodeDate(2026, 3, 5);
  answer_box(QStringLiteral("20/12/2026"), false);
  EXPECT_FALSE(InputBoxData("Vencimento", "Data:", value));
  EXPECT_EQ(value, EncodeDate(2026, 3, 5));
  answer_box(QStringLiteral("20/12/2026"), true);
  EXPECT_TRUE(InputBoxData("Vencimento", "Data:", value));
  EXPECT_EQ(value, EncodeDate(2026, 12, 20));
}

TEST_F(InputBoxesQtTest, ThePasswordIsMaskedAndStartsSelected) {
  InputRequest request;
  request.kind = DialogKind::input_password;
  request.caption = "Supervisor";
  request.prompt = "Senha do supervisor:";
  request.value = "abc";
  request.max_length = 255;
  request.masked = true;
  request.buttons = {"&OK", "&Cancelar"};
  InputBoxWindow box(request);
  auto* edit = qobject_cast<QLineEdit*>(box.control());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit->maxLength(), 255);
  EXPECT_EQ(edit->selectedText(), "abc");
  EXPECT_EQ(box.windowTitle(), "Supervisor");
  EXPECT_TRUE(box.ok_button()->isDefault());
  EXPECT_EQ(box.cancel_button()->text(), "&Cancelar");
}

TEST_F(InputBoxesQtTest, SizesFollowTheFontsDialogUnits) {
  const struct {
    DialogKind kind;
    int form_width, control_width, ok_left, cancel_left;  // dialog units; cancel 0: none
    std::vector<std::string> buttons;
  } kCases[] = {
      {DialogKind::input_password, 180, 164, 38, 92, {"&OK", "&Cancelar"}},
      {DialogKind::input_combo, 280, 264, 88, 142, {"OK", "Cancelar"}},
      {DialogKind::input_memo, 250, 235, 72, 126, {"&OK", "&Cancelar"}},
      {DialogKind::input_number, 130, 115, 40, 0, {"OK"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    InputRequest request;
    request.kind = c.kind;
    request.caption = "Caixa";
    request.prompt = "Informe:";
    request.buttons = c.buttons;
    InputBoxWindow box(request);
    const QPoint units = FuncGetAveCharSize(QFontMetrics(box.font()));
    ASSERT_GT(units.x(), 0);
    auto dx = [&](int du) { return du * units.x() / 4; };
    EXPECT_EQ(box.width(), dx(c.form_width));
    EXPECT_EQ(box.control()->width(), dx(c.control_width));
    EXPECT_EQ(box.control()->x(), dx(8));
    EXPECT_EQ(box.control()->y(), box.prompt_label()->geometry().bottom() + 1 + 5);
    EXPECT_EQ(box.ok_button()->x(), dx(c.ok_left));
    EXPECT_EQ(box.ok_button()->y(), box.control()->geometry().bottom() + 1 + 15);
    EXPECT_EQ(box.ok_button()->width(), dx(50));
    EXPECT_EQ(box.height(), box.ok_button()->geometry().bottom() + 1 + 13);
    if (c.cancel_left > 0) {
      ASSERT_NE(box.cancel_button(), nullptr);
      EXPECT_EQ(box.cancel_button()->x(), dx(c.cancel_left));
    } else {
      EXPECT_EQ(box.cancel_button(), nullptr);
    }
  }
}

TEST_F(InputBoxesQtTest, TheAverageCharacterIsTheMeanOfTheFiftyTwoLetters) {
  const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), 10));
  const QPoint size = FuncGetAveCharSize(metrics);
  EXPECT_EQ(
      size.x(),
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52);
  EXPECT_EQ(size.y(), metrics.height());
  EXPECT_EQ(GetAveCharSizeFat(metrics), size);
}

TEST_F(InputBoxesQtTest, ConfirmaLimparCampoAsksOnlyAboutAFilledField) {
  const struct {
    const char* text;
    const char* reply;  // "" when no question may come
    const char* after;
  } kCases[] = {
      {"", "", ""},
      {"   ", "", "   "},
      {"000123", "Sim", ""},
      {"000123", "Não", "000123"},
  };
  QLabel label(QStringLiteral("Cliente"));
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string("'") + c.text + "' " + c.reply);
    HeadlessDialogs headless;
    ScopedDialogService scoped(headless);
    if (*c.reply) headless.reply(c.reply);
    QLineEdit edit(QString::fromUtf8(c.text));
    ConfirmaLimparCampo(label, edit);
    EXPECT_EQ(edit.text(), QString::fromUtf8(c.after));
    if (*c.reply) {
      ASSERT_EQ(headless.records().size(), 1u);
      const DialogRecord& asked = headless.last();
      EXPECT_EQ(asked.caption, "ZELVO Sistemas");
      EXPECT_EQ(asked.text, "Deseja limpar o campo Cliente?");
      EXPECT_EQ(asked.type, mtConfirmation);
      EXPECT_EQ(asked.buttons, (std::vector<std::string>{"Sim", "Não"}));
      EXPECT_EQ(asked.default_button, 2) << "No is the default";
    } else {
      EXPECT_TRUE(headless.records().empty());
    }
  }
}

// scripts/screenshots runs this one under Xvfb with ZPK_SCREENSHOTS_DIR set;
// otherwise the picture goes to a temporary folder and is only checked.
TEST_F(InputBoxesQtTest, PictureOfThePasswordBox) {
  zpk::test::TempFolder temp("screenshots");
  const char* wanted = std::getenv("ZPK_SCREENSHOTS_DIR");
  const QString folder =
      wanted ? QString::fromLocal8Bit(wanted) : QString::fromStdString(temp.path().string());
  ASSERT_TRUE(QDir().mkpath(folder));
  InputRequest request;
  request.kind = DialogKind::input_password;
  request.caption = "Senha do supervisor";
  request.prompt = "Informe a senha do supervisor para liberar o pedido:";
  request.value = "segredo";
  request.max_length = 255;
  request.masked = true;
  request.buttons = {"&OK", "&Cancelar"};
  InputBoxWindow box(request);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  const QString file = folder + "/caixa_senha.png";
  ASSERT_TRUE(box.grab().save(file));
  EXPECT_EQ(QImage(file).size(), box.size() * box.devicePixelRatio());
  box.reject();
}

}  // namespace
}  // namespace zpk::ui
