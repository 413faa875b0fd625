#include "serve/routes.h"

#include <cstdio>
#include <random>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/catalogue.h"
#include "app/host_platform.h"
#include "app/output.h"
#include "app/parameters.h"
#include "app/periods.h"
#include "app/run.h"
#include "app/value_texts.h"
#include "deliver/config.h"
#include "deliver/subscriptions_file.h"
#include "hostlib/session.h"
#include "serve/request_body.h"
#include "serve/viewer_assets.h"

namespace orla::serve {

namespace {

using nlohmann::ordered_json;

constexpr size_t kMaxRunId = 64;
constexpr size_t kMaxSearch = 100;
constexpr int kLookupLimit = 200;

bool ValidRunId(std::string_view id) {
  if (id.empty() || id.size() > kMaxRunId) {
    return false;
  }
  for (char c : id) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
      return false;
    }
  }
  return true;
}

Reply Html(int status, std::string page) {
  Reply reply;
  reply.status = status;
  reply.contentType = "text/html; charset=utf-8";
  reply.headers.emplace_back("Cache-Control", "no-store");
  reply.body = std::move(page);
  return reply;
}

// "/api/runs/ID/stop" against "/api/runs/": "ID/stop".
bool Under(const std::string& path, std::string_view prefix, std::string& rest) {
  if (!path.starts_with(prefix) || path.size() == prefix.size()) {
    return false;
  }
  rest = path.substr(prefix.size());
  return true;
}

std::string FormDate(const host::DateTime& day) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", day.Day(), day.Month(), day.Year());
  return text;
}

// The named periods as they fall on `today`, in the form's words and its date format, so that
// the page never works a calendar out on its own and agrees with scheduled deliveries.
ordered_json PeriodsJson(const host::DateTime& today) {
  ordered_json periods = ordered_json::array();
  for (const std::string_view name : app::PresetNames()) {
    const app::Preset preset = *app::ParsePreset(name);
    const app::Period period = app::PresetPeriod(preset, today);
    periods.push_back({{"name", name},
                       {"label", app::PresetLabel(preset)},
                       {"first", FormDate(period.first)},
                       {"last", FormDate(period.last)}});
  }
  return {{"today", FormDate(today)}, {"periods", std::move(periods)}};
}

}  // namespace

engine::RenderOptions RenderOptionsOf(const Request& request) {
  engine::RenderOptions options;
  if (request.HasQuery("dialect")) {
    const auto dialect = engine::ParseCsvDialect(request.Query("dialect"));
    if (!dialect) {
      throw HttpError{400, "dialect must be plain or br, not '" + request.Query("dialect") + "'"};
    }
    options.csv = *dialect;
  }
  return options;
}

Reply Reply::Json(int status, std::string body) {
  Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  return reply;
}

Reply Reply::Error(const HttpError& error) {
  Reply reply = Json(error.status, app::JsonText(ordered_json{{"error", error.message}}));
  if (error.retryAfterSeconds > 0) {
    reply.headers.emplace_back("Retry-After", std::to_string(error.retryAfterSeconds));
  }
  return reply;
}

Routes::Routes(const ServeOptions& options, RunContext context, Access& access, OwnAddress& own,
               Workers workers)
    : options_(options),
      context_(std::move(context)),
      access_(access),
      own_(own),
      workers_(std::move(workers)),
      kept_(*context_.queue, {}) {
  std::random_device random;
  runIdPrefix_ = std::to_string(random() % 1000000);
}

void Routes::Handle(const Request& request, const std::shared_ptr<Exchange>& exchange) {
  try {
    own_.CheckHost(request);
    own_.CheckOrigin(request);
    if (request.path == "/login") {
      Login(request, *exchange);
      return;
    }
    const std::optional<std::string> client = access_.Identify(request);
    if (!client) {
      if (request.path.starts_with("/api/")) {
        Reply reply = Reply::Error(
            {401, "show the access secret: the login cookie, or Authorization: Bearer"});
        reply.headers.emplace_back("WWW-Authenticate", "Bearer");
        exchange->Answer(std::move(reply));
      } else {
        exchange->Answer(Html(401, Access::LoginPage(false)));
      }
      return;
    }
    Route(request, *client, exchange);
  } catch (const HttpError& e) {
    exchange->Answer(Reply::Error(e));
  } catch (const app::UsageError& e) {
    exchange->Answer(Reply::Error({400, e.what()}));
  }
}

