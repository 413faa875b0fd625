#include "deliver/delivery.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "app/file_names.h"
#include "app/output.h"
#include "app/parameters.h"
#include "app/run.h"
#include "deliver/mail.h"
#include "deliver/smtp.h"
#include "engine/format.h"
#include "engine/render_context.h"
#include "host/regional_settings.h"
#include "reports/shared_parameters.h"

namespace orla::deliver {

namespace {

constexpr std::string_view kDataInicial = reports::kDataInicial.name;
constexpr std::string_view kDataFinal = reports::kDataFinal.name;
// The longest wait between two tries of one message, in minutes; the first is one minute,
// doubled after each failure.
constexpr int kLongestRetryMinutes = 60;

host::DateTime AddMinutes(const host::DateTime& moment, int minutes) {
  return host::DateTime::FromDays(moment.Days(), moment.SecondsOfDay() + minutes * 60);
}

// "2024-03-16 06:00".
std::string Minute(const host::DateTime& moment) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d", moment.Year(), moment.Month(),
                moment.Day(), moment.Hour(), moment.Minute());
  return buffer;
}

// "20240316-0600", for the outbox's names.
std::string Stamp(const host::DateTime& moment) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d-%02d%02d", moment.Year(), moment.Month(),
                moment.Day(), moment.Hour(), moment.Minute());
  return buffer;
}

// How a person reads the period: "15/03/2024", "março de 2024", "01/03/2024 a 07/03/2024".
std::string PeriodText(const app::Period& period) {
  constexpr std::array<const char*, 12> kMonths = {"janeiro",  "fevereiro", "março",    "abril",
                                                   "maio",     "junho",     "julho",    "agosto",
                                                   "setembro", "outubro",   "novembro", "dezembro"};
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  if (period.first == period.last) {
    return regional.ShortDate(period.first);
  }
  if (period.first.Day() == 1 && period.last.AddDays(1).Day() == 1 &&
      period.first.Month() == period.last.Month() && period.first.Year() == period.last.Year()) {
    return std::string(kMonths[static_cast<size_t>(period.first.Month() - 1)]) + " de " +
           std::to_string(period.first.Year());
  }
  return regional.ShortDate(period.first) + " a " + regional.ShortDate(period.last);
}

std::string Joined(const std::vector<std::string>& items, std::string_view separator = ", ") {
  std::string text;
  for (const std::string& item : items) {
    text += (text.empty() ? "" : std::string(separator)) + item;
  }
  return text;
}

std::string ReadWhole(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  if (!stream) {
    throw app::OutputError("cannot read back " + file.string());
  }
  return text.str();
}

// Why a run that gave False failed, in the host's own words.
std::string Failure(const app::RunResult& run) {
  std::vector<std::string> reasons;
  for (const hostlib::ErrorRecord& error : run.session->Errors()) {
    reasons.push_back(error.description);
  }
  for (const hostlib::MessageRecord& message : run.session->Messages()) {
    reasons.push_back(message.text);
  }
  return "the report failed" + (reasons.empty() ? std::string() : ": " + Joined(reasons, "; "));
}

// "Valor líquido: R$ 1.234,56", the field summed over the rows as the report prints them;
// nothing when the report has no such field or its data lacks it.
std::optional<std::string> MainTotalLine(const engine::Report& report,
                                         const reports::MainTotal& total) {
  const engine::Layout& layout = report.GetLayout();
  const auto field = std::find_if(layout.fields.begin(), layout.fields.end(),
                                  [&](const engine::FieldDef& f) { return f.id == total.field; });
  if (total.field.empty() || field == layout.fields.end() || report.DataSource() == nullptr) {
    return std::nullopt;
  }
  const auto index = static_cast<size_t>(field - layout.fields.begin());
  const engine::RenderContext context(report);
  if (!context.Present(index)) {
    return std::nullopt;
  }
  const int places = field->format.decimals;
  engine::Decimal sum = engine::Decimal::FromInteger(0, places);
  const std::unique_ptr<engine::RowSource> rows = context.OpenRows();
  rows->Rewind();
  engine::Row row;
  for (int64_t number = 1; rows->Next(row); ++number) {
    context.Compute(row, number);
    if (const auto value = engine::NumberOf(row[index], places)) {
      sum += *value;
    }
  }
  return std::string(total.label) + ": R$ " + engine::FormatNumber(sum, field->format);
}

// A folder of its own in the temporary folder, gone with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "orla-vendas-deliver-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw app::OutputError("cannot make a folder in " +
                             std::filesystem::temp_directory_path().string());
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

