// How each C++ parameter type of the library's routines is read from a
// command-line text, and how each result type is printed. The typed adapter
// picks them from the routine's signature; a routine with a parameter type
// missing here does not compile, so no argument can be read the wrong way.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "arguments.hpp"
#include "foundation/audit_log.hpp"
#include "foundation/file_store.hpp"
#include "inventory/estoque.hpp"
#include "platform/db/database.hpp"
#include "platform/db/table.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk::cli {

// The value names of an enumeration, in declaration order; `alias` also
// accepts the stored form where the tables keep one (a letter, a folder).
template <class E>
struct EnumNames;

template <>
struct EnumNames<TOperacaoLog> {
  static constexpr std::array<std::string_view, 4> names{"oplInclusao", "oplAlteracao", "oplExclusao",
                                                         "oplMovimentacao"};
  // The text the audit log stores ("Inclusão", ...).
  static std::optional<TOperacaoLog> alias(std::string_view text);
};

template <>
struct EnumNames<TTipo> {
  static constexpr std::array<std::string_view, 15> names{
      "tpDocumento", "tpCores",     "tpEstampa", "tpFuncionario", "tpInstrucao",
      "tpMaterial",  "tpMedida",    "tpProduto", "tpQuadro",      "tpTinturaria",
      "tpDesenho",   "tpPrototipo", "tpMaquina", "tpUsuario",     "tpColaborador"};
  // The kind's folder in the file store ("produto", ...).
  static std::optional<TTipo> alias(std::string_view text);
};

template <>
struct EnumNames<TOperacaoEstoque> {
  static constexpr std::array<std::string_view, 2> names{"opEntrada", "opSaida"};
  // The letter the stock tables store: E or S.
  static std::optional<TOperacaoEstoque> alias(std::string_view text);
};

template <>
struct EnumNames<TTipoMovimentoEstoque> {
  static constexpr std::array<std::string_view, 18> names{
      "tmeEMAN", "tmeEFNF", "tmeECNF", "tmeEDEV", "tmeETER", "tmeEBOF", "tmeEBEN", "tmeETEC", "tmeEREC",
      "tmeSMAN", "tmeSFNF", "tmeSCNF", "tmeSDEV", "tmeSEXP", "tmeSBOF", "tmeSBEN", "tmeSTEC", "tmeSREC"};
  static std::optional<TTipoMovimentoEstoque> alias(std::string_view) { return std::nullopt; }
};

// Reads an enumeration value by name, by its ordinal number or by its alias.
void refuse_enum(std::string_view name, const std::string& text, const std::string& names);

// ArgType<V>: `Storage` holds the converted value, `read(name, text)` makes it
// (raising EConvertError that names the argument), `pass(storage)` hands it to
// the routine, `print(out, name, storage)` writes a var argument after the
// result and `sample()` is a text it accepts.
template <class V, class = void>
struct ArgType;

// What most types share: the stored value is passed as it is, a var is printed with `text`.
template <class Derived, class S>
struct ArgTypeBase {
  using Storage = S;
  static Storage& pass(Storage& s) { return s; }
  static void print(std::ostream& out, const std::string& name, const Storage& s) {
    print_var(out, name, Derived::text(s));
  }
};

template <>
struct ArgType<std::string> : ArgTypeBase<ArgType<std::string>, std::string> {
  static std::string read(std::string_view, const std::string& text) { return text; }
  static std::string text(const std::string& s) { return s; }
  static std::string sample() { return "A"; }
};

template <>
struct ArgType<std::string_view> : ArgType<std::string> {};

template <>
struct ArgType<int> : ArgTypeBase<ArgType<int>, int> {
  static int read(std::string_view name, const std::string& text) { return read_int(name, text); }
  static std::string text(int v) { return std::to_string(v); }
  static std::string sample() { return "1"; }
};

template <>
struct ArgType<int16_t> : ArgTypeBase<ArgType<int16_t>, int16_t> {
  static int16_t read(std::string_view name, const std::string& text) { return read_int16(name, text); }
  static std::string text(int16_t v) { return std::to_string(v); }
  static std::string sample() { return "1"; }
};

template <>
struct ArgType<double> : ArgTypeBase<ArgType<double>, double> {
  static double read(std::string_view name, const std::string& text) { return read_number(name, text); }
  static std::string text(double v) { return number_text(v); }
  static std::string sample() { return "1.5"; }
};

template <>
struct ArgType<Currency> : ArgTypeBase<ArgType<Currency>, Currency> {
  static Currency read(std::string_view name, const std::string& text) { return read_currency(name, text); }
  static std::string text(Currency v) { return amount_text(v); }
  static std::string sample() { return "1.25"; }
};

template <>
struct ArgType<bool> : ArgTypeBase<ArgType<bool>, bool> {
  static bool read(std::string_view name, const std::string& text) { return read_bool(name, text); }
  static std::string text(bool v) { return bool_text(v); }
  static std::string sample() { return "True"; }
};