void Routes::Login(const Request& request, Exchange& exchange) {
  if (!access_.Required()) {
    Reply reply = Html(303, "");
    reply.headers.emplace_back("Location", "/");
    exchange.Answer(std::move(reply));
    return;
  }
  if (request.method == "GET") {
    exchange.Answer(Html(200, Access::LoginPage(false)));
    return;
  }
  if (request.method != "POST") {
    throw HttpError{405, "the login takes GET or POST"};
  }
  std::map<std::string, std::string> form;
  if (!request.Header("content-type").starts_with("application/x-www-form-urlencoded") ||
      !DecodeForm(request.body, form)) {
    throw HttpError{400, "the login takes the form of its page"};
  }
  const std::optional<std::string> session = access_.Login(form["segredo"]);
  if (!session) {
    exchange.Answer(Html(401, Access::LoginPage(true)));
    return;
  }
  Reply reply = Html(303, "");
  reply.headers.emplace_back("Location", "/");
  reply.headers.emplace_back("Set-Cookie", std::string(Access::kCookie) + "=" + *session +
                                               "; Path=/; HttpOnly; SameSite=Strict; "
                                               "Max-Age=2592000");
  exchange.Answer(std::move(reply));
}

void Routes::Route(const Request& request, const std::string& client,
                   const std::shared_ptr<Exchange>& exchange) {
  const std::string& path = request.path;
  std::string rest;
  if (request.method == "GET") {
    for (const Asset& asset : ViewerAssets()) {
      if (path == (asset.path == "index.html" ? "/" : "/" + std::string(asset.path))) {
        Reply reply;
        reply.contentType = std::string(asset.contentType);
        reply.headers.emplace_back("Cache-Control", "no-store");
        reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
        reply.body = std::string(asset.text);
        exchange->Answer(std::move(reply));
        return;
      }
    }
    if (path == "/api/reports") {
      Later(exchange, [this] {
        // Defaults and titles read the regional settings of the thread's host platform.
        hostlib::Session session;
        host::InstallPlatform(std::make_shared<app::RunPlatform>(context_.clock, session, nullptr));
        struct Uninstall {
          ~Uninstall() { host::InstallPlatform(nullptr); }
        } uninstall;
        return Reply::Json(200, app::JsonText(app::ReportCatalogue(context_.clock->Now())));
      });
      return;
    }
    if (path == "/api/periods") {
      exchange->Answer(Reply::Json(200, app::JsonText(PeriodsJson(context_.clock->Now()))));
      return;
    }
    if (Under(path, "/api/lookup/", rest)) {
      const std::string search = request.Query("q");
      if (search.size() > kMaxSearch) {
        throw HttpError{400, "the search text is longer than 100 characters"};
      }
      Later(exchange, [this, list = rest, search] {
        try {
          return Reply::Json(200, app::JsonText({{"items", app::Lookup(context_.database, list,
                                                                       search, kLookupLimit)}}));
        } catch (const std::invalid_argument& e) {
          throw HttpError{404, e.what()};
        }
      });
      return;
    }
    if (path == "/api/subscriptions") {
      if (options_.subscriptions.empty()) {
        throw HttpError{404, "this server keeps no subscriptions file"};
      }
      Later(exchange, [this] {
        ordered_json list = deliver::ListSubscriptions(options_.subscriptions);
        // What "Assinar" offers for the period.
        list["periods"] = ordered_json::array();
        for (const std::string_view name : app::PresetNames()) {
          list["periods"].push_back(
              {{"name", name}, {"label", app::PresetLabel(*app::ParsePreset(name))}});
        }
        return Reply::Json(200, app::JsonText(list));
      });
      return;
    }
    if (path == "/api/runs") {
      ordered_json list = context_.queue->List();
      list["connections"] = context_.openConnections->load();
      exchange->Answer(Reply::Json(200, app::JsonText(list)));
      return;
    }
    if (Under(path, "/api/runs/", rest)) {
      const size_t slash = rest.find('/');
      if (slash == std::string::npos) {
        const auto run = context_.queue->Find(rest);
        exchange->Answer(Reply::Json(200, app::JsonText(context_.queue->Progress(*run))));
      } else {
        KeptRoute(request, client, rest.substr(0, slash), rest.substr(slash + 1), exchange);
      }
      return;
    }
    if (Under(path, "/fonts/", rest)) {
      exchange->Answer(Font(rest));
      return;
    }
  } else if (request.method == "POST") {
    if (Under(path, "/api/reports/", rest) && rest.find('/') == std::string::npos) {
      RunReport(request, client, rest, exchange);
      return;
    }
    if (Under(path, "/api/runs/", rest) && rest.ends_with("/stop")) {
      StopRun(rest.substr(0, rest.size() - 5), client, *exchange);
      return;
    }
    if (path == "/api/subscriptions") {
      Subscribe(request, exchange);
      return;
    }
  }
  throw HttpError{404, "no such page or API"};
}

