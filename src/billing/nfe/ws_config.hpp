// Where a station sends its NF-e: the authorisers' addresses per state and
// environment (a data file beside the schemas, from the authorities' public
// list), or the station's own base address from NFe.ini, and how long it waits.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace zpk::nfe {

// The services of NF-e 4.00, by the names their addresses end with.
enum class NFeService { status, authorisation, receipt, situation, event, voiding };
std::string_view service_name(NFeService s);  // "NFeStatusServico4", ...

// A station's settings for the web services.
struct WebServiceConfig {
  // Every service at `base` + "/" + its name (NFe.ini [WebServices] Base);
  // empty: the public addresses of the state's authoriser.
  std::string base;
  // The same for the contingency authoriser (NFe.ini [WebServices] BaseSVC).
  std::string base_contingency;
  std::filesystem::path ca_file;  // NFe.ini [WebServices] CA; empty: the system's authorities
  std::chrono::milliseconds connect_timeout{10'000};  // [WebServices] TimeoutConexao, seconds
  std::chrono::milliseconds answer_timeout{60'000};   // [WebServices] TimeoutResposta, seconds
};

// The station's settings from NFe.ini (LeIni, the program's folder).
WebServiceConfig read_webservice_config();

// The address of a service for a state ("SP") and environment ("1"/"2"), at
// the normal authoriser or, with `contingency`, at the state's SVC. Raises
// ENFeError(invalid_input) for a state or service the list does not have.
std::string service_url(const WebServiceConfig& config, std::string_view uf, std::string_view tpAmb,
                        NFeService service, bool contingency);

// The state's contingency issue type: "6" (SVC-AN) or "7" (SVC-RS).
std::string contingency_tpEmis(std::string_view uf);

// The IBGE code of a state ("SP" -> "35").
std::string state_code(std::string_view uf);

}  // namespace zpk::nfe