app::Period PeriodOn(const Subscription& subscription, const host::DateTime& day) {
  // The dates were read when the file was loaded.
  return app::ReportPeriod(*subscription.report, subscription.parameters, day, subscription.period)
      .value_or(app::Period{day.DateOnly(), day.DateOnly()});
}

Deliverer::Deliverer(const Config& config, State& state, DeliveryOptions options, std::ostream& log)
    : config_(config),
      state_(state),
      options_(std::move(options)),
      log_(log),
      files_(FilesBeside(config.file)),
      outbox_(files_.outbox) {}

void Deliverer::Log(const std::string& subscription, const std::string& text) {
  log_ << Minute(options_.now) << ' ' << subscription << ": " << text << std::endl;
}

void Deliverer::Save() {
  if (!options_.dryRun) {
    SaveState(files_.state, state_);
  }
}

bool Deliverer::RunDue() {
  bool ok = true;
  for (const Subscription& s : config_.subscriptions) {
    SubscriptionState& seen = state_.subscriptions[s.name];
    const host::DateTime from =
        seen.slot ? AddMinutes(*seen.slot, 1) : seen.since.value_or(options_.now);
    const auto due = s.when.LatestBetween(from, options_.now);
    if (!options_.dryRun && !seen.since) {
      seen.since = options_.now;
    }
    if (!due) {
      continue;
    }
    if (options_.dryRun) {
      const app::Period period = PeriodOn(s, *due);
      std::vector<std::string> formats;
      for (const engine::Format format : s.formats) {
        formats.emplace_back(engine::FormatName(format));
      }
      Log(s.name, "due at " + Minute(*due) + ": would deliver " + std::string(s.report->name) +
                      " of " + PeriodText(period) + " as " + Joined(formats) +
                      (s.folder ? " to " + s.folder->string() : "") +
                      (s.email.empty() ? "" : " and mail " + Joined(s.email)));
      continue;
    }
    ok = Deliver(s, *due) && ok;
    seen.slot = *due;
    Save();
  }
  if (!options_.dryRun) {
    std::erase_if(state_.subscriptions,
                  [&](const auto& entry) { return config_.Find(entry.first) == nullptr; });
    Save();
  }
  return ok;
}

bool Deliverer::RunNow(const Subscription& subscription) {
  if (options_.dryRun) {
    Log(subscription.name, "would deliver " + std::string(subscription.report->name) + " of " +
                               PeriodText(PeriodOn(subscription, options_.now)));
    return true;
  }
  const bool ok = Deliver(subscription, options_.now);
  Save();
  return ok;
}

