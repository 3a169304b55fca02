// The session variables a host sets after login (vNuvem, vEmpresa_Atual,
// vSenha, sPedidoLocado, ...), set for one `zpk call` by `--set NAME=value`.
// The routines read them as they read the host's; they are never taken from
// a routine's own argument list.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zpk::cli {

// The names --set accepts, in the order they are listed.
std::vector<std::string> session_value_names();

// The current value of a session variable as text (Booleans True/False).
// Raises EZpkError for a name that is not a session variable.
std::string session_value(std::string_view name);

// "NAME=value" assignments read and checked up front; raises EZpkError for a
// text without "=" or an unknown name, EConvertError for a value that does not
// read (bTraducao True/False, iSeq an integer).
std::vector<std::pair<std::string, std::string>> parse_session_values(
    const std::vector<std::string>& assignments);

// Sets the variables for the life of the object and gives the former values
// back when it dies, so one call's --set never leaks into the next.
class ScopedSessionValues {
 public:
  explicit ScopedSessionValues(const std::vector<std::pair<std::string, std::string>>& values);
  ~ScopedSessionValues();
  ScopedSessionValues(const ScopedSessionValues&) = delete;
  ScopedSessionValues& operator=(const ScopedSessionValues&) = delete;

 private:
  std::vector<std::pair<std::string, std::string>> former_;
};

}  // namespace zpk::cli
