#include "documents/extenso.hpp"

#include <array>
#include <vector>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/format_settings.hpp"

namespace zpk {
namespace {

// Portuguese words.
constexpr std::array<std::string_view, 20> kUnidades = {
    "",    "Um",   "Dois", "Tres",  "Quatro",   "Cinco",  "Seis",      "Sete",      "Oito",    "Nove",
    "Dez", "Onze", "Doze", "Treze", "Quatorze", "Quinze", "Dezesseis", "Dezessete", "Dezoito", "Dezenove"};
constexpr std::array<std::string_view, 10> kDezenas = {
    "", "", "Vinte", "Trinta", "Quarenta", "Cinquenta", "Sessenta", "Setenta", "Oitenta", "Noventa"};
constexpr std::array<std::string_view, 10> kCentenas = {
    "",           "Cento",      "Duzentos",   "Trezentos",  "Quatrocentos",
    "Quinhentos", "Seiscentos", "Setecentos", "Oitocentos", "Novecentos"};
// Group names by position: 0 cents, 1 units, 2 thousands, 3 millions...
constexpr std::array<std::string_view, 6> kNomesSingular = {"centavo", "Real",   "Mil",
                                                            "Milhao",  "Bilhao", "Trilhao"};
constexpr std::array<std::string_view, 6> kNomesPlural = {"centavos", "Reais",   "Mil",
                                                          "Milhoes",  "Bilhoes", "Trilhoes"};

// Spanish words.
constexpr std::array<std::string_view, 30> kUnidadesEsp = {
    "",           "Uno",        "Dos",        "Tres",         "Cuatro",      "Cinco",      "Seis",
    "Siete",      "Ocho",       "Nueve",      "Diez",         "Once",        "Doce",       "Trece",
    "Catorce",    "Quince",     "Dieciseis",  "Diecisiete",   "Dieciocho",   "Diecinueve", "Veinte",
    "Veintiuno",  "Veintidos",  "Veintitres", "Veinticuatro", "Veinticinco", "Veintiseis", "Veintisiete",
    "Veintiocho", "Veintinueve"};
constexpr std::array<std::string_view, 10> kDezenasEsp = {
    "", "", "", "Treinta", "Cuarenta", "Cincuenta", "Sesenta", "Setenta", "Ochenta", "Noventa"};
constexpr std::array<std::string_view, 10> kCentenasEsp = {
    "",           "Ciento",      "Doiscientos", "Trescientos", "Cuatrocientos",
    "Quinientos", "Seiscientos", "Setecientos", "Ochocientos", "Novecientos"};
constexpr std::array<std::string_view, 6> kNomesSingularEsp = {"/100",   "",       "Mil",
                                                               "millon", "billon", "trillon"};
constexpr std::array<std::string_view, 6> kNomesPluralEsp = {"/100",         "",        "Mil", "Millones",
                                                             "mil millones", "billones"};

// Trillions are the last group with a name: fifteen integer digits, which also
// covers every Currency value.
constexpr size_t kMaxGroups = kNomesPlural.size();

bool all_digits(std::string_view s) {
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void require_group(std::string_view group) {
  if (group.size() != 3 || !all_digits(group)) {
    throw EConvertError(fmt::format("'{}' não é um grupo de três dígitos", group));
  }
}

int digit(char c) {
  return c - '0';
}

// The amount cut into groups of three digits: position 0 the cents, 1 the units,
// 2 the thousands, and so on upwards.
std::vector<std::string> split_groups(std::string_view valor) {
  std::string_view text = valor;
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);

  std::string_view inteiro = text;
  std::string centavos = "000";
  const size_t sep = text.find(FormatSettings.DecimalSeparator);
  if (sep != std::string_view::npos) {
    inteiro = text.substr(0, sep);
    const std::string_view decimais = text.substr(sep + 1);
    if (!all_digits(decimais)) throw EConvertError(fmt::format("'{}' não é um valor para extenso", valor));
    // "0" and at most two decimals: a single decimal counts as that many cents.
    const std::string_view dois = decimais.substr(0, 2);
    centavos = std::string(3 - dois.size(), '0');
    centavos.append(dois);
  }
  if (!all_digits(inteiro)) throw EConvertError(fmt::format("'{}' não é um valor para extenso", valor));
  // Leading zeros are no groups of their own.
  while (!inteiro.empty() && inteiro.front() == '0') inteiro.remove_prefix(1);

  std::vector<std::string> groups{centavos};
  for (size_t end = inteiro.size(); end > 0; end = end >= 3 ? end - 3 : 0) {
    const size_t start = end >= 3 ? end - 3 : 0;
    std::string group(3 - (end - start), '0');
    group.append(inteiro.substr(start, end - start));
    groups.push_back(std::move(group));
  }
  if (groups.size() > kMaxGroups) {
    throw EConvertError(
        fmt::format("'{}' tem mais de quinze dígitos inteiros para escrever por extenso", valor));
  }
  return groups;
}

std::string extenso_mil(std::string_view g) {
  std::string result;
  if (g[0] != '0') result = kCentenas[digit(g[0])];
  const int n = digit(g[1]) * 10 + digit(g[2]);
  if (n > 0) {
    if (!result.empty()) result += " e ";
    if (n > 19) {
      result += kDezenas[digit(g[1])];
      if (g[2] != '0') {
        result += " e ";
        result += kUnidades[digit(g[2])];
      }
    } else {
      result += kUnidades[n];
    }
  }
  if (result == "Cento") result = "Cem";
  return result;
}

std::string extenso_mil_esp(std::string_view g) {
  std::string result;
  if (g[0] != '0') result = kCentenasEsp[digit(g[0])];
  const int n = digit(g[1]) * 10 + digit(g[2]);
  if (n > 29) {
    result += ' ';
    result += kDezenasEsp[digit(g[1])];
    if (g[2] != '0') {
      result += " y ";
      result += kUnidadesEsp[digit(g[2])];
    }
  } else if (n >= 1) {
    result += ' ';
    result += kUnidadesEsp[n];
  }
  if (result == "Ciento") result = "Cien";
  return result;
}

}  // namespace

std::string ExtensoMil(std::string_view Valor) {
  require_group(Valor);
  return extenso_mil(Valor);
}

std::string ExtensoMilEsp(std::string_view Valor) {
  require_group(Valor);
  return extenso_mil_esp(Valor);
}

std::string Extenso(std::string_view Valor) {
  const std::vector<std::string> groups = split_groups(Valor);
  std::string result;
  bool joined = false;
  for (size_t i = 0; i < groups.size(); ++i) {
    const std::string& g = groups[i];
    if (g == "000") continue;
    // One real is "Real", but from 1 001 reais on the units say "Reais".
    const bool singular = g == "001" && !(i == 1 && groups.size() > 2);
    std::string w = extenso_mil(g);
    w += ' ';
    w += singular ? kNomesSingular[i] : kNomesPlural[i];
    if (i == 2 && groups[1] == "000") w += " reais";
    if (i > 2 && groups[1] == "000" && groups[2] == "000") w += " de reais";
    if (result.empty()) {
      result = std::move(w);
    } else if (!joined) {
      result = w + " e " + result;
      joined = true;
    } else {
      result = w + ", " + result;
    }
  }
  return result;
}

std::string ExtensoEsp(std::string_view Valor) {
  const std::vector<std::string> groups = split_groups(Valor);
  std::string result;
  bool joined = false;
  for (size_t i = 0; i < groups.size(); ++i) {
    const std::string& g = groups[i];
    if (g == "000") continue;
    std::string w;
    if (i == 0) {
      w = "Con " + std::to_string(digit(g[1]) * 10 + digit(g[2])) + "/100";
    } else {
      w = extenso_mil_esp(g);
      w += ' ';
      w += g == "001" ? kNomesSingularEsp[i] : kNomesPluralEsp[i];
    }
    if (result.empty()) {
      result = std::move(w);
    } else if (!joined && i == 1 && result.find('/') != std::string::npos) {
      // The units run straight into the cents: "Cien Con 50/100".
      result = w + result;
    } else {
      result = w + " " + result;
      joined = true;
    }
  }
  return result;
}

}  // namespace zpk
