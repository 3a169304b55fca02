// Access rights on the demo database: which screens a user may use, the
// supervisor's password asked through the password box, which supervisors
// are accepted, and the per-user value limits. Users and rights are added by
// each test (rolled back afterwards); each stored password costs one slow
// derivation, so the fixture keeps the users few.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/access_rights.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;

struct RefusalShown {
  std::string bpl;
  std::string form;
  bool modal = false;
};

class AccessRights : public test::DatabaseTest {
 protected:
  void SetUp() override {
    add_user("901", "SUPERVISOR", "8", "S", "chefe");
    add_user("902", "ANTIGO", "9", "N", "velho");
    add_user("903", "OPERADOR", "2", "S", "op");
    add_user("904", "D'AVILA", "", "S", "");

    add_menu("9.01", "TfmCadCliente", "");
    add_menu("9.02", "TfmRelVendas", "R01");
    add_menu("9.03", "TfmRelVendas", "R02");
    add_right("903", "9.01", "Sim", "Sim", "Não");
    add_right("903", "9.02", "Não", "Sim", "Não");
    add_right("903", "9.03", "Não", "Não", "Não");
    add_right("904", "9.01", "Sim", "Não", "Não");

    previous_screen_ =
        set_refusal_screen([this](const std::string& bpl, const std::string& form, bool modal) {
          refusals_.push_back({bpl, form, modal});
        });
    vUsuario = "OPERADOR";
  }

  void TearDown() override {
    set_refusal_screen(previous_screen_);
    vUsuario.clear();
    vUsuarioCodigo.clear();
    vSenha.clear();
    vSupervisor.clear();
    test::DatabaseTest::TearDown();
  }

  // Each derivation is slow by design: derive each user's password once per run.
  static const std::string& derived(const std::string& senha, const std::string& nome) {
    static std::map<std::pair<std::string, std::string>, std::string> cache;
    auto [it, fresh] = cache.try_emplace({senha, nome});
    if (fresh) it->second = stored_password(senha, nome);
    return it->second;
  }
  static void add_user(const std::string& codigo, const std::string& nome, const std::string& tipo,
                       const std::string& ativo, const std::string& senha) {
    exec("INSERT INTO ACESSO_USUARIOS (CODIGO, NOME, TIPO, ATIVO, SENHA) VALUES (:C, :N, :T, :A, :S)",
         {codigo, nome, tipo, ativo, derived(senha, nome)});
  }
  static void add_menu(const std::string& nivel, const std::string& form, const std::string& relatorio) {
    exec("INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, RELATORIO, DESCRICAO) VALUES (:N, :F, :R, :D)",
         {nivel, form, relatorio, "Tela " + nivel});
  }
  static void add_right(const std::string& usuario, const std::string& local, const std::string& altera,
                        const std::string& consulta, const std::string& exclui) {
    exec("INSERT INTO ACESSO (USUARIO, LOCAL, ALTERA, CONSULTA, EXCLUI) VALUES (:U, :L, :A, :C, :E)",
         {usuario, local, altera, consulta, exclui});
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
  std::vector<RefusalShown> refusals_;
  RefusalScreen previous_screen_;
};

TEST_F(AccessRights, RightColumnOfTheScreenDecidesForAUserOfEnoughLevel) {
  const struct {
    const char* usuario;
    const char* form;
    const char* operacao;
    const char* relatorio;
    bool allowed;
  } kCases[] = {
      {"OPERADOR", "TfmCadCliente", "A", "", true},
      {"OPERADOR", "TfmCadCliente", "C", "", true},
      {"OPERADOR", "TfmCadCliente", "E", "", false},
      {"OPERADOR", "TFMCADCLIENTE", "C", "", true},  // the screen name ignores case
      {"OPERADOR", "TfmRelVendas", "C", "R01", true},
      {"OPERADOR", "TfmRelVendas", "C", "R02", false},
      {"OPERADOR", "TfmRelVendas", "C", "R03", true},  // no rule for that report
      {"OPERADOR", "TfmCadProduto", "E", "", true},    // a screen without rules
      {"VENDEDOR", "TfmCadCliente", "E", "", true},    // a user without rules
      {"D'AVILA", "TfmCadCliente", "A", "", true},     // a quote in the name is a plain value
      {"D'AVILA", "TfmCadCliente", "C", "", false},    // an empty level never asks
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.usuario) + " " + c.form + " " + c.operacao + " " + c.relatorio);
    vUsuario = c.usuario;
    refusals_.clear();
    EXPECT_EQ(Acessa(c.form, c.operacao, "1", c.relatorio), c.allowed);
    ASSERT_EQ(refusals_.size(), c.allowed ? 0u : 1u);
    if (!c.allowed) {
      EXPECT_EQ(refusals_[0].bpl, "zpkAcesso.bpl");
      EXPECT_EQ(refusals_[0].form, "TfmNegado");
      EXPECT_FALSE(refusals_[0].modal);
    }
  }
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(AccessRights, ALowLevelNeedsAnActiveSupervisorsPassword) {
  const struct {
    const char* reply;
    bool allowed;
    const char* supervisor;
    bool refusal_shown;
  } kCases[] = {
      {"chefe", true, "SUPERVISOR", false},
      {"#che#fe#", true, "SUPERVISOR", false},  // "#" is not part of a password
      {"velho", false, "", true},               // right password of an inactive supervisor
      {"op", false, "", true},                  // the user's own level is too low
      {"errada", false, "", true},
      {":cancel", false, "", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    vSenha = "minha";
    vSupervisor = "ALGUEM";
    refusals_.clear();
    dialogs_.clear();
    dialogs_.reply(c.reply);
    // The row's own right ("Não") does not matter once a supervisor allows it.
    EXPECT_EQ(Acessa("TfmCadCliente", "E", "5"), c.allowed);
    ASSERT_EQ(dialogs_.records().size(), 1u);
    const DialogRecord& box = dialogs_.last();
    EXPECT_EQ(box.kind, DialogKind::input_password);
    EXPECT_EQ(box.caption, "Controle de Acesso");
    EXPECT_EQ(box.text, "Senha Supervisor");
    EXPECT_EQ(box.value, "");  // the box starts empty, not with the user's password
    if (std::string(c.reply) != ":cancel") {
      EXPECT_EQ(vSupervisor, c.supervisor);
    }
    ASSERT_EQ(refusals_.size(), c.refusal_shown ? 1u : 0u);
    if (c.refusal_shown) {
      EXPECT_TRUE(refusals_[0].modal);
    }
  }
}

TEST_F(AccessRights, RefusalWithoutAScreenLoaderIsShownThroughTheDialogs) {
  set_refusal_screen(nullptr);
  EXPECT_FALSE(Acessa("TfmCadCliente", "E", "1"));
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().type, mtError);
  EXPECT_EQ(dialogs_.last().caption, "Controle de Acesso");
}

