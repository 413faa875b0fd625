// What the viewer reads of a run it keeps, and the fonts its pages name.
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "app/output.h"
#include "serve/routes.h"

namespace orla::serve {

namespace {

using nlohmann::ordered_json;

constexpr size_t kMaxQuery = 100;
constexpr size_t kFoundPages = 500;

ordered_json StatusJson(const KeptRun& run) {
  const PageStore::Status status = run.pages.GetStatus();
  ordered_json fonts = ordered_json::array();
  for (const engine::PageFont& font : status.fonts) {
    fonts.push_back({{"family", font.family}, {"url", "/fonts/" + font.file.filename().string()}});
  }
  ordered_json json{{"run", run.control->id},
                    {"pages", status.pages},
                    {"total", status.total ? ordered_json(*status.total) : ordered_json(nullptr)},
                    {"done", status.done},
                    {"files", run.GetReport().has_value() && status.error.empty()},
                    {"fonts", std::move(fonts)}};
  if (!status.error.empty()) {
    json["error"] = status.error;
  }
  return json;
}

int PageNumber(const std::string& text) {
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    throw HttpError{404, "no page '" + text + "'"};
  }
  return std::stoi(text);
}

}  // namespace

void Routes::KeptRoute(const Request& request, const std::string& client, const std::string& id,
                       const std::string& what, const std::shared_ptr<Exchange>& exchange) {
  const std::shared_ptr<KeptRun> run = kept_.Find(id, client);
  if (what == "pages") {
    // With ?after=N, the answer waits until more than N pages are drawn or the drawing ends.
    const int after = request.HasQuery("after") ? PageNumber(request.Query("after")) : -1;
    run->pages.WhenReady(
        [after](const PageStore::Status& s) { return s.done || s.pages > after; },
        [run, exchange] { exchange->Answer(Reply::Json(200, app::JsonText(StatusJson(*run)))); });
    return;
  }
  if (what.starts_with("pages/")) {
    const int number = PageNumber(what.substr(6));
    // Waits for the page to be drawn: the next one is seldom far.
    run->pages.WhenReady(
        [number](const PageStore::Status& s) { return s.done || s.pages >= number; },
        [run, number, exchange] {
          try {
            std::optional<std::string> svg = run->pages.PageSvg(number);
            if (!svg) {
              throw HttpError{404, "the report has no page " + std::to_string(number)};
            }
            Reply reply;
            reply.contentType = "image/svg+xml; charset=utf-8";
            reply.headers.emplace_back("Cache-Control", "private, max-age=3600");
            reply.body = std::move(*svg);
            exchange->Answer(std::move(reply));
          } catch (const HttpError& e) {
            exchange->Answer(Reply::Error(e));
          } catch (const std::exception& e) {
            exchange->Answer(Reply::Error({500, e.what()}));
          }
        });
    return;
  }
  if (what == "find") {
    const std::string query = request.Query("q");
    if (query.size() > kMaxQuery) {
      throw HttpError{400, "the text to find is longer than 100 characters"};
    }
    Later(exchange, [run, query] {
      return Reply::Json(200, app::JsonText(run->pages.Find(query, kFoundPages)));
    });
    return;
  }
  if (what == "file") {
    const std::optional<engine::Format> format = engine::ParseFormat(request.Query("format"));
    if (!format || *format == engine::Format::Json || *format == engine::Format::Text) {
      throw HttpError{400, "format must be pdf, xlsx, csv or html"};
    }
    const std::optional<KeptRun::Report> report = run->GetReport();
    if (!report) {
      throw HttpError{404, "run '" + id + "' has no report to download"};
    }
    const engine::RenderOptions render = RenderOptionsOf(request);
    // The report the run wrote down, not a second query: the file is the run on screen.
    workers_.run([this, run, report = *report, format = *format, render, exchange] {
      try {
        const std::shared_ptr<engine::Report> rows = engine::ReportFromJsonFile(report.file);
        rows->SetLinks(report.links);
        SendReport(context_, *rows, format, render, report.fileStem, *exchange);
      } catch (const std::exception& e) {
        exchange->Answer(
            Reply::Error({500, std::string("the file could not be made: ") + e.what()}));
      }
    });
    return;
  }
  throw HttpError{404, "no such page or API"};
}

Reply Routes::Font(const std::string& name) {
  const std::optional<std::filesystem::path> file = PageFontFile(name);
  const int fd = file ? open(file->c_str(), O_RDONLY | O_CLOEXEC) : -1;
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    if (fd >= 0) {
      close(fd);
    }
    throw HttpError{404, "no font '" + name + "' here"};
  }
  Reply reply;
  reply.contentType = name.ends_with(".otf") ? "font/otf" : "font/ttf";
  reply.headers.emplace_back("Cache-Control", "private, max-age=86400");
  reply.file = std::make_shared<FileBody>(fd, static_cast<uint64_t>(info.st_size));
  return reply;
}

}  // namespace orla::serve