template <>
struct ArgType<char32_t> : ArgTypeBase<ArgType<char32_t>, char32_t> {
  static char32_t read(std::string_view name, const std::string& text) { return read_char(name, text); }
  static std::string sample() { return "0"; }
};

template <>
struct ArgType<TDateTime> : ArgTypeBase<ArgType<TDateTime>, TDateTime> {
  static TDateTime read(std::string_view name, const std::string& text) { return read_date(name, text); }
  static std::string text(TDateTime v) { return date_text(v); }
  static std::string sample() { return "01/02/2024"; }
};

template <class E>
struct ArgType<E, std::enable_if_t<std::is_enum_v<E>>> : ArgTypeBase<ArgType<E>, E> {
  static E read(std::string_view name, const std::string& text) {
    const auto& names = EnumNames<E>::names;
    for (size_t i = 0; i < names.size(); ++i) {
      if (text == names[i] || text == std::to_string(i)) return static_cast<E>(i);
    }
    if (auto value = EnumNames<E>::alias(text)) return *value;
    std::string all;
    for (std::string_view n : names) all += (all.empty() ? "" : ", ") + std::string(n);
    refuse_enum(name, text, all);
    return E{};
  }
  static std::string text(E v) { return std::string(EnumNames<E>::names.at(static_cast<size_t>(v))); }
  static std::string sample() { return std::string(EnumNames<E>::names.front()); }
};

// An optional text: given, it is passed; left out, the routine's default (none) holds.
template <>
struct ArgType<std::optional<std::string_view>>
    : ArgTypeBase<ArgType<std::optional<std::string_view>>, std::optional<std::string>> {
  static std::optional<std::string> read(std::string_view, const std::string& text) { return text; }
  static std::optional<std::string_view> pass(const std::optional<std::string>& s) {
    return s ? std::optional<std::string_view>(*s) : std::nullopt;
  }
  static std::string sample() { return "A"; }
};

// A list of texts (a string list var): ";" separates its initial items; after
// the routine it is printed one name=item line per item.
template <>
struct ArgType<std::vector<std::string>>
    : ArgTypeBase<ArgType<std::vector<std::string>>, std::vector<std::string>> {
  static std::vector<std::string> read(std::string_view, const std::string& text);
  static void print(std::ostream& out, const std::string& name, const std::vector<std::string>& items) {
    for (const std::string& item : items) print_var(out, name, item);
  }
  static std::string sample() { return "A;B"; }
};

// A connection the caller may pass instead of the shared one: from the command
// line only "-" (or "nil"), the call's own connection.
template <>
struct ArgType<TTIDatabase*> : ArgTypeBase<ArgType<TTIDatabase*>, TTIDatabase*> {
  static TTIDatabase* read(std::string_view name, const std::string& text);
  static std::string sample() { return "-"; }
};

// A window handle: the command line has no window, so any text stands for none.
template <>
struct ArgType<const void*> : ArgTypeBase<ArgType<const void*>, const void*> {
  static const void* read(std::string_view, const std::string&) { return nullptr; }
  static std::string sample() { return "0"; }
};

// A screen control's callback (an image to load, ...): the command line has
// no screen, so any text stands for none.
template <class Signature>
struct ArgType<std::function<Signature>>
    : ArgTypeBase<ArgType<std::function<Signature>>, std::function<Signature>> {
  static std::function<Signature> read(std::string_view, const std::string&) { return {}; }
  static std::string sample() { return "-"; }
};

// A table opened by its physical name, "NAME" or "NAME@RECNO" to stand on a
// record first; printed after the routine as its record number and count.
struct TableArgument {
  std::string name;
  int recno = 0;
  std::unique_ptr<TTITable> table;
};

template <>
struct ArgType<TTITable> : ArgTypeBase<ArgType<TTITable>, TableArgument> {
  static TableArgument read(std::string_view name, const std::string& text);
  // Opens the table on the call's connection (raises EZpkError when none was named).
  static TTITable& pass(TableArgument& s);
  static void print(std::ostream& out, const std::string& name, const TableArgument& s);
  static std::string sample() { return "PEDIDO_001@1"; }
};

// Result printers, one line per value (a list or array, one per item).
inline void print_result(std::ostream& out, bool value) {
  print_bool(out, value);
}
template <class I>
requires(std::is_integral_v<I> && !std::is_same_v<I, bool>) void print_result(std::ostream& out, I value) {
  print_integer(out, static_cast<int64_t>(value));
}
inline void print_result(std::ostream& out, double value) {
  print_number(out, value);
}
inline void print_result(std::ostream& out, const std::string& value) {
  print_text(out, value);
}
inline void print_result(std::ostream& out, TDateTime value) {
  print_date(out, value);
}
inline void print_result(std::ostream& out, const Variant& value) {
  print_variant(out, value);
}
inline void print_result(std::ostream& out, const std::vector<std::string>& value) {
  print_lines(out, value);
}

}  // namespace zpk::cli
