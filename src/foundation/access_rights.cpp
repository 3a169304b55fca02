#include "foundation/access_rights.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <string_view>
#include <utility>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/input_boxes.hpp"

namespace zpk {
namespace {

// The fixed texts the system puts around a password before deriving it.
constexpr std::string_view kAntesDoNome = "&%$#(%&";
constexpr std::string_view kDepoisDoNome = "qmwzrtbe37x2p";

// Fixed, so that the derivation stays a function of its input alone (stored
// passwords must match on every station). The login name inside the input
// already makes equal passwords of two users derive differently.
constexpr std::string_view kSalt = "zpkUnits/Gera_FB_PASS/v1";

constexpr const char* kCaptionAcesso = "Controle de Acesso";

// User values are compared through a cast, so that a text longer than the
// column simply matches nothing instead of failing as a truncation.
std::string bound(const std::string& name) {
  return "CAST(:" + name + " AS VARCHAR(1000))";
}

RefusalScreen& refusal_screen() {
  static RefusalScreen screen;
  return screen;
}

void open_refusal_screen(bool modal) {
  if (const RefusalScreen& screen = refusal_screen()) {
    screen("zpkAcesso.bpl", "TfmNegado", modal);
    return;
  }
  ShowMessageDialog("Acesso Negado", kCaptionAcesso, mtError, {"&Ok"});
}

// The right column of an operation; anything else is a caller's mistake that
// must neither grant nor silently refuse.
std::string right_column(const std::string& operacao) {
  if (operacao == "A") return "ALTERA";
  if (operacao == "C") return "CONSULTA";
  if (operacao == "E") return "EXCLUI";
  throw EZpkError("Acessa: operação desconhecida \"" + operacao + "\" (use A, C ou E)");
}

std::string without_hash(const std::string& senha) {
  std::string out;
  out.reserve(senha.size());
  for (char c : senha) {
    if (c != '#') out.push_back(c);
  }
  return out;
}

// Equal derived texts, compared in constant time.
bool same_derived(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

bool valid_scalar(char32_t c) {
  return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

}  // namespace

std::string Gera_FB_PASS(const std::string& Texto) {
  std::array<unsigned char, 32> key{};
  if (PKCS5_PBKDF2_HMAC(Texto.data(), static_cast<int>(Texto.size()),
                        reinterpret_cast<const unsigned char*>(kSalt.data()), static_cast<int>(kSalt.size()),
                        gera_fb_pass_iterations, EVP_sha256(), static_cast<int>(key.size()),
                        key.data()) != 1) {
    throw EZpkError("Gera_FB_PASS: key derivation failed");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(key.size() * 2);
  for (unsigned char b : key) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0x0F]);
  }
  OPENSSL_cleanse(key.data(), key.size());
  return out;
}

std::string stored_password(const std::string& senha, const std::string& nome) {
  std::string texto;
  texto.reserve(senha.size() + nome.size() + kAntesDoNome.size() + kDepoisDoNome.size());
  texto.append(senha).append(kAntesDoNome).append(nome).append(kDepoisDoNome);
  std::string derived = Gera_FB_PASS(texto);
  OPENSSL_cleanse(texto.data(), texto.size());
  return derived;
}

RefusalScreen set_refusal_screen(RefusalScreen screen) {
  return std::exchange(refusal_screen(), std::move(screen));
}

bool Acessa(const std::string& NomeForm, const std::string& Operacao, const std::string& TipoMinimo,
            const std::string& Relatorio) {
  const std::string coluna = right_column(Operacao);
  const bool com_relatorio = !Trim(Relatorio).empty();

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT ACESSO_USUARIOS.NOME, ACESSO_USUARIOS.TIPO, ACESSO_MENU.DESCRICAO, ACESSO." + coluna +
            " AS DIREITO ");
  q.SQL.Add("FROM ACESSO ");
  q.SQL.Add("INNER JOIN ACESSO_USUARIOS ON (ACESSO.USUARIO = ACESSO_USUARIOS.CODIGO) ");
  q.SQL.Add("INNER JOIN ACESSO_MENU ON (ACESSO.LOCAL = ACESSO_MENU.NIVEL) ");
  q.SQL.Add("WHERE ACESSO_USUARIOS.NOME = " + bound("USUARIO"));
  q.SQL.Add("AND UPPER(ACESSO_MENU.NOME_FORM) = " + bound("FORM"));
  if (com_relatorio) q.SQL.Add("AND ACESSO_MENU.RELATORIO = " + bound("RELATORIO"));
  q.ParamByName("USUARIO").AsString = vUsuario;
  q.ParamByName("FORM").AsString = UpperCase(NomeForm);
  if (com_relatorio) q.ParamByName("RELATORIO").AsString = Relatorio;
  q.Open();

