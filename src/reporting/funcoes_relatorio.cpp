// The report functions of the ERP's layouts and their dispatch by name.
#include "reporting/funcoes_relatorio.hpp"

#include <fmt/format.h>

#include <filesystem>
#include <functional>
#include <map>

#include "documents/check_digits.hpp"
#include "documents/extenso.hpp"
#include "documents/tempo.hpp"
#include "documents/text_helpers.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "reporting/sreport.hpp"

namespace zpk {

// Rounds through the two-decimal mask so the result matches what the layout prints.
double ArredondaParaCima(double Valor) {
  return StrToFloat(FormatFloat("0.00", Valor));
}

// Case is ignored because layouts are typed by hand with no fixed capitalisation.
std::string ReplaceStr(std::string_view Texto, std::string_view De, std::string_view Para) {
  if (De.empty()) return std::string(Texto);
  return StringReplace(Texto, De, Para, rfReplaceAllIgnoreCase);
}

// Works on the text, not the number, so decimals beyond `Casas` are never rounded away.
std::string Formata(std::string_view Valor, int Casas) {
  std::string result(Valor);
  size_t dot = result.find('.');
  if (dot == std::string::npos) {
    result += '.';
    dot = result.size() - 1;
  }
  const int decimals = static_cast<int>(result.size() - dot - 1);
  if (decimals < Casas) result.append(static_cast<size_t>(Casas - decimals), '0');
  return result;
}

// The code is a character code (not a byte), so codes past 127 give the accented letters.
std::string CHR1(std::string_view Codigo) {
  const int code = StrToInt(Trim(Codigo));
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    throw EConvertError(fmt::format("'{}' is not a character code", Codigo));
  return CharToStr(static_cast<char32_t>(code));
}

// Layouts print amounts with "," whatever separator the number was formatted with.
std::string FV(std::string_view Valor, int Casas) {
  const std::string text = Trim(Valor);
  const double number = text.empty() ? 0.0 : StrToFloat(text);
  std::string mask = "0.";
  if (Casas > 0) mask.append(static_cast<size_t>(Casas), '0');
  return StringReplace(FormatFloat(mask, number), ".", ",", rfReplaceAll);
}

// Day and year are copied as typed; only the month is looked up.
std::string DataExtenso(std::string_view Data) {
  int month = 0;
  if (!TryStrToInt(Copy(Data, 4, 2), month) || month < NomeMes.Low() || month > NomeMes.High()) return "";
  const std::string_view name = NomeMes[month];
  if (name.empty()) return "";
  return Copy(Data, 1, 2) + " de " + std::string(name) + " de " + Copy(Data, 7, 4);
}

// The counter lives in the session so consecutive pages and reports keep counting.
std::string Sequencia(int Tamanho) {
  ++iSeq;
  std::string digits = std::to_string(iSeq);
  const int width = Length(digits);
  if (width < Tamanho) digits.insert(0, static_cast<size_t>(Tamanho - width), '0');
  return digits;
}

// Layouts give the rate in percent; the interest routine takes it as a fraction.
double JuroComposto(double Valor, double Taxa, int Periodos) {
  return JurosCompostos(Taxa / 100.0, Valor, Periodos);
}

// Every instalment is the same share of the total, as the layouts print it
// under the invoice; groups left blank by padding are no instalment.
std::string CalculaParcelas(std::string_view Prazos, TDateTime Data, double Total) {
  std::vector<int> days;
  const int length = Length(Prazos);
  for (int start = 1; start <= length; start += 3) {
    const std::string group = Trim(Copy(Prazos, start, 3));
    if (!group.empty()) days.push_back(StrToInt(group));
  }
  std::string result = "Parcela   Vencimento   Valor\r";
  if (days.empty()) return result;
  const double share = Total / static_cast<double>(days.size());
  for (size_t i = 0; i < days.size(); ++i) {
    result += FormatFloat("00", static_cast<double>(i + 1)) + std::string(8, ' ') +
              DateToStr(IncDay(Data, days[i])) + std::string(3, ' ') + FormatFloat("R$ #,##0.00", share) +
              "\r";
  }
  return result;
}

namespace {

using Funcao = std::function<Variant(const TprParameters&)>;

// Functions by upper-case name, as the engine hands names in the layout's spelling.
const std::map<std::string, Funcao>& funcoes() {
  static const std::map<std::string, Funcao> table = {
      {"TIRAPONTOS", [](const TprParameters& p) { return Variant(TiraPontos(p.AsString(0))); }},
      {"EXTENSO",
       [](const TprParameters& p) { return Variant(Extenso(FormatFloat("0.00", p.AsDouble(0)))); }},
      {"EXTENSOESP",
       [](const TprParameters& p) { return Variant(ExtensoEsp(FormatFloat("0.00", p.AsDouble(0)))); }},
      {"ARREDONDAPARACIMA", [](const TprParameters& p) { return Variant(ArredondaParaCima(p.AsDouble(0))); }},
      {"REPLACESTR",
       [](const TprParameters& p) {
         return Variant(ReplaceStr(p.AsString(0), p.AsString(1), p.AsString(2)));
       }},
      {"ZEROE", [](const TprParameters& p) { return Variant(ZeroE(p.AsString(0), p.AsString(1))); }},
      {"FORMATA",
       [](const TprParameters& p) {
         return Variant(Formata(p.AsString(0), static_cast<int>(p.AsInteger(1))));
       }},
      {"CHR1", [](const TprParameters& p) { return Variant(CHR1(p.AsString(0))); }},
      {"DVMODULO11",
       [](const TprParameters& p) {
         if (p.Count() == 1) return Variant(DigitoVerificadorModulo11(p.AsString(0), 9, ""));
         return Variant(
             DigitoVerificadorModulo11(p.AsString(0), static_cast<int>(p.AsInteger(1)), p.AsString(2)));
       }},
      {"FV",
       [](const TprParameters& p) { return Variant(FV(p.AsString(0), static_cast<int>(p.AsInteger(1)))); }},
      {"REMOVEACENTO", [](const TprParameters& p) { return Variant(RemoveAcento(p.AsString(0))); }},
      {"DATAEXTENSO", [](const TprParameters& p) { return Variant(DataExtenso(p.AsString(0))); }},
      {"STRTONUM", [](const TprParameters& p) { return Variant(StrToFloat(Trim(p.AsString(0)))); }},
      {"STRTOFLOAT", [](const TprParameters& p) { return Variant(StrToFloatDef(Trim(p.AsString(0)), 0.0)); }},
      {"JUROCOMPOSTO",
       [](const TprParameters& p) {
         return Variant(JuroComposto(p.AsDouble(0), p.AsDouble(1), static_cast<int>(p.AsInteger(2))));
       }},
      {"POS", [](const TprParameters& p) { return Variant(Pos(p.AsString(0), p.AsString(1))); }},
      {"TIRAVIRGULAS", [](const TprParameters& p) { return Variant(TiraVirgulas(p.AsString(0))); }},
      {"SEQUENCIA",
       [](const TprParameters& p) { return Variant(Sequencia(static_cast<int>(p.AsInteger(0)))); }},
      {"DVEAN13", [](const TprParameters& p) { return Variant(DVEan13(p.AsString(0))); }},
      {"DVDUN14", [](const TprParameters& p) { return Variant(DigitoEAN14(p.AsString(0))); }},
      {"FORMATAHORA", [](const TprParameters& p) { return Variant(TempoString(p.AsDouble(0))); }},
      {"CALCULAPARCELAS",
       [](const TprParameters& p) {
         return Variant(CalculaParcelas(p.AsString(0), p.AsDateTime(1), p.AsDouble(2)));
       }},
      {"FILEEXISTS",
       [](const TprParameters& p) {
         std::error_code ec;
         return Variant(std::filesystem::is_regular_file(p.AsString(0), ec));
       }},
      // Only the four check digits: layouts place them after the payload themselves.
      {"CRC16", [](const TprParameters& p) { return Variant(crc16_hexadecimal(p.AsString(0))); }},
      {"LENGTH", [](const TprParameters& p) { return Variant(Length(p.AsString(0))); }},
      {"BUSCADESCRICAO",
       [](const TprParameters& p) {
         return Variant(BuscaDescricao(p.AsString(0), p.AsString(1), p.AsString(2), p.AsString(3)));
       }},
  };
  return table;
}

}  // namespace

// One table drives both the engine's hook and `zpk call`, so they cannot disagree.
bool FuncaoRelatorio(const std::string& FuncName, const TprParameters& Parameters, Variant& Value) {
  const auto& table = funcoes();
  const auto found = table.find(UpperCase(Trim(FuncName)));
  if (found == table.end()) return false;
  Value = found->second(Parameters);
  return true;
}

// A handler the caller set is kept: it may evaluate functions of its own first.
void LigaFuncoesRelatorio(TprCustomReport& Report) {
  if (Report.OnUnknownFunction) return;
  Report.OnUnknownFunction = [](TprCustomReport&, const std::string& FuncName,
                                const TprParameters& Parameters, int, Variant& Value, bool& IsProcessed) {
    if (FuncaoRelatorio(FuncName, Parameters, Value)) IsProcessed = true;
  };
}

}  // namespace zpk
