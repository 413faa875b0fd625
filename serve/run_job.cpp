#include "serve/run_job.h"

#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "app/file_names.h"
#include "app/output.h"
#include "app/periods.h"
#include "app/run.h"
#include "engine/svg_pages.h"
#include "sqlite/connection.h"
#include "sqlite/database.h"

namespace orla::serve {

namespace {

using nlohmann::ordered_json;

constexpr int kProgressSteps = 1000;  // SQLite VM steps between looks at the stop switch

class RunStopped : public std::runtime_error {
 public:
  RunStopped() : std::runtime_error("The run was stopped") {}
};

// The run's database object: every call first looks at the stop switch. The statements
// themselves, on this connection and on those the command objects open for the stored
// procedures, are interrupted by the run's StopCheckScope.
class StoppableDatabase final : public host::Database {
 public:
  StoppableDatabase(host::Database& inner, RunControl& run, std::atomic<int>& open)
      : inner_(inner), run_(run), open_(open) {
    ++open_;
  }
  ~StoppableDatabase() override { --open_; }

  host::RecordsetRef OpenRecordSet(const std::string& sql) override {
    Arm();
    return inner_.OpenRecordSet(sql);
  }
  host::RecordsetRef SQL_Execute(const std::string& sql) override {
    Arm();
    return inner_.SQL_Execute(sql);
  }
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) override {
    Arm();
    return inner_.SQL_Execute(sql, rowsAffected);
  }
  bool IsOpened() override { return inner_.IsOpened(); }
  void DB_Open() override {
    Arm();
    inner_.DB_Open();
  }
  std::string GetConnectionString() override { return inner_.GetConnectionString(); }
  void DB_Close() override { inner_.DB_Close(); }

 private:
  void Arm() {
    if (run_.stop) {
      throw RunStopped();
    }
    ++run_.statements;
  }

  host::Database& inner_;
  RunControl& run_;
  std::atomic<int>& open_;
};

std::string ContentType(engine::Format format) {
  switch (format) {
    case engine::Format::Pdf:
      return "application/pdf";
    case engine::Format::Xlsx:
      return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
    case engine::Format::Csv:
      return "text/csv; charset=utf-8";
    case engine::Format::Html:
      return "text/html; charset=utf-8";
    default:
      return "application/json";
  }
}

std::string FixedText(double value, int decimals) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text.setf(std::ios::fixed);
  text.precision(decimals);
  text << value;
  return text.str();
}

// What is left to give the client once the run has let go of its database and its slot, so
// that a client that has its whole answer finds them free.
struct Handover {
  std::optional<Reply> reply;
  std::shared_ptr<BodyPipe> unfinished;  // all written but the end
};

// Writes into a pipe the caller answers with: the body starts going out at once and the
// rendering waits while the reader does. A failure after the first bytes can only break
// the body off.
template <typename Write>
Handover Stream(Exchange& exchange, Reply reply, Write write) {
  auto pipe = std::make_shared<BodyPipe>();
  reply.stream = pipe;
  exchange.Answer(std::move(reply));
  try {
    PipeWriter writer(*pipe);
    std::ostream out(&writer);
    out.exceptions(std::ios::badbit);
    write(out);
    out.flush();
    return {std::nullopt, pipe};
  } catch (const ReaderGone&) {
    throw;
  } catch (...) {
    pipe->Finish(false);
    throw;
  }
}

// PDF and XLSX are written by libraries that want a file: one in the server's own folder,
// open and unlinked before anything is sent, so its name exists only while it is written.
std::shared_ptr<FileBody> RenderToFile(const RunContext& context, engine::Report& report,
                                       engine::Format format) {
  static std::atomic<uint64_t> files{0};
  const std::filesystem::path file =
      context.scratch / (std::to_string(++files) + "." + std::string(engine::FormatName(format)));
  struct Remove {
    const std::filesystem::path& file;
    ~Remove() {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
  } remove{file};
  std::ostringstream ignored;
  app::WriteReport(report, format, file.string(), ignored);
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    if (fd >= 0) {
      close(fd);
    }
    throw std::runtime_error("cannot read the rendered " + std::string(engine::FormatName(format)));
  }
  return std::make_shared<FileBody>(fd, static_cast<uint64_t>(info.st_size));
}