bool Deliverer::Deliver(const Subscription& s, const host::DateTime& due) {
  SubscriptionState& record = state_.subscriptions[s.name];
  const app::Period period = PeriodOn(s, due);
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  const std::string periodText = PeriodText(period);
  try {
    std::vector<app::Assignment> assignments = s.parameters;
    for (const std::string_view date : {kDataInicial, kDataFinal}) {
      const bool given = std::any_of(assignments.begin(), assignments.end(),
                                     [&](const app::Assignment& a) { return a.first == date; });
      if (!given) {
        assignments.emplace_back(
            date, regional.ShortDate(date == kDataInicial ? period.first : period.last));
      }
    }
    app::RunSetup setup;
    setup.database = options_.database;
    setup.clock = std::make_shared<host::FixedClock>(due);
    setup.viewerHidden = true;
    const app::RunResult run =
        app::ExecuteRun(*s.report, app::CheckParameters(*s.report, assignments), setup);
    if (!run.result) {
      throw std::runtime_error(Failure(run));
    }
    auto* report = dynamic_cast<engine::Report*>(run.report.get());
    if (report == nullptr) {
      throw std::runtime_error("the report gave nothing to write");
    }
    const std::string title = report->Title();

    MailMessage mail;
    if (!s.email.empty()) {
      const std::string& from = config_.smtp->from;
      mail.from = from;
      mail.to = s.email;
      mail.date = std::time(nullptr);
      mail.messageId = Stamp(due) + "." + s.name + "." + std::to_string(::getpid()) + "." +
                       std::to_string(mail.date) + from.substr(from.find('@'));
    }
    const std::string signature =
        "\nEnviado por orla-vendas, assinatura \"" + s.name + "\" (" + s.when.Text() + ").\n";
    std::string outcome;
    if (!run.shown) {
      if (s.empty == EmptyPolicy::Skip) {
        outcome = "nothing to print in " + periodText + "; skipped (empty = \"pular\")";
      } else if (s.email.empty()) {
        outcome = "nothing to print in " + periodText + "; no file, and no address to tell";
      } else {
        mail.subject = title + " · " + periodText + ": nada vendido";
        mail.body = title + "\n" + report->HeaderLines()[1] + "\n\n" +
                    "Nada foi vendido no período (" + periodText +
                    ") que entre neste relatório: não há o que imprimir, e nenhum arquivo foi "
                    "gerado.\n" +
                    signature;
      }
    } else {
      std::optional<ScratchFolder> scratch;
      if (!s.folder) {
        scratch.emplace();
      } else {
        std::filesystem::create_directories(*s.folder);
      }
      const std::filesystem::path& folder = s.folder ? *s.folder : scratch->Path();
      std::vector<std::string> names;
      for (const engine::Format format : s.formats) {
        const std::string extension(engine::FormatName(format));
        const std::string name = app::ReportFileName(title, period, extension);
        const std::filesystem::path file = folder / name;
        std::ostringstream unused;
        // People open these, as the viewer's downloads: the CSV a Portuguese spreadsheet reads.
        app::WriteReport(*report, format, file.string(), unused, {engine::CsvDialect::Br});
        if (!s.email.empty()) {
          mail.attachments.push_back({name, ContentTypeOf(extension), ReadWhole(file)});
        }
        names.push_back(name);
      }
      outcome = s.folder ? "wrote " + Joined(names) + " in " + s.folder->string() : "";
      if (!s.email.empty()) {
        const std::optional<std::string> total = MainTotalLine(*report, s.report->mainTotal);
        mail.subject = title + " · " + periodText;
        mail.body = title + "\n" + report->HeaderLines()[1] + "\n\n" +
                    (total ? *total + "\n\n" : "") + "Em anexo: " + Joined(names) + "\n" +
                    (s.folder ? "Também na pasta " + s.folder->string() + "\n" : "") + signature;
      }
    }
    if (!mail.subject.empty()) {
      const std::string name = Stamp(due) + "-" + s.name + ".eml";
      outbox_.Put(name, ComposeMessage(mail));
      state_.outbox[name] = {s.name, 0, std::nullopt, ""};
      outcome += (outcome.empty() ? "" : "; ") + ("mail to " + Joined(s.email) + " queued");
    }
    record.delivered = options_.now;
    record.outcome = outcome;
    record.error.clear();
    Log(s.name, std::string(s.report->name) + " of " + periodText + ": " + outcome);
    return true;
  } catch (const std::exception& e) {
    record.outcome = std::string(s.report->name) + " of " + periodText + " failed";
    record.error = e.what();
    Log(s.name, record.outcome + ": " + e.what());
    return false;
  }
}

bool Deliverer::SendOutbox() {
  const std::vector<std::string> names = outbox_.Names();
  std::erase_if(state_.outbox, [&](const auto& entry) {
    return std::find(names.begin(), names.end(), entry.first) == names.end();
  });
  for (const std::string& name : names) {
    PendingMail& pending = state_.outbox[name];
    const std::string who = pending.subscription.empty() ? "outbox" : pending.subscription;
    if (pending.next && options_.now < *pending.next) {
      continue;
    }
    if (options_.dryRun) {
      Log(who, "would send " + name);
      continue;
    }
    std::vector<std::string> recipients;
    try {
      if (!config_.smtp) {
        throw SmtpError("the file has no [smtp] to send it with");
      }
      const std::string message = outbox_.Read(name);
      recipients = Recipients(message);
      SendMail(*config_.smtp, recipients, message);
    } catch (const std::exception& e) {
      pending.tries += 1;
      const int wait = std::min(kLongestRetryMinutes, 1 << std::min(pending.tries - 1, 6));
      pending.next = AddMinutes(options_.now, wait);
      pending.error = e.what();
      Log(who, "mail " + name + " not sent (try " + std::to_string(pending.tries) + ", next at " +
                   Minute(*pending.next) + "): " + e.what());
      Save();
      // The server is likely down for the others too; they go on the next run.
      return false;
    }
    state_.outbox.erase(name);
    try {
      outbox_.Remove(name);
      Log(who, "sent " + name + " to " + Joined(recipients));
    } catch (const std::exception& e) {
      Log(who, "sent " + name + " to " + Joined(recipients) +
                   ", but it stays in the outbox and will go again: " + e.what());
      Save();
      return false;
    }
    Save();
  }
  return true;
}

}  // namespace orla::deliver
