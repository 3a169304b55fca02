#include "platform/db/detail/server_address.hpp"

namespace zpk::detail {

namespace {

constexpr std::string_view kDefaultPort = "3050";

// "host" or "host/port" (also "[v6]" and "[v6]/port") as the client writes them before ":path".
std::optional<ServerAddress> split_host_port(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string_view host = text;
  std::string_view port = kDefaultPort;
  const size_t close = text.front() == '[' ? text.find(']') : std::string_view::npos;
  const size_t slash = text.find('/', close == std::string_view::npos ? 0 : close);
  if (slash != std::string_view::npos) {
    host = text.substr(0, slash);
    port = text.substr(slash + 1);
  }
  if (host.size() > 1 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty() || port.empty()) return std::nullopt;
  return ServerAddress{std::string(host), std::string(port)};
}

}  // namespace

std::optional<ServerAddress> server_address(std::string_view location) {
  // The URL form: inet://host[:port]/path (inet4, inet6 alike).
  for (std::string_view scheme : {"inet://", "inet4://", "inet6://"}) {
    if (location.substr(0, scheme.size()) != scheme) continue;
    const std::string_view rest = location.substr(scheme.size());
    const size_t close = !rest.empty() && rest.front() == '[' ? rest.find(']') : std::string_view::npos;
    const size_t path = rest.find('/', close == std::string_view::npos ? 0 : close);
    const std::string_view authority = rest.substr(0, path);
    const size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (close == std::string_view::npos || colon > close)) {
      return split_host_port(std::string(authority.substr(0, colon)) + "/" +
                             std::string(authority.substr(colon + 1)));
    }
    return split_host_port(authority);
  }
  // host[/port]:path; a path (absolute, relative, or with a colon after its
  // first folder) has no server.
  const size_t close =
      !location.empty() && location.front() == '[' ? location.find(']') : std::string_view::npos;
  const size_t colon = location.find(':', close == std::string_view::npos ? 0 : close);
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  const std::string_view prefix = location.substr(0, colon);
  if (prefix.front() == '/' || prefix.front() == '.' || prefix.find('/') != prefix.rfind('/'))
    return std::nullopt;
  return split_host_port(prefix);
}

}  // namespace zpk::detail
