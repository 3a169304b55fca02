// Registry of what `zpk call` and `zpk demo` can run. Each calls_*.cpp and
// demo_*.cpp file of this folder registers its own entries at start-up, so a
// subsystem adds routines without touching the dispatcher. Call entries are
// made by the typed adapter (routine_adapter.hpp) from the routine's signature.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <istream>
#include <map>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zpk::cli {

// Options of the command line that routines needing the database use.
struct CallOptions {
  std::string db;  // path (embedded) or host:path (server)
  std::string empresa = "001";
  std::string usuario;
  std::string user;  // server credentials (else ISC_USER / ISC_PASSWORD)
  std::string password;
  std::string password_file;         // the server password's file (first line)
  int connect_timeout = 15;          // seconds a server has to answer
  std::vector<std::string> answers;  // scripted replies for dialogs
  std::vector<std::string> set;      // session variables for the call, "NAME=value"
};

// Where a routine's connection comes from.
enum class CallDatabase {
  none,        // it reads no database
  required,    // --db must be given; Tabela is connected for the call
  when_given,  // connected when --db is given; without it the routine works on files alone
};

// One parameter of a routine, as its C++ declaration has it.
struct CallParam {
  std::string name;       // the parameter's name in the declaration
  bool optional = false;  // it has a default: it may be left out (from the end)
  bool var = false;       // passed by reference and printed as name=value after the result
  std::string sample;     // a text the argument accepts ("-" for a var)
  bool secret = false;    // a password: "-" reads it from standard input, out of sight of ps
};

struct CallEntry;

struct CallContext {
  const CallOptions& options;
  const CallEntry& entry;
  const std::vector<std::string>& args;
  std::ostream& out;
};

// A routine callable from the command line.
struct CallEntry {
  std::string name;                         // the routine's name
  std::string class_name;                   // for a method: its class
  bool constant = false;                    // a named value of the library, not a routine
  std::vector<CallParam> params;            // the routine's own parameters, in order
  size_t required = 0;                      // how many leading parameters have no default
  std::vector<std::string> property_names;  // for a method: the class's NAME=value properties
  CallDatabase database = CallDatabase::none;
  bool commit_after = false;       // the call commits after the routine, as the screen calling it does
  std::vector<std::string> shown;  // session variables printed after the result
  // Wraps the routine's call (for a routine that reports through a screen hook).
  std::function<void(CallContext&, const std::function<void()>& call)> around;
  // Converts the arguments, calls the routine and prints what it returned.
  std::function<void(CallContext&)> run;
  // Converts the arguments (and properties) without calling: raises what run would.
  std::function<void(const std::vector<std::string>& args)> check;

  CallEntry& uses_database() {
    database = CallDatabase::required;
    return *this;
  }
  CallEntry& uses_database_when_given() {
    database = CallDatabase::when_given;
    return *this;
  }
  CallEntry& commits() {
    commit_after = true;
    return *this;
  }
  CallEntry& shows(std::string variable) {
    shown.push_back(std::move(variable));
    return *this;
  }
  CallEntry& wraps(std::function<void(CallContext&, const std::function<void()>&)> hook) {
    around = std::move(hook);
    return *this;
  }
  // Marks the parameter `name` as a password, which may be given as "-" to
  // be read from standard input; raises std::logic_error for an unknown name.
  CallEntry& secret(const std::string& name);

  // The argument list, e.g. "NomeTabela Campo [Tamanho] [Flag]": a default
  // parameter in brackets, a var one as var:Name, a class's properties last.
  std::string usage() const;
  // Why `args` does not fit the routine's parameters; empty when it does.
  std::string argument_problem(const std::vector<std::string>& args) const;
  size_t arity() const { return params.size(); }
};

std::map<std::string, CallEntry>& call_registry();

// Adds the options of a database session (--db, --empresa, --usuario, --user,
// --password or --password-file, --connect-timeout, --answer) to a
// sub-command, filling `options`.
void add_session_options(CLI::App& command, CallOptions& options);

// The server login alone (--user, --password, --password-file,
// --connect-timeout): what `zpk db` takes.
void add_login_options(CLI::App& command, CallOptions& options);

// Adds an entry under its name; raises std::logic_error when the name is taken.
CallEntry& add_call_entry(CallEntry entry);

// Runs `zpk call ROUTINE ARG...`: 0 when the routine ran, 2 for an unknown
// routine, an argument list that does not fit, a --set that does not read or
// a password to be read from `in` that is not there (the reason and the usage
// go to `err`). Passwords given as "-" (--set vSenha=-, then the routine's
// secret arguments, in order) are read from `in`, one line each.
// The routine's own errors propagate.
int run_call(const CallOptions& options, const std::string& routine, const std::vector<std::string>& args,
             std::ostream& out, std::ostream& err, std::istream& in);

// One line of `in` without its line end: a password given as "-". On a
// terminal it is typed without echo after a prompt naming `name` on `err`.
// Raises EZpkError when `in` has no line.
std::string read_secret(std::istream& in, std::ostream& err, const std::string& name);

// Prints every routine with its arguments, one per line.
void list_calls(std::ostream& out);

// The frame of one call, used by the adapter around the routine: connects
// when the entry says so, sets the --set session variables, runs `call`
// (through the entry's wrapper), then prints the session variables it shows.
void run_in_session(CallContext& ctx, const std::function<void()>& call);
// Commits the shared transaction of the call's connection.
void commit_session();

// A demo step: `order` sorts the steps (subsystem number x 100 + step).
struct DemoEntry {
  int order = 0;
  std::string title;
  std::function<void(const CallOptions&, std::ostream&)> run;
};

std::vector<DemoEntry>& demo_registry();

struct RegisterDemo {
  explicit RegisterDemo(DemoEntry entry) { demo_registry().push_back(std::move(entry)); }
};

// A further sub-command of zpk (e.g. `db`): `setup` adds it to the app and sets
// its callback; the callback's exceptions are reported like those of `call`.
struct RegisterCommand {
  explicit RegisterCommand(std::function<void(CLI::App&, CallOptions&)> setup);
};
std::vector<std::function<void(CLI::App&, CallOptions&)>>& command_registry();

}  // namespace zpk::cli
