#include "app.hpp"

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <string.h>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "error_report.hpp"
#include "platform/db/cancellation.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session_values.hpp"

namespace zpk::cli {

namespace {

int run_demo(const CallOptions& options, std::ostream& out) {
  auto steps = demo_registry();
  std::stable_sort(steps.begin(), steps.end(),
                   [](const auto& a, const auto& b) { return a.order < b.order; });
  for (const auto& step : steps) {
    out << "== " << step.title << '\n';
    step.run(options, out);
    out << '\n';
  }
  return 0;
}

// The sub-commands given, e.g. "db create".
std::string command_path(const CLI::App& app) {
  std::string path;
  for (const CLI::App* command = &app; !command->get_subcommands().empty();) {
    command = command->get_subcommands().front();
    path += (path.empty() ? "" : " ") + command->get_name();
  }
  return path;
}

// Adds --verbose to `command` and each of its sub-commands, so that it may
// follow any of them (for `zpk call`, before the routine's name).
void add_verbose_flag(CLI::App& command, bool& verbose) {
  command.add_flag("--verbose", verbose,
                   "on an error, also print the database engine's message, codes and statement");
  for (CLI::App* sub : command.get_subcommands({})) add_verbose_flag(*sub, verbose);
}

}  // namespace

int run_zpk(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  return run_zpk(argc, argv, out, err, std::cin);
}

int run_zpk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in) {
  CLI::App app{"zpk: business rules of the ERP from the command line"};
  app.require_subcommand(1);
  bool verbose = false;
  std::string context;  // what ran, named by the error line
  CallOptions options;

  const auto add_db_options = [&options](CLI::App* cmd) { add_session_options(*cmd, options); };

  CLI::App* call = app.add_subcommand("call", "call a routine: zpk call [options] ROUTINE ARG...");
  add_db_options(call);
  call->add_option("--set", options.set,
                   fmt::format("session variable for the call, NAME=value (repeatable; vSenha=- reads the "
                               "password from standard input): {}",
                               fmt::join(session_value_names(), ", ")))
      ->allow_extra_args(false);
  bool list = false;
  call->add_flag("--list", list, "list the routines with their arguments");
  // Everything after the routine's name is its arguments, even when it starts with "-".
  call->prefix_command();

  CLI::App* demo = app.add_subcommand("demo", "walk through what the library does");
  add_db_options(demo);

  for (const auto& setup : command_registry()) setup(app, options);
  add_verbose_flag(app, verbose);

  // Dialogs shown on the way go to stderr, one line each; --answer scripts the replies.
  HeadlessDialogs dialogs({.echo = &err});
  ScopedDialogService dialog_guard(dialogs);

  int status = 0;
  try {
    app.parse(argc, argv);
    dialogs.reply_all(options.answers);
    if (call->parsed()) {
      std::vector<std::string> rest = call->remaining();
      if (list || rest.empty()) {
        list_calls(out);
        status = list ? 0 : 2;
      } else {
        const std::string routine = rest.front();
        rest.erase(rest.begin());
        context = routine;
        status = run_call(options, routine, rest, out, err, in);
      }
    } else if (demo->parsed()) {
      status = run_demo(options, out);
    }
  } catch (const CLI::ParseError& e) {
    // --help ends parsing with status 0; anything else is a command line that does not fit.
    return app.exit(e, out, err) == 0 ? 0 : 2;
  } catch (const EAbort&) {
    // A silent stop: the routine has already told the user why.
    status = 1;
  } catch (const std::exception& e) {
    // After a signal the error is the stop itself, said once below.
    if (stop_reason() == 0) report_error(err, e, context.empty() ? command_path(app) : context, verbose);
    status = 1;
  }
  // SIGINT / SIGTERM (StopSignals in main): 128 + signal, as a shell reports a process it stopped.
  if (const int signal = stop_reason(); signal != 0) {
    err << fmt::format("zpk: stopped by SIG{}; work not committed was rolled back\n", sigabbrev_np(signal));
    return 128 + signal;
  }
  return status;
}

}  // namespace zpk::cli
