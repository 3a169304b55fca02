#include "foundation/station_settings.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "documents/text_helpers.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/ini_file.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {
namespace {

// The "Default" destination named in a CUPS lpoptions file ("Default name[/instance] options...").
std::string lpoptions_default(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.size() > 8 && SameText(trimmed.substr(0, 8), "Default ")) {
      const std::string rest = Trim(trimmed.substr(8));
      return rest.substr(0, rest.find_first_of(" \t"));
    }
  }
  return "";
}

std::string env_text(const char* name) {
  const char* value = std::getenv(name);
  return value ? Trim(value) : std::string();
}

// A reading is unsettled when its status says "US" (the ST/US header of many
// scales) or when it carries Toledo's "I" marks instead of, or beside, digits.
bool reading_unstable(std::string_view reading) {
  std::string_view rest = reading;
  while (!rest.empty() && static_cast<unsigned char>(rest.front()) <= ' ') rest.remove_prefix(1);
  if (rest.starts_with("US")) return true;
  return reading.find('I') != std::string_view::npos;
}

// An INI file of the program: the name resolved in the program's folder; when
// no file has exactly that name, one whose name differs only in case (names
// written for a case-blind file system, "NFe.ini" for "nfe.ini").
std::filesystem::path station_file(const std::string& name) {
  const std::filesystem::path path = program_file(name);
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return path;
  const std::string wanted = path.filename().string();
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), ec)) {
    if (SameText(entry.path().filename().string(), wanted)) return entry.path();
  }
  return path;
}

}  // namespace

std::string LeIni(const std::string& Secao, const std::string& Chave, const std::string& Arquivo) {
  return IniFile(station_file(Arquivo)).read_string(Secao, Chave);
}

void GravaIni(const std::string& Secao, const std::string& Chave, const std::string& Valor,
              const std::string& Arquivo) {
  IniFile(station_file(Arquivo)).write_string(Secao, Chave, Valor);
}

std::string PastaPadrao(const std::string& Pasta) {
  if (vNuvem == "S") {
    std::string folder = Trim(LeIni("Caminho", "PastaPadrao", "ti.ini"));
    if (!folder.empty()) return folder;
  }
  return Pasta;
}

std::string system_default_printer() {
  for (const char* name : {"LPDEST", "PRINTER"}) {
    if (std::string value = env_text(name); !value.empty()) return value;
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    if (std::string value = lpoptions_default(std::filesystem::path(home) / ".cups" / "lpoptions");
        !value.empty()) {
      return value;
    }
  }
  return lpoptions_default("/etc/cups/lpoptions");
}

std::string ImpressoraPadrao() {
  const std::string chosen = Trim(UserSettings("Venda").read_string("Parametros", "ImpPadrao"));
  if (chosen.empty() || chosen == "Nenhuma") return system_default_printer();
  return chosen;
}

std::string DepositoPadrao(const std::string& Opcao) {
  TTIQuery query;
  query.SetDatabase(Tabela.IBDatabase);
  if (Opcao == "1") {
    query.SQL.Clear();
    query.SQL.Add("SELECT DEPOSITO FROM " + DBLocal("VENDA_CAIXA") + " WHERE USUARIO = :USUARIO");
    query.ParamByName("USUARIO").AsString = vUsuario;
    query.Open();
    const std::string own = query.IsEmpty() ? std::string() : query.FieldByName("DEPOSITO").AsString();
    if (!own.empty()) {
      query.SQL.Clear();
      query.SQL.Add("SELECT CODIGO FROM " + DBLocal("DEPOSITO") + " WHERE CODIGO = :CODIGO");
      query.ParamByName("CODIGO").AsString = own;
      query.Open();
      if (!query.IsEmpty()) return own;
    }
  }
  query.SQL.Clear();
  query.SQL.Add("SELECT CODIGO FROM " + DBLocal("DEPOSITO") +
                " WHERE PRIORIDADE = :PRIORIDADE ORDER BY CODIGO");
  query.ParamByName("PRIORIDADE").AsString = Opcao;
  query.Open();
  return query.IsEmpty() ? std::string() : query.FieldByName("CODIGO").AsString();
}

double PegaPesoBalanca(const std::string& Leitura, bool& Estavel, const std::string& Balanca) {
  Estavel = !reading_unstable(Leitura);
  if (!Estavel) {
    MessageBox("Peso não estabilizado. Confirme novamente.", "ZELVO Sistemas", MB_ICONINFORMATION);
    return 0;
  }
  UserSettings venda("Venda");
  const std::string scale_key = "Parametros\\Balanca\\" + Balanca;
  int decimals = venda.value_exists(scale_key, "Decimal") ? venda.read_integer(scale_key, "Decimal", 0)
                                                          : venda.read_integer("Parametros", "Decimal", 0);
  std::string digits = SomenteNumeros(Leitura);
  if (digits.empty()) return 0;
  if (decimals < 0) decimals = 0;
  if (decimals > 0) {
    // Fewer digits than decimals: the reading is a fraction ("5" with 3 decimals is 0,005).
    if (static_cast<int>(digits.size()) <= decimals) digits.insert(0, decimals - digits.size() + 1, '0');
    digits.insert(digits.size() - decimals, ",");
  }
  return StrToFloat(digits);
}

}  // namespace zpk
