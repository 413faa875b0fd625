#include "serve/run_job.h"

#include <optional>
#include <sstream>

#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "app/file_names.h"
#include "app/periods.h"
#include "cli/output.h"
#include "cli/run_command.h"
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

void SendLine(BodyPipe& pipe, const ordered_json& line) {
  pipe.Write(cli::JsonText(line) + "\n");
}

// The view's HTML goes out in pieces as the engine writes it, so the reader sees the first
// rows while the rest are read. A piece ends after a whole line (the writer ends each table
// row with one), which never cuts a UTF-8 character in two; the first piece is small so the
// page shows something at once.
class ViewPieces final : public std::streambuf {
 public:
  static constexpr size_t kFirstPiece = 4 * 1024;
  static constexpr size_t kPiece = 64 * 1024;

  ViewPieces(BodyPipe& pipe, RunControl& run) : pipe_(pipe), run_(run) {}

  // Sends what is left; gives the pieces sent.
  int Finish() {
    Send(buffer_.size());
    return pieces_;
  }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      buffer_ += traits_type::to_char_type(c);
      Cut();
    }
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    buffer_.append(text, static_cast<size_t>(n));
    Cut();
    return n;
  }

 private:
  void Cut() {
    if (buffer_.size() < (pieces_ == 0 ? kFirstPiece : kPiece)) {
      return;
    }
    const size_t line = buffer_.rfind('\n');
    if (line != std::string::npos) {
      Send(line + 1);
    }
  }

  void Send(size_t length) {
    if (run_.stop) {
      throw RunStopped();
    }
    if (length == 0) {
      return;
    }
    SendLine(pipe_, {{"html", buffer_.substr(0, length)}});
    buffer_.erase(0, length);
    ++pieces_;
    ++run_.pieces;
  }

  BodyPipe& pipe_;
  RunControl& run_;
  std::string buffer_;
  int pieces_ = 0;
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

// The page's view of a run, as lines of JSON: first the outcome as `run --format json`
// gives it without the report, then the report's HTML in pieces ({"html"}), then
// {"end":true}; {"stopped":true} ends it instead when the reader stops the run, and
// {"error"} when the rendering fails. The run keeps its place until the last piece.
Handover AnswerView(const cli::RunOutcome& outcome, RunControl& run, Exchange& exchange,
                    Reply reply) {
  auto pipe = std::make_shared<BodyPipe>();
  reply.stream = pipe;
  reply.contentType = "application/x-ndjson";
  reply.headers.emplace_back("Cache-Control", "no-store");
  exchange.Answer(std::move(reply));
  std::ostringstream head;
  std::ostringstream ignored;
  cli::WriteOutcome({outcome.operation, outcome.result, nullptr, outcome.shown, outcome.session},
                    engine::Format::Json, std::nullopt, head, ignored);
  ordered_json first = ordered_json::parse(head.str());
  first.erase("report");
  SendLine(*pipe, first);
  try {
    if (outcome.shown) {
      ViewPieces pieces(*pipe, run);
      std::ostream html(&pieces);
      html.exceptions(std::ios::badbit);
      cli::WriteOutcome(outcome, engine::Format::Html, std::nullopt, html, ignored);
      SendLine(*pipe, {{"end", true}, {"pieces", pieces.Finish()}});
    } else {
      SendLine(*pipe, {{"end", true}, {"pieces", 0}});
    }
  } catch (const RunStopped&) {
    SendLine(*pipe, {{"stopped", true}});
  } catch (const ReaderGone&) {
    throw;
  } catch (const std::exception& e) {
    SendLine(*pipe, {{"error", std::string("the report could not be shown: ") + e.what()}});
  }
  return {std::nullopt, pipe};
}

// PDF and XLSX are written by libraries that want a file: one in the server's own folder,
// open and unlinked before anything is sent, so its name exists only while it is written.
std::shared_ptr<FileBody> RenderToFile(const RunContext& context, const cli::RunOutcome& outcome,
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
  cli::WriteOutcome(outcome, format, file.string(), ignored, ignored);
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

// Files are named as `run` and deliveries name them: after the report and its period.
std::string FileName(const cli::RunResult& result, const RunRequest& request,
                     const host::DateTime& today) {
  std::vector<std::pair<std::string, std::string>> given;
  for (const reports::NamedValue& value : request.values) {
    given.emplace_back(value.name, value.value.AsText());
  }
  const std::string extension(engine::FormatName(request.format));
  const auto period = app::ReportPeriod(*request.operation, given, today);
  if (!period || result.report == nullptr) {
    return result.operation + "." + extension;
  }
  return app::ReportFileName(result.report->ReportTitle(), *period, extension);
}

Handover Answer(const RunContext& context, const cli::RunResult& result, RunControl& run,
                const RunRequest& request, Exchange& exchange) {
  const cli::RunOutcome outcome = result.Outcome();
  Reply reply;
  reply.headers.emplace_back("X-Queue-Seconds", FixedText(run.queued.count(), 3));
  if (request.view) {
    return AnswerView(outcome, run, exchange, std::move(reply));
  }
  const engine::Format format = request.format;
  if (format == engine::Format::Json) {
    return Stream(exchange, std::move(reply), [&](std::ostream& out) {
      std::ostringstream ignored;
      cli::WriteOutcome(outcome, engine::Format::Json, std::nullopt, out, ignored);
    });
  }
  if (!result.shown) {
    std::ostringstream out;
    std::ostringstream ignored;
    cli::WriteOutcome(outcome, engine::Format::Json, std::nullopt, out, ignored);
    ordered_json answer = ordered_json::parse(out.str());
    answer.erase("report");
    answer["error"] = "nothing to print: the report was not shown";
    reply.status = 422;
    reply.body = cli::JsonText(answer);
    return {std::move(reply), nullptr};
  }
  reply.contentType = ContentType(format);
  reply.headers.emplace_back("Content-Disposition",
                             std::string(format == engine::Format::Html ? "inline" : "attachment") +
                                 "; filename=\"" + FileName(result, request, context.clock->Now()) +
                                 "\"");
  if (engine::IsTextFormat(format)) {
    return Stream(exchange, std::move(reply), [&](std::ostream& out) {
      std::ostringstream ignored;
      cli::WriteOutcome(outcome, format, std::nullopt, out, ignored, request.render);
    });
  }
  reply.file = RenderToFile(context, outcome, format);
  return {std::move(reply), nullptr};
}

}  // namespace

FileBody::~FileBody() {
  close(fd);
}

void PerformRun(const RunContext& context, const std::shared_ptr<RunControl>& run,
                const RunRequest& request, Exchange& exchange) {
  std::optional<cli::RunResult> result;
  Handover handover;
  try {
    {
      auto turn = cli::TakeTempDbTurn(run->operation, [&run] { return run->stop.load(); });
      if (run->stop) {
        throw RunStopped();
      }
      run->running = true;
      if (context.beforeRun) {
        context.beforeRun(run->id);
      }
      cli::RunSetup setup;
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
      result.emplace(cli::ExecuteRun(*request.operation, request.values, setup));
    }
    context.queue->EndTurn(*run);
    // Rows still to be read from TempDB are read now, at SQLite's pace, so that the answer,
    // however slowly its client takes it, holds no lock there that another run's writes
    // would wait on. The next run with working tables may start meanwhile: what it writes
    // waits for this reading only.
    if (cli::ReadsTempDb(run->operation)) {
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
  context.queue->Leave(*run);
  if (handover.reply) {
    exchange.Answer(std::move(*handover.reply));
  }
  if (handover.unfinished) {
    handover.unfinished->Finish(true);
  }
}

}  // namespace orla::serve