// A shown report as a file named `fileStem`.<format>: to keep, or for HTML to look at.
Handover AnswerFile(const RunContext& context, engine::Report& report, engine::Format format,
                    const engine::RenderOptions& render, const std::string& fileStem, Reply reply,
                    Exchange& exchange, bool toShow = false) {
  reply.contentType = ContentType(format);
  const bool shown = toShow || format == engine::Format::Html;
  reply.headers.emplace_back("Content-Disposition",
                             std::string(shown ? "inline" : "attachment") + "; filename=\"" +
                                 fileStem + "." + std::string(engine::FormatName(format)) + "\"");
  if (engine::IsTextFormat(format)) {
    return Stream(exchange, std::move(reply), [&](std::ostream& out) {
      app::WriteReport(report, format, std::string(app::kStandardOutput), out, render);
    });
  }
  reply.file = RenderToFile(context, report, format);
  return {std::move(reply), nullptr};
}

// Files are named as `run` and deliveries name them: after the report and its period.
std::string FileStem(const app::RunResult& result, const RunRequest& request,
                     const host::DateTime& today) {
  const auto period = app::ReportPeriod(*request.operation, app::TextValues(request.values), today);
  if (!period || result.report == nullptr) {
    return result.operation;
  }
  return app::ReportFileStem(result.report->ReportTitle(), *period);
}

ordered_json OutcomeWithoutReport(const app::RunOutcome& outcome) {
  std::ostringstream out;
  std::ostringstream ignored;
  app::WriteOutcome({outcome.operation, outcome.result, nullptr, outcome.shown, outcome.session},
                    engine::Format::Json, std::nullopt, out, ignored);
  ordered_json answer = ordered_json::parse(out.str());
  answer.erase("report");
  return answer;
}

// The viewer's run: the outcome goes at once; the report is written down for the pages and
// the downloads, while the run still has its rows.
Handover AnswerKept(const RunContext& context, const app::RunResult& result,
                    const RunRequest& request, Reply reply, Exchange& exchange) {
  KeptRun& kept = *request.kept;
  ordered_json answer = OutcomeWithoutReport(result.Outcome());
  answer["run"] = kept.control->id;
  reply.body = app::JsonText(answer);
  exchange.Answer(std::move(reply));
  auto* report = dynamic_cast<engine::Report*>(result.report.get());
  if (!result.shown || report == nullptr) {
    kept.pages.Counted(0);
    kept.pages.Finish();
    return {};
  }
  static std::atomic<uint64_t> files{0};
  const std::filesystem::path file =
      context.scratch / ("relatorio-" + std::to_string(++files) + ".json");
  try {
    // The reader sees a first page while the rest of a long report is read and counted.
    engine::RenderFirstPage(*report, engine::CurrentPrintTime(), kept.pages);
    // Named first, so that the file goes with the run whatever happens next.
    kept.SetReport({file, FileStem(result, request, context.clock->Now()), report->PrintedBy(),
                    report->Links()});
    app::OutputFile out(file);
    engine::WriteReportJson(*report, out.Stream());
    out.Close();
  } catch (const std::exception& e) {
    kept.pages.Finish(std::string("the report could not be kept: ") + e.what());
  }
  return {};
}

void DrawPages(KeptRun& kept) {
  try {
    const auto report = kept.GetReport();
    if (!report || kept.pages.GetStatus().done) {
      return;  // nothing shown, or not kept: told already
    }
    const std::shared_ptr<engine::Report> rows = report->Read();
    engine::RenderPages(*rows, engine::CurrentPrintTime(), kept.pages);
    kept.pages.Finish();
  } catch (const std::exception& e) {
    kept.pages.Finish(kept.control->stop ? "the run was stopped" : e.what());
  }
}