  // A screen without rules for the user is open to everyone.
  if (q.IsEmpty()) return true;

  const std::string tipo = q.FieldByName("TIPO").AsString();
  if (!tipo.empty() && tipo < TipoMinimo) {
    vSenha.clear();
    if (!InputBoxSenha(kCaptionAcesso, "Senha Supervisor", vSenha)) return false;
    if (ValidaSenha(TipoMinimo, vSenha)) return true;
    open_refusal_screen(true);
    return false;
  }

  if (q.FieldByName("DIREITO").AsString() == "Sim") return true;
  open_refusal_screen(false);
  return false;
}

bool ValidaSenha(const std::string& Tipo, const std::string& Senha) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT SENHA, NOME, ATIVO FROM " + DBLocal("ACESSO_USUARIOS"));
  busca->SQL.Add("WHERE TIPO >= " + bound("TIPO"));
  busca->ParamByName("TIPO").AsString = Tipo;
  busca->Open();

  // A refused check never leaves an earlier supervisor's name behind, also
  // when no user has the level asked.
  vSupervisor.clear();
  const std::string senha = without_hash(Senha);
  for (busca->First(); !busca->Eof(); busca->Next()) {
    const std::string nome = busca->FieldByName("NOME").AsString();
    if (busca->FieldByName("ATIVO").AsString() != "N" &&
        same_derived(stored_password(senha, nome), busca->FieldByName("SENHA").AsString())) {
      vSupervisor = nome;
      return true;
    }
  }
  return false;
}

std::string NomeUsuarioSenha() {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT SENHA, NOME FROM " + DBLocal("ACESSO_USUARIOS") + " WHERE TIPO >= '1'");
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string nome = q.FieldByName("NOME").AsString();
    if (same_derived(stored_password(vSenha, nome), q.FieldByName("SENHA").AsString())) return nome;
  }
  return {};
}

bool ValidaLimiteUsuario(const std::string& Tipo, double Valor, bool Avisar) {
  std::string codigo = vUsuarioCodigo;
  SqlBuscaScope busca;
  if (codigo.empty()) {
    busca->SQL.Add("SELECT CODIGO FROM " + DBLocal("ACESSO_USUARIOS") + " WHERE NOME = " + bound("NOME"));
    busca->ParamByName("NOME").AsString = vUsuario;
    busca->Open();
    if (!busca->IsEmpty()) codigo = busca->FieldByName("CODIGO").AsString();
    busca->SQL.Clear();
  }

  busca->SQL.Add("SELECT * FROM VALIDA_CAMPO ");
  busca->SQL.Add("WHERE TIPO = " + bound("TIPO"));
  busca->SQL.Add("AND USUARIO = " + bound("USUARIO"));
  busca->ParamByName("TIPO").AsString = Tipo;
  busca->ParamByName("USUARIO").AsString = codigo;
  busca->Open();

  if (busca->IsEmpty() || busca->FieldByName("VALOR").IsNull() ||
      busca->FieldByName("VALOR").AsFloat() >= Valor) {
    return true;
  }
  if (Avisar) {
    MessageBox("Valor Limite do Usuário Ultrapassado. Operação Cancelada.", "ZELVO Sistemas",
               MB_OK | MB_ICONINFORMATION);
  }
  return false;
}

std::string RtnCodificar(const std::string& Texto, const std::string& Chave) {
  const std::u32string chave = ToCodePoints(Chave);
  if (chave.empty()) throw EZpkError("RtnCodificar: a chave não pode ser vazia");
  std::u32string texto = ToCodePoints(Texto);
  for (size_t i = 0; i < texto.size(); ++i) {
    // Position i+1 pairs with key position ((i+1) mod length), length when 0:
    // the key repeated from its start.
    const char32_t result = texto[i] ^ chave[i % chave.size()];
    if (valid_scalar(result)) texto[i] = result;
  }
  return FromCodePoints(texto);
}

}  // namespace zpk
