// The commission split's screen: the sales package's screen, opened through
// the dialog port, reaches the split being edited; what it confirms is what
// the split writes.
#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "platform/settings/program_folder.hpp"
#include "receivables/rec_comissoes.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"
#include "ui/modal.hpp"
#include "ui/qt_dialogs.hpp"

namespace zpk::ui {
namespace {

// Stands for the sales package's split screen: its OK raises R2's COM1 to
// 7.5 in the split it was opened over; its Cancel leaves the split alone.
class TelaRepresentantes : public QDialog {
 public:
  TelaRepresentantes() : comissoes(ComissoesEmEdicao()) {
    setObjectName("fmCadPedRep");
    auto* layout = new QVBoxLayout(this);
    ok = new QPushButton("OK", this);
    auto* cancela = new QPushButton("Cancelar", this);
    layout->addWidget(ok);
    layout->addWidget(cancela);
    connect(ok, &QPushButton::clicked, this, [this] {
      if (!comissoes) return reject();  // opened over no split: nothing to edit
      TClientDataSet& d = comissoes->Comissoes();
      d.Locate("CODREP", "R2");
      d.Edit();
      d.FieldByName("COM1").AsFloat = 7.5;
      d.Post();
      accept();
    });
    connect(cancela, &QPushButton::clicked, this, &QDialog::reject);
  }
  TRecComissoes* comissoes;
  QPushButton* ok;
};

const RegistraTela kTelaRepresentantes("TfmCadPedRep", [] { return new TelaRepresentantes; });

class RecComissoesTela : public zpk::test::DatabaseTest {
 protected:
  void SetUp() override {
    zpk::test::exec(
        "UPDATE OR INSERT INTO REPRESEN_001 (CODREP, NOME) VALUES ('R1', 'REP UM') MATCHING (CODREP)");
    zpk::test::exec(
        "UPDATE OR INSERT INTO REPRESEN_001 (CODREP, NOME) VALUES ('R2', 'REP DOIS') MATCHING (CODREP)");
    zpk::test::exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, COM1, COM2) VALUES ('000611', 'C1', 3, 1) "
        "MATCHING (CODCLI)");
    zpk::test::exec("INSERT INTO CLI_COM_001 (CODCLI, CODREP, COM1, COM2) VALUES ('000611', 'R1', 2, 0.5)");
    zpk::test::exec("INSERT INTO CLI_COM_001 (CODCLI, CODREP, COM1, COM2) VALUES ('000611', 'R2', 1.5, 0)");
  }
};

TEST_F(RecComissoesTela, TheScreenEditsTheSplitItWasOpenedOverAndTheWriteKeepsIt) {
  aplicacao_qt();
  // Any shared library stands in for the sales package: its screen is registered here.
  zpk::test::TempFolder pasta("comissoes-tela");
  std::filesystem::create_symlink("/lib/x86_64-linux-gnu/libm.so.6", pasta.path() / "zpkVendas.so");
  set_program_folder(pasta.path());
  QtDialogs dialogs;
  ScopedDialogService instalado(dialogs);

  TRecComissoes r(ctVendas);
  r.Codigo = "CM2";
  r.CodCli = "000611";
  r.CodRep = "R1";
  TRecComissoes* visto = nullptr;
  test::when_modal([&](QWidget& w) {
    auto* tela = dynamic_cast<TelaRepresentantes*>(&w);
    ASSERT_NE(tela, nullptr) << "the split screen did not open";
    visto = tela->comissoes;
    tela->ok->click();
  });
  EXPECT_EQ(r.ShowModal(), 1);
  set_program_folder({});
  EXPECT_EQ(visto, &r);
  EXPECT_EQ(ComissoesEmEdicao(), nullptr);  // only while the screen is up

  r.GravarDados("");
  EXPECT_EQ(zpk::test::number("SELECT COM1 FROM PED_COM_001 WHERE NUMERO = 'CM2' AND CODREP = 'R2'"), 7.5);
  EXPECT_EQ(zpk::test::number("SELECT COM1 FROM PED_COM_001 WHERE NUMERO = 'CM2' AND CODREP = 'R1'"), 2);
}

}  // namespace
}  // namespace zpk::ui
