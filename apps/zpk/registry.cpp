#include "registry.hpp"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "arguments.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "session.hpp"
#include "session_values.hpp"

namespace zpk::cli {

std::map<std::string, CallEntry>& call_registry() {
  static std::map<std::string, CallEntry> registry;
  return registry;
}

CallEntry& add_call_entry(CallEntry entry) {
  const std::string name = entry.name;
  auto [it, added] = call_registry().emplace(name, std::move(entry));
  if (!added) throw std::logic_error("zpk call: '" + name + "' is registered twice");
  return it->second;
}

void add_session_options(CLI::App& command, CallOptions& options) {
  command.add_option("--db", options.db, "database: a file path (embedded) or host:path (server)");
  command.add_option("--empresa", options.empresa, "company code")->capture_default_str();
  command.add_option("--usuario", options.usuario, "ERP user of the session");
  add_login_options(command, options);
  // One value per --answer, so the routine's name that follows is not taken as a reply.
  command.add_option("--answer", options.answers, "scripted reply to the next dialog (repeatable)")
      ->allow_extra_args(false);
}

void add_login_options(CLI::App& command, CallOptions& options) {
  command.add_option("--user", options.user, "server user (default: ISC_USER)");
  // A password on the command line shows in ps; the file and ISC_PASSWORD do not.
  CLI::Option* password = command.add_option(
      "--password", options.password, "server password, seen by ps (prefer --password-file or ISC_PASSWORD)");
  CLI::Option* password_file =
      command.add_option("--password-file", options.password_file,
                         "file whose first line is the server password (default: ISC_PASSWORD)");
  password->excludes(password_file);
  command
      .add_option("--connect-timeout", options.connect_timeout,
                  "seconds a server has to answer the connection (0: the client's own, 180)")
      ->capture_default_str()
      ->check(CLI::Range(0, 3600));
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

CallEntry& CallEntry::secret(const std::string& param) {
  auto it = std::find_if(params.begin(), params.end(), [&](const CallParam& p) { return p.name == param; });
  if (it == params.end()) throw std::logic_error("zpk call: " + name + " has no parameter '" + param + "'");
  it->secret = true;
  return *this;
}

std::string CallEntry::usage() const {
  std::vector<std::string> words;
  for (const CallParam& p : params) {
    // A password may be "-": read from standard input.
    const std::string word = p.var ? "var:" + p.name : p.secret ? p.name + "|-" : p.name;
    words.push_back(p.optional ? "[" + word + "]" : word);
  }
  if (!class_name.empty()) words.push_back("[" + class_name + " property=value...]");
  return fmt::format("{}", fmt::join(words, " "));
}

namespace {

bool is_property(const CallEntry& entry, const std::string& arg) {
  const size_t eq = arg.find('=');
  return eq != std::string::npos && std::find(entry.property_names.begin(), entry.property_names.end(),
                                              arg.substr(0, eq)) != entry.property_names.end();
}

}  // namespace

std::string CallEntry::argument_problem(const std::vector<std::string>& args) const {
  const auto count = [](size_t n) { return fmt::format("{} argument{}", n, n == 1 ? "" : "s"); };
  if (class_name.empty()) {
    if (args.size() < required) return fmt::format("{} takes at least {}", name, count(required));
    if (args.size() > arity()) {
      return arity() == 0 ? fmt::format("{} takes no arguments", name)
                          : fmt::format("{} takes at most {}", name, count(arity()));
    }
    return {};
  }
  // A method: its own arguments, all of them and in order, then the object's properties.
  for (size_t i = 0; i < args.size() && i < arity(); ++i) {
    if (is_property(*this, args[i])) {
      return fmt::format("{} takes its {} before the {} properties", name, count(arity()), class_name);
    }
  }
  if (args.size() < arity()) return fmt::format("{} takes {}", name, count(arity()));
  for (size_t i = arity(); i < args.size(); ++i) {
    if (args[i].find('=') == std::string::npos) {
      return fmt::format("{} takes {}; '{}' is not a {} property (NAME=value)", name, count(arity()), args[i],
                         class_name);
    }
  }
  return {};
}

namespace {

// Session variables that hold a password: "--set NAME=-" reads it from standard input.
constexpr std::string_view kSecretSessionValues[] = {"vSenha"};

// Turns the terminal's echo off for the life of the object.
class NoEcho {
 public:
  NoEcho() : saved_ok_(::tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!saved_ok_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~NoEcho() {
    if (saved_ok_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  NoEcho(const NoEcho&) = delete;
  NoEcho& operator=(const NoEcho&) = delete;

 private:
  termios saved_{};
  bool saved_ok_;
};

}  // namespace

std::string read_secret(std::istream& in, std::ostream& err, const std::string& name) {
  std::string line;
  bool read = false;
  if (&in == &std::cin && ::isatty(STDIN_FILENO)) {
    err << name << ": " << std::flush;
    {
      NoEcho quiet;
      read = static_cast<bool>(std::getline(in, line));
    }
    err << '\n';
  } else {
    read = static_cast<bool>(std::getline(in, line));
  }
  if (!read)
    throw EZpkError(name + " is \"-\": its value is read from standard input, which has no line for it");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int run_call(const CallOptions& options, const std::string& routine, const std::vector<std::string>& args,
             std::ostream& out, std::ostream& err, std::istream& in) {
  auto& registry = call_registry();
  auto it = registry.find(routine);
  if (it == registry.end()) {
    err << fmt::format("zpk call: unknown routine '{}'; `zpk call --list` lists them\n", routine);
    return 2;
  }
  const CallEntry& entry = it->second;
  if (const std::string problem = entry.argument_problem(args); !problem.empty()) {
    err << fmt::format("zpk call: {}\nusage: zpk call {} {}\n", problem, routine, entry.usage());
    if (!entry.property_names.empty()) {
      err << fmt::format("{} properties: {}\n", entry.class_name, fmt::join(entry.property_names, " "));
    }
    if (std::any_of(entry.params.begin(), entry.params.end(), [](const CallParam& p) { return p.var; })) {
      err << "a var:NAME argument may be given as -; its value is printed as NAME=value after the result\n";
    }
    return 2;
  }
  CallOptions resolved = options;
  std::vector<std::string> resolved_args = args;
  try {
    parse_session_values(options.set);
    // Passwords given as "-": the session's first, then the routine's, in order.
    for (std::string& assignment : resolved.set) {
      for (std::string_view name : kSecretSessionValues) {
        if (assignment == std::string(name) + "=-") {
          assignment = std::string(name) + "=" + read_secret(in, err, std::string(name));
        }
      }
    }
    for (size_t i = 0; i < resolved_args.size() && i < entry.params.size(); ++i) {
      if (entry.params[i].secret && resolved_args[i] == "-") {
        resolved_args[i] = read_secret(in, err, entry.params[i].name);
      }
    }
  } catch (const EZpkError& e) {
    err << "zpk call: " << e.what() << '\n';
    return 2;
  }
  CallContext ctx{resolved, entry, resolved_args, out};
  entry.run(ctx);
  return 0;
}

void list_calls(std::ostream& out) {
  for (const auto& [name, entry] : call_registry()) {
    const std::string usage = entry.usage();
    out << name << (usage.empty() ? "" : " ") << usage << '\n';
  }
}

void run_in_session(CallContext& ctx, const std::function<void()>& call) {
  // Checked before connecting: a misspelt --set stops the call before it touches the database.
  const auto values = parse_session_values(ctx.options.set);
  std::optional<CallSession> session;
  if (ctx.entry.database == CallDatabase::required ||
      (ctx.entry.database == CallDatabase::when_given && !ctx.options.db.empty())) {
    session.emplace(ctx.options);
  }
  ScopedSessionValues scoped(values);
  if (ctx.entry.around) {
    ctx.entry.around(ctx, call);
  } else {
    call();
  }
  for (const std::string& variable : ctx.entry.shown) print_var(ctx.out, variable, session_value(variable));
}

void commit_session() {
  Tabela.IBTransaction.Commit();
}

}  // namespace zpk::cli
