#include "cli/render_command.h"

#include <fstream>
#include <optional>

#include "app/output.h"
#include "app/run.h"
#include "cli/arguments.h"
#include "engine/render.h"
#include "engine/report.h"
#include "host/errors.h"
#include "host/platform.h"
#include "hostlib/messages.h"

namespace orla::cli {

namespace {

using hostlib::Say;

std::string Usage() {
  return Say(R"(usage: orla-vendas render FILE.json [--format F] [--out FILE] [--user NAME]
                           [--csv-dialect plain|br]

Renders a report from JSON without querying again: the whole object `run --format json`
writes, or its "report" member. Only "layout", "columns" and "rows" are required, so a layout
can also be previewed from hand-written rows.

options:
  --format F     pdf, html, xlsx, csv, json or txt (default: from --out, else txt)
  --out FILE     where to write (default: the terminal for txt and json, else
                 <layout>.<format> in this folder); '-' is standard output. FILE is
                 written whole or not at all, as `run --out` writes it, so it may also
                 be FILE.json itself
  --user NAME    who the printed report says printed it (default: the login name)
  --csv-dialect D  plain (default, for programs) or br (for spreadsheets in Portuguese),
                 as `orla-vendas run --help` tells

examples:
  orla-vendas run RankingDeVendas --format json --out ranking.json
  orla-vendas render ranking.json --out ranking.pdf
)");
}

}  // namespace

int RenderCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
  if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
    out << Usage();
    return kExitSuccess;
  }
  std::string input;
  std::optional<engine::Format> format;
  std::optional<std::string> file;
  std::shared_ptr<engine::Report> report;
  std::string user = app::LoginName();
  engine::RenderOptions render;
  try {
    ArgumentReader reader(std::move(arguments));
    while (!reader.Done()) {
      if (auto f = reader.TakeOption("--format")) {
        format = engine::ParseFormat(*f);
        if (!format) {
          throw UsageError(
              Say("--format expects pdf, html, xlsx, csv, json or txt, got '%s'", {*f}));
        }
      } else if (auto o = reader.TakeOption("--out")) {
        file = *o;
      } else if (auto u = reader.TakeOption("--user")) {
        user = *u;
      } else if (auto c = reader.TakeOption("--csv-dialect")) {
        render.csv = ParseCsvDialectOption(*c);
      } else if (reader.Peek().starts_with("--") || !input.empty()) {
        throw UsageError(Say("unexpected argument '%s'", {reader.Peek()}));
      } else {
        input = reader.Take();
      }
    }
    if (input.empty()) {
      throw UsageError(Say("render needs a FILE.json"));
    }
    if (!format) {
      format =
          file && *file != app::kStandardOutput ? app::FormatOfFile(*file) : engine::Format::Text;
    }
    if (!std::ifstream(input, std::ios::binary)) {
      throw UsageError(Say("%s: cannot read the file", {input}));
    }
    report = engine::ReportFromJsonFile(input);
    report->SetPrintedBy(user);
  } catch (const UsageError& e) {
    err << "orla-vendas render: " << e.what() << '\n';
    return kExitUsage;
  } catch (const host::HostError& e) {
    // An unknown layout or column, or a document that is not a report.
    err << "orla-vendas render: " << input << ": " << e.Description() << '\n';
    return kExitUsage;
  }
  try {
    const std::string path =
        file ? *file
        : engine::IsTextFormat(*format)
            ? std::string(app::kStandardOutput)
            : report->LayoutName() + "." + std::string(engine::FormatName(*format));
    app::WriteReport(*report, *format, path, out, render);
    if (path != app::kStandardOutput) {
      err << Say("Wrote %s", {path}) << '\n';
    }
  } catch (const app::OutputError& e) {
    err << "orla-vendas render: " << e.what() << '\n';
    return kExitFalse;
  } catch (const std::exception& e) {
    err << "orla-vendas render: " << Say("cannot write the report: %s", {e.what()}) << '\n';
    return kExitFalse;
  }
  return kExitSuccess;
}

}  // namespace orla::cli
