#include "session_values.hpp"

#include <algorithm>
#include <functional>

#include <fmt/format.h>

#include "arguments.hpp"
#include "billing/nota_fiscal.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk::cli {

namespace {

// One session variable: how to read it as text and how to set it from text.
struct SessionVariable {
  const char* name;
  std::function<std::string()> get;
  std::function<void(const std::string&)> set;
};

SessionVariable text_variable(const char* name, std::string& variable) {
  return {name, [&variable] { return variable; }, [&variable](const std::string& v) { variable = v; }};
}

const std::vector<SessionVariable>& variables() {
  static const std::vector<SessionVariable> kVariables = [] {
    std::vector<SessionVariable> v{
        text_variable("vUsuario", vUsuario),
        text_variable("vUsuarioCodigo", vUsuarioCodigo),
        text_variable("vSupervisor", vSupervisor),
        text_variable("vUsuarioEMail", vUsuarioEMail),
        text_variable("vSenha", vSenha),
        text_variable("vEmpresa_Atual", vEmpresa_Atual),
        text_variable("vNuvem", vNuvem),
        text_variable("vFontePadrao", vFontePadrao),
        text_variable("sResolucao", sResolucao),
        text_variable("sRelatorio", sRelatorio),
        text_variable("sLogTelas", sLogTelas),
        text_variable("sPedidoLocado", sPedidoLocado),
        text_variable("sOrcamentoLocado", sOrcamentoLocado),
        text_variable("sProgramacaoLocado", sProgramacaoLocado),
        text_variable("vPedidoFat", vPedidoFat),
    };
    v.push_back({"bTraducao", [] { return bool_text(bTraducao); },
                 [](const std::string& t) { bTraducao = read_bool("bTraducao", t); }});
    v.push_back({"iSeq", [] { return std::to_string(iSeq); },
                 [](const std::string& t) { iSeq = read_int("iSeq", t); }});
    return v;
  }();
  return kVariables;
}

const SessionVariable& variable(std::string_view name) {
  const auto& all = variables();
  auto it = std::find_if(all.begin(), all.end(), [name](const SessionVariable& v) { return v.name == name; });
  if (it == all.end()) {
    throw EZpkError(fmt::format("'{}' is not a session variable; --set takes {}", name,
                                fmt::join(session_value_names(), ", ")));
  }
  return *it;
}

}  // namespace

std::vector<std::string> session_value_names() {
  std::vector<std::string> names;
  for (const SessionVariable& v : variables()) names.emplace_back(v.name);
  return names;
}

std::string session_value(std::string_view name) {
  return variable(name).get();
}

std::vector<std::pair<std::string, std::string>> parse_session_values(
    const std::vector<std::string>& assignments) {
  std::vector<std::pair<std::string, std::string>> values;
  for (const std::string& a : assignments) {
    const size_t eq = a.find('=');
    if (eq == std::string::npos) throw EZpkError("--set expects NAME=value, got '" + a + "'");
    std::string name = a.substr(0, eq);
    std::string value = a.substr(eq + 1);
    // Read once here, so a value that does not convert stops the call before it connects.
    const SessionVariable& v = variable(name);
    const std::string former = v.get();
    v.set(value);
    v.set(former);
    values.emplace_back(std::move(name), std::move(value));
  }
  return values;
}

ScopedSessionValues::ScopedSessionValues(const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [name, value] : values) {
    const SessionVariable& v = variable(name);
    former_.emplace_back(name, v.get());
    v.set(value);
  }
}

ScopedSessionValues::~ScopedSessionValues() {
  // In reverse, so a name set twice gets its first former value back.
  for (auto it = former_.rbegin(); it != former_.rend(); ++it) {
    try {
      variable(it->first).set(it->second);
    } catch (...) {
      // A value that was read from the variable itself always converts back.
    }
  }
}

}  // namespace zpk::cli
