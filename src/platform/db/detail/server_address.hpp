// Where a database location points: the host and port of a Firebird server,
// or nothing for a file opened by the embedded engine. Messages about a
// server that does not answer name them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zpk::detail {

struct ServerAddress {
  std::string host;
  std::string port;  // a number or a service name; "3050" when the location names none
};

// The server of `location` ("host:path", "host/port:path", "[ipv6]/port:path",
// "inet://host:port/path"); nullopt for a plain file path.
std::optional<ServerAddress> server_address(std::string_view location);

}  // namespace zpk::detail
