#include "cli/deliver_command.h"

#include <optional>

#include "app/value_texts.h"
#include "cli/arguments.h"
#include "cli/demo_location.h"
#include "deliver/config.h"
#include "deliver/delivery.h"
#include "deliver/file_lock.h"
#include "deliver/state.h"
#include "host/platform.h"
#include "hostlib/messages.h"

namespace orla::deliver {

namespace {

using hostlib::Say;

std::string Usage() {
  return Say(R"(usage: orla-vendas deliver --config FILE (--due | --run NAME) [options]

Delivers the reports of a subscriptions file: each written to its folder and mailed, when
its time comes.

  --config FILE         the subscriptions file (TOML); a timer uses
                        ~/.config/orla-vendas/assinaturas.toml
  --due                 deliver what is due: each subscription whose time came since it
                        was last delivered, once, however many times it was missed
  --run NAME            deliver the subscription NAME now, due or not

options:
  --db FILE             the sales database (default: the demo database, made on first use)
  --at "YYYY-MM-DD HH:MM"
                        take this minute as now: to see what a schedule does on a given day
  --dry-run             say what would be delivered and sent; write, send and remember nothing

The file, with every key it takes:

  [smtp]
  server = "smtps://mail.example.com:465"   # or smtp://host:port, STARTTLS when offered
  from = "relatorios@posto.example"
  user = "relatorios"          # the password from ORLA_SMTP_PASSWORD, or password = "..."

  [[subscription]]
  name = "vendas-de-ontem"
  report = "VendasPorTiposDeRecebimento"
  period = "ontem"             # hoje, ontem, semana-atual, semana-passada, mes-atual,
                               # mes-passado, ano-atual, ano-passado, on the day it is due
  parameters = { NAME = "VALUE" }   # as run takes them (orla-vendas list names them);
                               # dates here win over period
  formats = ["pdf"]            # pdf, html, xlsx, csv, json, txt
  when = "diariamente 06:00"   # "segundas 07:00", "dia 1 06:00" or cron "0 6 * * 1-5"
  folder = "/srv/relatorios"   # files named after the report and the period
  email = ["gerente@posto.example"]
  empty = "avisar"             # nothing to print: "avisar" mails a short note, "pular" not

A file with any mistake is refused whole, with its line, and nothing runs. Beside the file
are kept the last delivery of each subscription (NAME.state.json), the mail not yet sent
(NAME.outbox/, tried again after 1, 2, 4 ... up to 60 minutes) and a lock, so that two
runs at once deliver once. Every outcome is one line on standard error.

A report that fails is logged with its error and not tried again before its next time;
--run NAME delivers it at once.

examples:
  orla-vendas deliver --config ~/.config/orla-vendas/assinaturas.toml --due
  orla-vendas deliver --config assinaturas.toml --due --at "2024-03-15 06:00" --dry-run

exit status: 0 all delivered, 1 a delivery or a mail failed, 2 a bad command line or file.
)");
}

struct Options {
  std::string config;
  std::optional<std::string> db;
  bool due = false;
  std::optional<std::string> run;
  std::optional<host::DateTime> at;
  bool dryRun = false;
};

host::DateTime ParseMinute(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  char end = 0;
  std::optional<host::DateTime> moment;
  if (text.size() == 16 && std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%c", &year, &month, &day,
                                       &hour, &minute, &end) == 5) {
    moment = host::DateTime::FromParts(year, month, day, hour, minute);
  }
  if (!moment) {
    throw app::UsageError(Say("--at expects \"YYYY-MM-DD HH:MM\", got '%s'", {text}));
  }
  return *moment;
}

Options Parse(std::vector<std::string> arguments) {
  cli::ArgumentReader reader(std::move(arguments));
  Options options;
  while (!reader.Done()) {
    if (auto config = reader.TakeOption("--config")) {
      options.config = *config;
    } else if (auto db = reader.TakeOption("--db")) {
      options.db = *db;
    } else if (reader.TakeFlag("--due")) {
      options.due = true;
    } else if (auto run = reader.TakeOption("--run")) {
      options.run = *run;
    } else if (auto at = reader.TakeOption("--at")) {
      options.at = ParseMinute(*at);
    } else if (reader.TakeFlag("--dry-run")) {
      options.dryRun = true;
    } else {
      throw app::UsageError(
          Say("unknown argument %s (see orla-vendas deliver --help)", {reader.Peek()}));
    }
  }
  if (options.config.empty()) {
    throw app::UsageError(Say("deliver needs --config FILE"));
  }
  if (options.due == options.run.has_value()) {
    throw app::UsageError(Say("deliver needs either --due or --run NAME"));
  }
  return options;
}

}  // namespace

int DeliverCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
  if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
    out << Usage();
    return cli::kExitSuccess;
  }
  Options options;
  Config config;
  const Subscription* only = nullptr;
  try {
    options = Parse(std::move(arguments));
    config = LoadConfig(options.config);
    if (options.run) {
      only = config.Find(*options.run);
      if (only == nullptr) {
        throw app::UsageError(
            Say("no subscription named '%s' in %s", {*options.run, config.file.string()}));
      }
    }
  } catch (const app::UsageError& e) {
    err << "orla-vendas deliver: " << e.what() << '\n';
    return cli::kExitUsage;
  } catch (const ConfigError& e) {
    err << "orla-vendas deliver: " << e.what() << '\n';
    return cli::kExitUsage;
  }

  DeliveryOptions delivery;
  delivery.dryRun = options.dryRun;
  const host::DateTime now = options.at.value_or(host::SystemClock().Now());
  delivery.now = host::DateTime::FromDays(now.Days(), now.SecondsOfDay() / 60 * 60);
  try {
    if (options.db) {
      delivery.database = cli::ExistingDatabase(*options.db);
    } else if (!options.dryRun) {
      delivery.database = cli::DemoDatabase(err, false);
    }
    const ConfigFiles files = FilesBeside(config.file);
    const FileLock lock(files.lock, [&] {
      err << "orla-vendas deliver: "
          << Say("waiting for another delivery run (%s)", {files.lock.string()}) << std::endl;
    });
    State state = LoadState(files.state);
    Deliverer deliverer(config, state, delivery, err);
    bool ok = only != nullptr ? deliverer.RunNow(*only) : deliverer.RunDue();
    ok = deliverer.SendOutbox() && ok;
    return ok ? cli::kExitSuccess : cli::kExitFalse;
  } catch (const app::UsageError& e) {
    err << "orla-vendas deliver: " << e.what() << '\n';
    return cli::kExitUsage;
  } catch (const std::exception& e) {
    err << "orla-vendas deliver: " << e.what() << '\n';
    return cli::kExitFalse;
  }
}

}  // namespace orla::deliver