void Routes::RunReport(const Request& request, const std::string& client, const std::string& name,
                       const std::shared_ptr<Exchange>& exchange) {
  auto job = std::make_shared<RunRequest>();
  job->operation = reports::FindReport(name);
  if (job->operation == nullptr) {
    throw HttpError{404, "unknown report '" + name + "' (GET /api/reports lists the thirteen)"};
  }
  const std::string formatName = request.HasQuery("format") ? request.Query("format") : "json";
  std::optional<engine::Format> format = engine::ParseFormat(formatName);
  const bool pages = formatName == "pages";
  if (pages) {
    format = engine::Format::Json;
  } else if (!format || *format == engine::Format::Text) {
    throw HttpError{400,
                    "format must be json, pages, pdf, xlsx, csv or html, not '" + formatName + "'"};
  }
  job->format = *format;
  job->render = RenderOptionsOf(request);
  job->values = app::CheckParameters(
      *job->operation, ParameterAssignments(request.Header("content-type"), request.body));

  auto run = std::make_shared<RunControl>();
  run->operation = name;
  run->owner = client;
  run->needsTurn = app::UsesWorkingTables(name);
  run->id = request.HasQuery("run") ? request.Query("run")
                                    : runIdPrefix_ + "-" + std::to_string(++nextRun_);
  if (!ValidRunId(run->id)) {
    throw HttpError{400, "a run id is 1 to 64 letters, digits, '-' or '_'"};
  }
  if (pages) {
    job->kept = std::make_shared<KeptRun>(request.Query("viewer"), run, context_.scratch);
    kept_.Keep(job->kept);
  }
  RunQueue& queue = *context_.queue;
  try {
    context_.queue->Enter(
        run,
        [this, run, job, exchange] {
          workers_.run([this, run, job, exchange] { PerformRun(context_, run, *job, *exchange); });
        },
        [job, exchange] {
          if (job->kept) {
            job->kept->pages.Finish("the run was stopped");
          }
          exchange->Answer(Reply::Error({409, "the run was stopped"}));
        });
  } catch (const HttpError& e) {
    if (job->kept) {
      job->kept->pages.Finish(e.message);
    }
    throw;
  }
  // A client that goes away stops its run, as the Stop button does.
  exchange->OnHangUp([&queue, run] { queue.Stop(*run); });
}

void Routes::StopRun(const std::string& id, const std::string& client, Exchange& exchange) {
  const auto run = context_.queue->Find(id);
  if (!run->owner.empty() && run->owner != client) {
    throw HttpError{403, "only the browser or client that started run '" + id + "' may stop it"};
  }
  context_.queue->Stop(*run);
  exchange.Answer(Reply::Json(202, app::JsonText({{"stopping", true}})));
}

void Routes::Subscribe(const Request& request, const std::shared_ptr<Exchange>& exchange) {
  if (!request.Header("content-type").starts_with("application/json")) {
    throw HttpError{415, "a subscription is sent as application/json"};
  }
  if (options_.subscriptions.empty()) {
    throw HttpError{404, "this server keeps no subscriptions file"};
  }
  Later(exchange, [this, body = request.body] {
    try {
      const std::string name = deliver::AddSubscription(
          options_.subscriptions, deliver::SubscriptionFromJson(body), context_.clock->Now());
      return Reply::Json(
          201, app::JsonText({{"name", name}, {"file", options_.subscriptions.string()}}));
    } catch (const deliver::ConfigError& e) {
      // The file's own mistakes carry its line; the new subscription's do not.
      throw HttpError{e.Line() > 0 ? 409 : 400, e.what()};
    }
  });
}

void Routes::Later(const std::shared_ptr<Exchange>& exchange, std::function<Reply()> work) {
  workers_.quick([exchange, work = std::move(work)] {
    try {
      exchange->Answer(work());
    } catch (const HttpError& e) {
      exchange->Answer(Reply::Error(e));
    } catch (const std::exception& e) {
      exchange->Answer(Reply::Error({500, std::string("unexpected failure: ") + e.what()}));
    }
  });
}

}  // namespace orla::serve
