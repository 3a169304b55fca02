// Registry of what `zpk call` and `zpk demo` can run. Each calls_*.cpp and
// demo_*.cpp file of this folder registers its own entries at start-up, so a
// subsystem adds routines without touching the dispatcher.
#pragma once

#include <functional>

namespace CLI {
class App;
}
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace zpk::cli {

// Options of the command line that routines needing the database use.
struct CallOptions {
  std::string db;        // path (embedded) or host:path (server)
  std::string empresa = "001";
  std::string usuario;
  std::string user;      // server credentials (else ISC_USER / ISC_PASSWORD)
  std::string password;
  std::vector<std::string> answers;  // scripted replies for dialogs
};

struct CallContext {
  const CallOptions& options;
  const std::vector<std::string>& args;
  std::ostream& out;
};

// A routine callable from the command line. `usage` names its arguments,
// e.g. "CPF"; `min_args`/`max_args` bound their count (-1: unbounded).
struct CallEntry {
  std::string usage;
  int min_args = 0;
  int max_args = -1;
  std::function<void(CallContext&)> run;
};

std::map<std::string, CallEntry>& call_registry();

// A demo step: `order` sorts the steps (subsystem number x 100 + step).
struct DemoEntry {
  int order = 0;
  std::string title;
  std::function<void(const CallOptions&, std::ostream&)> run;
};

std::vector<DemoEntry>& demo_registry();

// Registers at static-initialisation time: `static RegisterCall r{"VerCpf", {...}};`
struct RegisterCall {
  RegisterCall(const std::string& name, CallEntry entry) { call_registry()[name] = std::move(entry); }
};
struct RegisterDemo {
  explicit RegisterDemo(DemoEntry entry) { demo_registry().push_back(std::move(entry)); }
};

// A further sub-command of zpk (e.g. `db`): `setup` adds it to the app and sets
// its callback; the callback's exceptions are reported like those of `call`.
struct RegisterCommand {
  explicit RegisterCommand(std::function<void(CLI::App&, CallOptions&)> setup);
};
std::vector<std::function<void(CLI::App&, CallOptions&)>>& command_registry();

// Output rules: Booleans as True/False, numbers with a decimal point and no
// thousands separator, var outputs as name=value lines.
void print_bool(std::ostream& out, bool value);
void print_number(std::ostream& out, double value);
void print_text(std::ostream& out, const std::string& value);
void print_var(std::ostream& out, const std::string& name, const std::string& value);

// Argument readers that raise zpk::EConvertError with a clear message.
int arg_int(const CallContext& ctx, size_t index);
double arg_double(const CallContext& ctx, size_t index);
bool arg_bool(const CallContext& ctx, size_t index);

}  // namespace zpk::cli