TEST_F(AccessRights, UnknownOperationIsAnError) {
  EXPECT_THROW(Acessa("TfmCadCliente", "X", "1"), EZpkError);
  EXPECT_THROW(Acessa("TfmCadCliente", "", "1"), EZpkError);
  EXPECT_TRUE(refusals_.empty());
}

TEST_F(AccessRights, ValidaSenhaAcceptsOnlyActiveUsersOfTheLevel) {
  const struct {
    const char* tipo;
    const char* senha;
    bool ok;
    const char* supervisor;
  } kCases[] = {
      {"5", "chefe", true, "SUPERVISOR"}, {"8", "##chefe", true, "SUPERVISOR"},
      {"9", "chefe", false, ""},  // below the level asked
      {"9", "velho", false, ""},  // inactive
      {"1", "op", true, "OPERADOR"},      {"1", "", false, ""},
      {"", "", true, "D'AVILA"},  // an empty level and password: the user without a level
      {"5", "CHEFE", false, ""},          {"5", "' OR ''='", false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tipo) + " " + c.senha);
    vSupervisor = "ALGUEM";
    EXPECT_EQ(ValidaSenha(c.tipo, c.senha), c.ok);
    EXPECT_EQ(vSupervisor, c.supervisor);
  }
  EXPECT_EQ(vSqlBusca, nullptr);
}

TEST_F(AccessRights, NomeUsuarioSenhaFindsTheOwnerOfTheSessionPassword) {
  const struct {
    const char* senha;
    const char* nome;
  } kCases[] = {
      {"chefe", "SUPERVISOR"},
      {"velho", "ANTIGO"},  // inactive users are still named
      {"#chefe", ""},       // here "#" is not removed
      {"nenhuma", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.senha);
    vSenha = c.senha;
    EXPECT_EQ(NomeUsuarioSenha(), c.nome);
  }
}

TEST_F(AccessRights, ValidaLimiteUsuarioComparesWithTheUsersLimit) {
  exec("INSERT INTO VALIDA_CAMPO (TIPO, USUARIO, VALOR) VALUES (:T, :U, 1000)", {"DESCONTO", "903"});
  exec("INSERT INTO VALIDA_CAMPO (TIPO, USUARIO, VALOR) VALUES (:T, :U, NULL)", {"CREDITO", "903"});
  const struct {
    const char* codigo;  // vUsuarioCodigo; empty: found by vUsuario
    const char* tipo;
    double valor;
    bool avisar;
    bool ok;
  } kCases[] = {
      {"903", "DESCONTO", 999.99, true, true},   {"903", "DESCONTO", 1000, true, true},
      {"903", "DESCONTO", 1000.01, true, false}, {"903", "DESCONTO", 5000, false, false},
      {"", "DESCONTO", 5000, true, false},       {"903", "CREDITO", 1e9, true, true},  // no value: no limit
      {"903", "FRETE", 1e9, true, true},                                               // no row: no limit
      {"901", "DESCONTO", 1e9, true, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.tipo + " " + std::to_string(c.valor));
    vUsuarioCodigo = c.codigo;
    dialogs_.clear();
    EXPECT_EQ(ValidaLimiteUsuario(c.tipo, c.valor, c.avisar), c.ok);
    if (!c.ok && c.avisar) {
      ASSERT_EQ(dialogs_.records().size(), 1u);
      EXPECT_EQ(dialogs_.last().kind, DialogKind::message_box);
      EXPECT_EQ(dialogs_.last().type, mtInformation);
      EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
      EXPECT_EQ(dialogs_.last().text, "Valor Limite do Usuário Ultrapassado. Operação Cancelada.");
    } else {
      EXPECT_TRUE(dialogs_.records().empty());
    }
  }
  EXPECT_EQ(vSqlBusca, nullptr);
}

}  // namespace
}  // namespace zpk
