// zpk: the library's command-line tool. `zpk call ROUTINE ARG...` runs one
// exported routine and prints its result; `zpk demo` walks through what the
// library does; `zpk db` creates and seeds databases.
#include <algorithm>
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"

namespace {

int run_call(const zpk::cli::CallOptions& options, const std::string& routine,
             const std::vector<std::string>& args) {
  auto& registry = zpk::cli::call_registry();
  auto it = registry.find(routine);
  if (it == registry.end()) {
    std::cerr << fmt::format("zpk call: unknown routine '{}'; `zpk call --list` lists them\n", routine);
    return 2;
  }
  const zpk::cli::CallEntry& entry = it->second;
  const int count = static_cast<int>(args.size());
  if (count < entry.min_args || (entry.max_args >= 0 && count > entry.max_args)) {
    std::cerr << fmt::format("usage: zpk call {} {}\n", routine, entry.usage);
    return 2;
  }
  zpk::cli::CallContext ctx{options, args, std::cout};
  entry.run(ctx);
  return 0;
}

int run_demo(const zpk::cli::CallOptions& options) {
  auto steps = zpk::cli::demo_registry();
  std::stable_sort(steps.begin(), steps.end(),
                   [](const auto& a, const auto& b) { return a.order < b.order; });
  for (const auto& step : steps) {
    std::cout << "== " << step.title << '\n';
    step.run(options, std::cout);
    std::cout << '\n';
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"zpk: business rules of the ERP from the command line"};
  app.require_subcommand(1);
  zpk::cli::CallOptions options;

  auto add_db_options = [&options](CLI::App* cmd) {
    cmd->add_option("--db", options.db, "database: a file path (embedded) or host:path (server)");
    cmd->add_option("--empresa", options.empresa, "company code")->capture_default_str();
    cmd->add_option("--usuario", options.usuario, "ERP user of the session");
    cmd->add_option("--user", options.user, "server user (default: ISC_USER)");
    cmd->add_option("--password", options.password, "server password (default: ISC_PASSWORD)");
    // One value per --answer, so the routine's name that follows is not taken as a reply.
    cmd->add_option("--answer", options.answers, "scripted reply to the next dialog (repeatable)")
        ->allow_extra_args(false);
  };

  CLI::App* call = app.add_subcommand("call", "call a routine: zpk call [options] ROUTINE ARG...");
  add_db_options(call);
  bool list = false;
  call->add_flag("--list", list, "list the routines");
  // Everything after the routine's name is its arguments, even when it starts with "-".
  call->prefix_command();

  CLI::App* demo = app.add_subcommand("demo", "walk through what the library does");
  add_db_options(demo);

  for (const auto& setup : zpk::cli::command_registry()) setup(app, options);

  // Dialogs shown on the way go to stderr, one line each; --answer scripts the replies.
  zpk::HeadlessDialogs dialogs({.echo = &std::cerr});
  zpk::ScopedDialogService dialog_guard(dialogs);

  try {
    app.parse(argc, argv);
    dialogs.reply_all(options.answers);
    if (call->parsed()) {
      std::vector<std::string> rest = call->remaining();
      if (list || rest.empty()) {
        for (const auto& [name, entry] : zpk::cli::call_registry()) {
          std::cout << name << ' ' << entry.usage << '\n';
        }
        return list ? 0 : 2;
      }
      const std::string routine = rest.front();
      rest.erase(rest.begin());
      return run_call(options, routine, rest);
    }
    if (demo->parsed()) return run_demo(options);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const zpk::EAbort&) {
    // A silent stop: the routine has already told the user why.
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
