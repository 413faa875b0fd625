#include "cli/commands.h"

#include <cerrno>
#include <iostream>
#include <system_error>

#include "cli/arguments.h"
#include "cli/deliver_command.h"
#include "cli/demo_db_command.h"
#include "cli/list_command.h"
#include "cli/render_command.h"
#include "cli/run_command.h"
#include "cli/serve_command.h"
#include "cli/sql_command.h"
#include "cli/version.h"
#include "hostlib/messages.h"

namespace orla::cli {

namespace {

using hostlib::Say;

std::string Usage() {
  return Say(R"(usage: orla-vendas COMMAND [ARGS]
       orla-vendas --version

The sales reports of the station, from the command line.

commands:
  run       run a report on a sales database and write it (PDF, HTML, XLSX, CSV, JSON, text)
  list      list the reports with their parameters, types and defaults
  render    render a report saved as JSON again, in another format
  demo-db   write a demo sales database
  serve     serve the report viewer, a page that runs and shows every report, and its API
  sql       run a T-SQL batch on a sales database as the reports see it
  deliver   deliver the reports of a subscriptions file when due: to folders and by mail

`orla-vendas COMMAND --help` tells more of each, with examples; `orla-vendas --version`
gives the program's and the library's version and those of SQLite, Cairo, Pango and HarfBuzz.
)");
}

int Command(const std::string& command, std::vector<std::string> arguments, std::ostream& out,
            std::ostream& err, bool terminal) {
  if (command == "--help" || command == "-h" || command == "help") {
    out << Usage();
    return kExitSuccess;
  }
  if (command == "--version") {
    WriteVersions(out);
    return kExitSuccess;
  }
  if (command == "run") {
    return RunCommand(std::move(arguments), out, err, terminal);
  }
  if (command == "list") {
    return ListCommand(arguments, out, err);
  }
  if (command == "render") {
    return RenderCommand(std::move(arguments), out, err);
  }
  if (command == "serve") {
    return ServeCommand(std::move(arguments), out, err, terminal);
  }
  if (command == "sql") {
    return SqlCommand(std::move(arguments), std::cin, out, err, terminal);
  }
  if (command == "deliver") {
    return deliver::DeliverCommand(std::move(arguments), out, err);
  }
  if (command == "demo-db") {
    return DemoDbCommand(std::move(arguments), out, err, terminal);
  }
  err << "orla-vendas: " << Say("unknown command '%s'", {command}) << "\n\n" << Usage();
  return kExitUsage;
}

}  // namespace

int Dispatch(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
             bool terminal) {
  if (arguments.empty()) {
    err << Usage();
    return kExitUsage;
  }
  const std::string command = arguments.front();
  arguments.erase(arguments.begin());
  const int code = Command(command, std::move(arguments), out, err, terminal);
  // What standard output buffered goes now: a full disk must not pass for a report written.
  errno = 0;
  if (out.flush()) {
    return code;
  }
  const int reason = errno;
  err << "orla-vendas " << command << ": " << Say("cannot write standard output")
      << (reason != 0 ? ": " + std::generic_category().message(reason) : "") << '\n';
  return kExitFalse;
}

}  // namespace orla::cli
