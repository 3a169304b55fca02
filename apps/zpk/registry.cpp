#include "registry.hpp"

#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"

namespace zpk::cli {

std::map<std::string, CallEntry>& call_registry() {
  static std::map<std::string, CallEntry> registry;
  return registry;
}

std::vector<DemoEntry>& demo_registry() {
  static std::vector<DemoEntry> registry;
  return registry;
}

std::vector<std::function<void(CLI::App&, CallOptions&)>>& command_registry() {
  static std::vector<std::function<void(CLI::App&, CallOptions&)>> registry;
  return registry;
}

RegisterCommand::RegisterCommand(std::function<void(CLI::App&, CallOptions&)> setup) {
  command_registry().push_back(std::move(setup));
}

void print_bool(std::ostream& out, bool value) { out << (value ? "True" : "False") << '\n'; }

void print_number(std::ostream& out, double value) {
  // 15 significant digits, like the original's general float format, but with
  // a decimal point so scripts can read it.
  std::string text = FloatToStr(value);
  for (char& c : text) {
    if (c == FormatSettings.DecimalSeparator) c = '.';
  }
  out << text << '\n';
}

void print_text(std::ostream& out, const std::string& value) { out << value << '\n'; }

void print_var(std::ostream& out, const std::string& name, const std::string& value) {
  out << name << '=' << value << '\n';
}

namespace {
const std::string& arg_at(const CallContext& ctx, size_t index) {
  if (index >= ctx.args.size()) throw EConvertError(fmt::format("missing argument {}", index + 1));
  return ctx.args[index];
}
}  // namespace

int arg_int(const CallContext& ctx, size_t index) {
  const std::string& text = arg_at(ctx, index);
  int value = 0;
  if (!TryStrToInt(text, value)) {
    throw EConvertError(fmt::format("argument {}: '{}' is not an integer", index + 1, text));
  }
  return value;
}

double arg_double(const CallContext& ctx, size_t index) {
  // Command-line numbers are written with a decimal point.
  const std::string& text = arg_at(ctx, index);
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
    throw EConvertError(fmt::format("argument {}: '{}' is not a number", index + 1, text));
  }
  return value;
}

bool arg_bool(const CallContext& ctx, size_t index) {
  const std::string& text = arg_at(ctx, index);
  if (text == "True" || text == "true" || text == "1" || text == "S") return true;
  if (text == "False" || text == "false" || text == "0" || text == "N") return false;
  throw EConvertError(fmt::format("argument {}: '{}' is not True or False", index + 1, text));
}

}  // namespace zpk::cli
