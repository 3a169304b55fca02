// NF-e web-service addresses and station settings.
#include "billing/nfe/ws_config.hpp"

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include <fmt/format.h>

#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "foundation/station_settings.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::nfe {
namespace {

struct State {
  std::string code;         // cUF
  std::string authoriser;   // "SP", "SVRS", ...
  std::string contingency;  // "SVC-AN" or "SVC-RS"
};

// The list of webservices.tsv: addresses by authoriser, environment and
// service, and each state's authorisers.
struct AddressList {
  std::map<std::string, std::string, std::less<>> urls;  // "SP|1|NFeAutorizacao4" -> URL
  std::map<std::string, State, std::less<>> states;      // "SP" -> ...
};

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, '\t')) out.push_back(Trim(part));
  return out;
}

const AddressList& address_list() {
  static std::once_flag once;
  static AddressList list;
  std::call_once(once, [] {
    const auto file = PastaEsquemasNFe() / "webservices.tsv";
    std::ifstream in(file);
    if (!in)
      throw ENFeError(NFeErrorKind::invalid_input,
                      fmt::format("Lista de autorizadores não encontrada: {}", file.string()));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line.front() == '#') continue;
      const auto f = split_tabs(line);
      if (f.size() >= 5 && f[0] == "uf") {
        list.states[f[1]] = State{f[2], f[3], f[4]};
      } else if (f.size() >= 4) {
        list.urls[fmt::format("{}|{}|{}", f[0], f[1], f[2])] = f[3];
      }
    }
  });
  return list;
}

const State& state_of(std::string_view uf) {
  const auto& states = address_list().states;
  const auto it = states.find(UpperCase(Trim(std::string(uf))));
  if (it == states.end())
    throw ENFeError(NFeErrorKind::invalid_input, fmt::format("UF sem autorizador de NF-e: \"{}\"", uf));
  return it->second;
}

std::chrono::milliseconds seconds_setting(const char* key, std::chrono::milliseconds fallback) {
  const std::string text = Trim(LeIni("WebServices", key, "NFe.ini"));
  if (text.empty()) return fallback;
  try {
    const double s = std::stod(text);
    if (s > 0) return std::chrono::milliseconds(static_cast<long long>(s * 1000));
  } catch (const std::exception&) {
  }
  throw ENFeError(NFeErrorKind::invalid_input,
                  fmt::format("NFe.ini [WebServices] {}: \"{}\" não é um número de segundos", key, text));
}

}  // namespace

std::string_view service_name(NFeService s) {
  switch (s) {
    case NFeService::status:
      return "NFeStatusServico4";
    case NFeService::authorisation:
      return "NFeAutorizacao4";
    case NFeService::receipt:
      return "NFeRetAutorizacao4";
    case NFeService::situation:
      return "NFeConsultaProtocolo4";
    case NFeService::event:
      return "NFeRecepcaoEvento4";
    case NFeService::voiding:
      return "NFeInutilizacao4";
  }
  return {};
}

WebServiceConfig read_webservice_config() {
  WebServiceConfig c;
  c.base = Trim(LeIni("WebServices", "Base", "NFe.ini"));
  c.base_contingency = Trim(LeIni("WebServices", "BaseSVC", "NFe.ini"));
  c.ca_file = Trim(LeIni("WebServices", "CA", "NFe.ini"));
  c.connect_timeout = seconds_setting("TimeoutConexao", c.connect_timeout);
  c.answer_timeout = seconds_setting("TimeoutResposta", c.answer_timeout);
  return c;
}

std::string service_url(const WebServiceConfig& config, std::string_view uf, std::string_view tpAmb,
                        NFeService service, bool contingency) {
  const std::string& base = contingency ? config.base_contingency : config.base;
  if (!base.empty()) {
    std::string b = base;
    while (!b.empty() && b.back() == '/') b.pop_back();
    return fmt::format("{}/{}", b, service_name(service));
  }
  const State& st = state_of(uf);
  const std::string& authoriser = contingency ? st.contingency : st.authoriser;
  const auto& urls = address_list().urls;
  const auto it = urls.find(fmt::format("{}|{}|{}", authoriser, tpAmb, service_name(service)));
  if (it == urls.end()) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("O autorizador {} não tem o serviço {} no ambiente {}", authoriser,
                                service_name(service), tpAmb));
  }
  return it->second;
}

std::string contingency_tpEmis(std::string_view uf) {
  return state_of(uf).contingency == "SVC-RS" ? "7" : "6";
}

std::string state_code(std::string_view uf) {
  return state_of(uf).code;
}

}  // namespace zpk::nfe
