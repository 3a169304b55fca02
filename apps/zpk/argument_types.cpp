#include "argument_types.hpp"

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::cli {

void refuse_enum(std::string_view name, const std::string& text, const std::string& names) {
  throw EConvertError(fmt::format("{}: '{}' is not one of {}", name, text, names));
}

std::optional<TOperacaoLog> EnumNames<TOperacaoLog>::alias(std::string_view text) {
  for (size_t i = 0; i < names.size(); ++i) {
    const auto value = static_cast<TOperacaoLog>(i);
    if (text == operacao_log_text(value)) return value;
  }
  return std::nullopt;
}

std::optional<TTipo> EnumNames<TTipo>::alias(std::string_view text) {
  try {
    return tipo_from_text(text);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

std::optional<TOperacaoEstoque> EnumNames<TOperacaoEstoque>::alias(std::string_view text) {
  if (text == "E") return TOperacaoEstoque::opEntrada;
  if (text == "S") return TOperacaoEstoque::opSaida;
  return std::nullopt;
}

std::vector<std::string> ArgType<std::vector<std::string>>::read(std::string_view, const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const size_t semicolon = text.find(';', start);
    const size_t end = semicolon == std::string::npos ? text.size() : semicolon;
    items.push_back(text.substr(start, end - start));
    if (semicolon == std::string::npos) break;
    start = semicolon + 1;
  }
  return items;
}

TTIDatabase* ArgType<TTIDatabase*>::read(std::string_view name, const std::string& text) {
  if (text.empty() || text == "-" || text == "nil") return nullptr;
  throw EConvertError(fmt::format("{}: '{}' is not - (the call's own connection, --db)", name, text));
}

TableArgument ArgType<TTITable>::read(std::string_view name, const std::string& text) {
  TableArgument table;
  const size_t at = text.rfind('@');
  table.name = text.substr(0, at);
  if (at != std::string::npos) table.recno = read_int(name, text.substr(at + 1));
  return table;
}

TTITable& ArgType<TTITable>::pass(TableArgument& s) {
  if (s.name.empty()) throw EZpkError("the table argument needs a table's physical name, e.g. PEDIDO_001");
  s.table = std::make_unique<TTITable>(Tabela.IBDatabase);
  s.table->SetTableName(s.name);
  s.table->Open();
  if (s.recno > 0) s.table->RecNo = s.recno;
  return *s.table;
}

void ArgType<TTITable>::print(std::ostream& out, const std::string&, const TableArgument& s) {
  if (!s.table) return;
  print_var(out, "RecNo", std::to_string(s.table->RecNo()));
  print_var(out, "RecordCount", std::to_string(s.table->RecordCount()));
}

}  // namespace zpk::cli