Handover Answer(const RunContext& context, const app::RunResult& result, RunControl& run,
                const RunRequest& request, Exchange& exchange) {
  const app::RunOutcome outcome = result.Outcome();
  Reply reply;
  reply.headers.emplace_back("X-Queue-Seconds", FixedText(run.queued.count(), 3));
  if (request.kept) {
    return AnswerKept(context, result, request, std::move(reply), exchange);
  }
  const engine::Format format = request.format;
  if (format == engine::Format::Json) {
    return Stream(exchange, std::move(reply), [&](std::ostream& out) {
      std::ostringstream ignored;
      app::WriteOutcome(outcome, engine::Format::Json, std::nullopt, out, ignored);
    });
  }
  auto* report = dynamic_cast<engine::Report*>(result.report.get());
  if (!result.shown || report == nullptr) {
    ordered_json answer = OutcomeWithoutReport(outcome);
    answer["error"] = "nothing to print: the report was not shown";
    reply.status = 422;
    reply.body = app::JsonText(answer);
    return {std::move(reply), nullptr};
  }
  return AnswerFile(context, *report, format, request.render,
                    FileStem(result, request, context.clock->Now()), std::move(reply), exchange);
}

}  // namespace

FileBody::~FileBody() {
  close(fd);
}

void SendReport(const RunContext& context, engine::Report& report, engine::Format format,
                const engine::RenderOptions& render, const std::string& fileStem,
                Exchange& exchange, bool toShow) {
  Handover handover = AnswerFile(context, report, format, render, fileStem, {}, exchange, toShow);
  if (handover.reply) {
    exchange.Answer(std::move(*handover.reply));
  }
  if (handover.unfinished) {
    handover.unfinished->Finish(true);
  }
}

void PerformRun(const RunContext& context, const std::shared_ptr<RunControl>& run,
                const RunRequest& request, Exchange& exchange) {
  std::optional<app::RunResult> result;
  Handover handover;
  try {
    {
      auto turn = app::TakeTempDbTurn(run->operation, [&run] { return run->stop.load(); });
      if (run->stop) {
        throw RunStopped();
      }
      run->running = true;
      if (context.beforeRun) {
        context.beforeRun(run->id);
      }
      app::RunSetup setup;
      setup.database = context.database;
      setup.clock = context.clock;
      setup.wrapDatabase = [&](host::Database& inner, sqlite::Database&) {
        return std::make_unique<StoppableDatabase>(inner, *run, *context.openConnections);
      };
      const sqlite::StopCheckScope stopCheck(
          [run] {
            run->steps += kProgressSteps;
            return run->stop.load();
          },
          kProgressSteps);
      result.emplace(app::ExecuteRun(*request.operation, request.values, setup));
    }
    context.queue->EndTurn(*run);
    // Rows still to be read from TempDB are read now, at SQLite's pace, so that the answer,
    // however slowly its client takes it, holds no lock there that another run's writes
    // would wait on. The next run with working tables may start meanwhile: what it writes
    // waits for this reading only.
    if (app::ReadsTempDb(run->operation)) {
      sqlite::DrainReadersOfThisThread();
    }
    if (run->stop) {
      throw RunStopped();
    }
    handover = Answer(context, *result, *run, request, exchange);
  } catch (const RunStopped&) {
    handover.reply = Reply::Error({409, "the run was stopped"});
  } catch (const ReaderGone&) {
    run->stop = true;
  } catch (const std::exception& e) {
    // Given only if nothing was yet: a body already on its way has been broken off.
    handover.reply = Reply::Error({500, std::string("unexpected failure: ") + e.what()});
  }
  result.reset();
  if (request.kept) {
    // The pages are drawn from the report written down, with the database let go of.
    if (handover.reply) {
      request.kept->pages.Finish(
          ordered_json::parse(handover.reply->body).value("error", "the run failed"));
    } else {
      DrawPages(*request.kept);
    }
  }
  context.queue->Leave(*run);
  if (handover.reply) {
    exchange.Answer(std::move(*handover.reply));
  }
  if (handover.unfinished) {
    handover.unfinished->Finish(true);
  }
}

}  // namespace orla::serve
