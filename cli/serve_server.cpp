#include "cli/serve_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include <httplib.h>
#include <netdb.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli/arguments.h"
#include "cli/cli_host.h"
#include "cli/output.h"
#include "cli/run_command.h"
#include "cli/serve_catalogue.h"
#include "cli/viewer_assets.h"
#include "engine/render.h"
#include "reports/report_list.h"
#include "sqlite/connection.h"
#include "sqlite/database.h"

namespace orla::cli {

namespace {

using nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

constexpr size_t kMaxBody = 64 * 1024;
constexpr size_t kMaxParameters = 64;
constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxValueLength = 4096;
constexpr size_t kMaxRunId = 64;
constexpr int kProgressSteps = 1000;  // SQLite VM steps between looks at the stop switch
constexpr int kSpareThreads = 8;      // beyond the runs and the waiters: page, lists, stop
constexpr int kRetryAfterSeconds = 2;
// How often a waiting request looks whether its client is still there.
constexpr auto kHangUpCheck = std::chrono::milliseconds(200);

struct HttpError {
  int status;
  std::string message;
  int retryAfterSeconds = 0;  // none when 0
};

struct RunControl {
  std::string id;
  std::string operation;
  bool needsTempDb = false;
  Clock::time_point started = Clock::now();
  std::atomic<bool> stop{false};
  bool admitted = false;  // given a run slot (under the server's runsMutex)
  std::chrono::duration<double> queued{0};
  std::atomic<bool> running{false};  // past the TempDB lock
  std::atomic<int64_t> steps{0};
  std::atomic<int> statements{0};
  std::atomic<int> pieces{0};  // of the view's HTML sent
};

class RunStopped : public std::runtime_error {
 public:
  RunStopped() : std::runtime_error("The run was stopped") {}
};

// The reader of a streamed answer went away.
struct ReaderGone {};

void SendLine(httplib::DataSink& sink, const ordered_json& line) {
  const std::string text = JsonText(line) + "\n";
  if (!sink.write(text.data(), text.size())) {
    throw ReaderGone{};
  }
}

// The view's HTML goes out in pieces as the engine writes it, so the reader sees the first
// rows while the rest are read. A piece ends after a whole line (the writer ends each table
// row with one), which never cuts a UTF-8 character in two; the first piece is small so the
// page shows something at once.
class ViewPieces final : public std::streambuf {
 public:
  static constexpr size_t kFirstPiece = 4 * 1024;
  static constexpr size_t kPiece = 64 * 1024;

  ViewPieces(httplib::DataSink& sink, RunControl& run) : sink_(sink), run_(run) {}

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
    SendLine(sink_, {{"html", buffer_.substr(0, length)}});
    buffer_.erase(0, length);
    ++pieces_;
    ++run_.pieces;
  }

  httplib::DataSink& sink_;
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

std::string JsonError(std::string_view message) {
  return JsonText(ordered_json{{"error", message}});
}

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

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string FixedText(double value, int decimals) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text.setf(std::ios::fixed);
  text.precision(decimals);
  text << value;
  return text.str();
}

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

// "name:port", "[v6]:port" or a name alone.
std::pair<std::string, std::string> SplitHost(const std::string& host) {
  size_t colon = host.rfind(':');
  if (colon != std::string::npos && host.find(']', colon) == std::string::npos &&
      (host.front() != '[' || host[colon - 1] == ']')) {
    return {host.substr(0, colon), host.substr(colon + 1)};
  }
  return {host, ""};
}

std::string Bracketed(const std::string& address) {
  return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

bool SameEnd(const sockaddr_storage& end, socklen_t length, const std::string& address, int port) {
  char host[NI_MAXHOST];
  char service[NI_MAXSERV];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&end), length, host, sizeof host, service,
                  sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return false;
  }
  return address == host && std::to_string(port) == service;
}

// The server's socket of a request's connection, found by its two ends, or -1. The request's
// handler runs while the connection is open, so the socket stays this one until it returns.
int SocketOf(const httplib::Request& request) {
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
       it.increment(error)) {
    int fd = -1;
    try {
      fd = std::stoi(it->path().filename().string());
    } catch (const std::logic_error&) {
      continue;
    }
    sockaddr_storage local{};
    sockaddr_storage remote{};
    socklen_t localLength = sizeof local;
    socklen_t remoteLength = sizeof remote;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) == 0 &&
        getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteLength) == 0 &&
        SameEnd(local, localLength, request.local_addr, request.local_port) &&
        SameEnd(remote, remoteLength, request.remote_addr, request.remote_port)) {
      return fd;
    }
  }
  return -1;
}

// True once the client closed its side: nothing more can come from it, and an HTTP client
// that closes has given up on the answer.
bool ClientGone(int fd) {
  pollfd look{fd, POLLIN | POLLRDHUP, 0};
  if (poll(&look, 1, 0) <= 0) {
    return false;
  }
  if ((look.revents & (POLLHUP | POLLERR | POLLRDHUP)) != 0) {
    return true;
  }
  char c = 0;
  return (look.revents & POLLIN) != 0 && recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// The server's threads, reused most recently idle first. Every waiting request holds one,
// so there are many; this way the threads kept warm (each with the stack and malloc arena
// its reports touched) are as many as the connections were at once, and the server's memory
// settles instead of growing as the threads take their first report one after another.
// They are all made at the start, so that accepting a connection never waits for one to be
// made; a thread not used yet has touched nothing.
class ServerThreads final : public httplib::TaskQueue {
 public:
  explicit ServerThreads(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      threads_.emplace_back([this] { Work(); });
    }
  }
  ~ServerThreads() override { shutdown(); }

  void enqueue(std::function<void()> job) override {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    if (!idle_.empty()) {
      Idle* next = idle_.back();
      idle_.pop_back();
      next->woken = true;
      next->wake.notify_one();
    }
  }

  // Runs the jobs given, then ends the threads.
  void shutdown() override {
    std::vector<std::thread> threads;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      for (Idle* idle : idle_) {
        idle->woken = true;
        idle->wake.notify_one();
      }
      idle_.clear();
      threads.swap(threads_);
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
  }

 private:
  struct Idle {
    std::condition_variable wake;
    bool woken = false;
  };

  void Work() {
    Idle self;
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!jobs_.empty()) {
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        lock.lock();
      } else if (stopping_) {
        return;
      } else {
        self.woken = false;
        idle_.push_back(&self);
        self.wake.wait(lock, [&self] { return self.woken; });
      }
    }
  }

  std::mutex mutex_;
  std::deque<std::function<void()>> jobs_;
  std::vector<Idle*> idle_;
  std::vector<std::thread> threads_;
  bool stopping_ = false;
};

}  // namespace

struct ViewerServer::Impl {
  ServeOptions options;
  httplib::Server http;
  int port = 0;
  std::atomic<int> openConnections{0};
  std::atomic<bool> serving{false};
  std::atomic<bool> stopRequested{false};
  std::string runIdPrefix;
  std::atomic<uint64_t> nextRun{0};

  // Runs going on and waiting, the run slots, the waiters in order of arrival and whether a
  // run with working tables holds TempDB's turn.
  std::mutex runsMutex;
  std::condition_variable admissionChanged;
  std::map<std::string, std::shared_ptr<RunControl>> runs;
  std::deque<std::shared_ptr<RunControl>> queue;
  int activeRuns = 0;
  bool tempDbTaken = false;

  explicit Impl(ServeOptions o) : options(std::move(o)) {
    if (!options.clock) {
      options.clock = std::make_shared<host::SystemClock>();
    }
    if (options.maxRuns < 1 || options.maxQueued < 0) {
      throw std::invalid_argument("the server needs a run slot and no negative queue");
    }
    const size_t threads = static_cast<size_t>(options.maxRuns + options.maxQueued + kSpareThreads);
    http.new_task_queue = [threads] { return new ServerThreads(threads); };
    std::random_device random;
    runIdPrefix = std::to_string(random() % 1000000);
    Routes();
  }

  // A run slot, TempDB's turn when the run has working tables, and the registry entry, given
  // back when the holder ends.
  class Registration {
   public:
    Registration(Impl& impl, std::shared_ptr<RunControl> run)
        : impl_(impl), run_(std::move(run)), tempDb_(run_->needsTempDb) {}
    ~Registration() {
      std::lock_guard lock(impl_.runsMutex);
      impl_.runs.erase(run_->id);
      --impl_.activeRuns;
      if (tempDb_) {
        impl_.tempDbTaken = false;
      }
      impl_.Dispatch();
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    // The run's statements are over; its answer, still being written, reads no working table.
    void EndTempDb() {
      std::lock_guard lock(impl_.runsMutex);
      if (std::exchange(tempDb_, false)) {
        impl_.tempDbTaken = false;
        impl_.Dispatch();
      }
    }

   private:
    Impl& impl_;
    std::shared_ptr<RunControl> run_;
    bool tempDb_;
  };

  bool CanStart(const RunControl& run) const {
    return !run.stop && activeRuns < options.maxRuns && !(run.needsTempDb && tempDbTaken);
  }

  // Starts the waiters that can start, in order of arrival. One that waits for TempDB's turn
  // lets those behind it that need none take a free slot: a slot held while waiting for the
  // turn would stand idle, and the reports without working tables would wait behind it.
  // Under runsMutex.
  void Dispatch() {
    for (auto waiter = queue.begin(); waiter != queue.end();) {
      RunControl& run = **waiter;
      if (!CanStart(run)) {
        ++waiter;
        continue;
      }
      run.admitted = true;
      ++activeRuns;
      tempDbTaken = tempDbTaken || run.needsTempDb;
      waiter = queue.erase(waiter);
    }
    admissionChanged.notify_all();
  }

  // Waits for the run's turn; refuses it with 503 when every waiting place is taken, and with
  // 409 when the run is stopped or its client hangs up first.
  std::unique_ptr<Registration> Register(const std::shared_ptr<RunControl>& run,
                                         const httplib::Request& request) {
    const auto arrived = Clock::now();
    std::unique_lock lock(runsMutex);
    if (runs.contains(run->id)) {
      throw HttpError{409, "a run with id '" + run->id + "' is going on"};
    }
    queue.push_back(run);
    Dispatch();
    if (!run->admitted && queue.size() > static_cast<size_t>(options.maxQueued)) {
      queue.pop_back();
      throw HttpError{503,
                      "the server is running " + std::to_string(activeRuns) + " reports and " +
                          std::to_string(queue.size()) + " more wait their turn; try again later",
                      kRetryAfterSeconds};
    }
    runs[run->id] = run;
    if (!run->admitted) {
      lock.unlock();
      const int socket = SocketOf(request);
      lock.lock();
      while (!run->admitted && !run->stop) {
        admissionChanged.wait_for(lock, kHangUpCheck);
        if (!run->admitted && socket >= 0 && ClientGone(socket)) {
          run->stop = true;
        }
      }
      if (!run->admitted) {
        queue.erase(std::find(queue.begin(), queue.end(), run));
        runs.erase(run->id);
        throw HttpError{409, "the run was stopped"};
      }
    }
    run->queued = Clock::now() - arrived;
    return std::make_unique<Registration>(*this, run);
  }

  void StopRun(RunControl& run) {
    std::lock_guard lock(runsMutex);
    run.stop = true;
    admissionChanged.notify_all();
  }

  static std::unique_lock<std::timed_mutex> TakeTurn(RunControl& run) {
    auto turn = TakeTempDbTurn(run.operation, [&run] { return run.stop.load(); });
    if (run.stop) {
      throw RunStopped();
    }
    return turn;
  }

  bool HostAllowed(const httplib::Request& request) const {
    if (!request.has_header("Host")) {
      return false;
    }
    const auto [name, hostPort] = SplitHost(request.get_header_value("Host"));
    if (!hostPort.empty() && hostPort != std::to_string(port)) {
      return false;
    }
    const std::set<std::string> own{"localhost", "127.0.0.1", "[::1]", Bracketed(options.bind),
                                    Bracketed(request.local_addr)};
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return own.contains(lower);
  }

  // A page of another site may send a simple POST here through the reader's browser; its
  // Origin gives it away.
  bool OriginAllowed(const httplib::Request& request) const {
    if (!request.has_header("Origin")) {
      return true;
    }
    const std::string origin = request.get_header_value("Origin");
    const std::string prefix = "http://";
    if (!origin.starts_with(prefix)) {
      return false;
    }
    httplib::Request asHost;
    asHost.local_addr = request.local_addr;
    asHost.set_header("Host", origin.substr(prefix.size()));
    return HostAllowed(asHost);
  }

  void Routes() {
    http.set_payload_max_length(kMaxBody);
    http.set_pre_routing_handler([this](const httplib::Request& request,
                                        httplib::Response& response) {
      if (!HostAllowed(request)) {
        Fail(response, {403, "this server answers requests to its own address only, not to '" +
                                 request.get_header_value("Host") + "'"});
        return httplib::Server::HandlerResponse::Handled;
      }
      if (request.method != "GET" && !OriginAllowed(request)) {
        Fail(response,
             {403, "requests from " + request.get_header_value("Origin") + " are not accepted"});
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_error_handler([](const httplib::Request&, httplib::Response& response) {
      if (response.body.empty()) {
        const std::string message =
            response.status == 413
                ? "the request body is larger than " + std::to_string(kMaxBody / 1024) + " KiB"
            : response.status == 404
                ? "no such page or API"
                : "the request was refused (HTTP " + std::to_string(response.status) + ")";
        response.set_content(JsonError(message), "application/json");
      }
    });
    http.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
          std::string message = "unexpected failure";
          try {
            std::rethrow_exception(error);
          } catch (const std::exception& e) {
            message += std::string(": ") + e.what();
          } catch (...) {
          }
          response.status = 500;
          response.set_content(JsonError(message), "application/json");
        });
    if (options.log != nullptr) {
      http.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        static std::mutex logMutex;
        std::lock_guard lock(logMutex);
        *options.log << request.method << ' ' << request.path << ' ' << response.status << '\n';
      });
    }

    for (const Asset& asset : ViewerAssets()) {
      const std::string path =
          asset.path == "index.html" ? "/" : std::string("/").append(asset.path);
      http.Get(path, [asset](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_content(std::string(asset.text), std::string(asset.contentType));
      });
    }
    Guarded("GET", "/api/reports", [this](const httplib::Request&, httplib::Response& response) {
      response.set_content(JsonText(Catalogue()), "application/json");
    });
    Guarded("POST", R"(/api/reports/([^/]+))",
            [this](const httplib::Request& request, httplib::Response& response) {
              RunReport(request, response);
            });
    Guarded("GET", R"(/api/lookup/([a-z]+))",
            [this](const httplib::Request& request, httplib::Response& response) {
              const std::string search = request.get_param_value("q");
              if (search.size() > 100) {
                throw HttpError{400, "the search text is longer than 100 characters"};
              }
              try {
                response.set_content(
                    JsonText({{"items",
                               Lookup(options.database, request.matches[1].str(), search, 200)}}),
                    "application/json");
              } catch (const std::invalid_argument& e) {
                throw HttpError{404, e.what()};
              }
            });
    Guarded("GET", "/api/runs", [this](const httplib::Request&, httplib::Response& response) {
      ordered_json list = ordered_json::array();
      std::lock_guard lock(runsMutex);
      for (const auto& [id, run] : runs) {
        list.push_back(Progress(*run));
      }
      response.set_content(
          JsonText({{"runs", std::move(list)}, {"connections", openConnections.load()}}),
          "application/json");
    });
    Guarded("GET", R"(/api/runs/([^/]+))",
            [this](const httplib::Request& request, httplib::Response& response) {
              const std::shared_ptr<RunControl> run = FindRun(request.matches[1].str());
              std::lock_guard lock(runsMutex);
              response.set_content(JsonText(Progress(*run)), "application/json");
            });
    Guarded("POST", R"(/api/runs/([^/]+)/stop)",
            [this](const httplib::Request& request, httplib::Response& response) {
              StopRun(*FindRun(request.matches[1].str()));
              response.status = 202;
              response.set_content(JsonText({{"stopping", true}}), "application/json");
            });
  }

  static void Fail(httplib::Response& response, const HttpError& error) {
    response.status = error.status;
    if (error.retryAfterSeconds > 0) {
      response.set_header("Retry-After", std::to_string(error.retryAfterSeconds));
    }
    response.set_content(JsonError(error.message), "application/json");
  }

  // Handlers whose refusals are HttpError and UsageError (a bad parameter, 400).
  void Guarded(std::string_view method, const std::string& pattern,
               httplib::Server::Handler handler) {
    auto guarded = [handler](const httplib::Request& request, httplib::Response& response) {
      try {
        handler(request, response);
      } catch (const HttpError& e) {
        Fail(response, e);
      } catch (const UsageError& e) {
        Fail(response, {400, e.what()});
      }
    };
    if (method == "GET") {
      http.Get(pattern, guarded);
    } else {
      http.Post(pattern, guarded);
    }
  }

  ordered_json Catalogue() {
    // Defaults and titles read the regional settings of the thread's host platform.
    hostlib::Session session;
    host::InstallPlatform(std::make_shared<CliPlatform>(options.clock, session, nullptr));
    struct Uninstall {
      ~Uninstall() { host::InstallPlatform(nullptr); }
    } uninstall;
    return ReportCatalogue(options.clock->Now());
  }

  std::shared_ptr<RunControl> FindRun(const std::string& id) {
    std::lock_guard lock(runsMutex);
    const auto found = runs.find(id);
    if (found == runs.end()) {
      throw HttpError{404, "no run '" + id + "' is going on"};
    }
    return found->second;
  }

  // "queued" waits for a run slot (its place in the line is "position", from 1); "waiting"
  // has a slot and waits for TempDB's turn. Under runsMutex.
  ordered_json Progress(const RunControl& run) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - run.started).count();
    ordered_json progress{{"id", run.id},
                          {"operation", run.operation},
                          {"state", run.stop        ? "stopping"
                                    : !run.admitted ? "queued"
                                    : run.running   ? "running"
                                                    : "waiting"},
                          {"statements", run.statements.load()},
                          {"steps", run.steps.load()},
                          {"pieces", run.pieces.load()},
                          {"seconds", std::round(seconds * 10) / 10}};
    if (!run.admitted) {
      const auto place = std::find_if(queue.begin(), queue.end(),
                                      [&run](const auto& waiter) { return waiter.get() == &run; });
      progress["position"] = place - queue.begin() + 1;
    }
    return progress;
  }

  static std::vector<Assignment> Assignments(const httplib::Request& request) {
    std::vector<Assignment> assignments;
    if (request.body.empty()) {
      return assignments;
    }
    const std::string type = request.get_header_value("Content-Type");
    if (!type.starts_with("application/json")) {
      throw HttpError{415, "send the parameters as a JSON object (Content-Type: application/json)"};
    }
    const ordered_json body = ordered_json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
      throw HttpError{400, "the body is not a JSON object of parameters"};
    }
    if (body.size() > kMaxParameters) {
      throw HttpError{400, "more than " + std::to_string(kMaxParameters) + " parameters"};
    }
    for (const auto& [name, value] : body.items()) {
      if (name.size() > kMaxNameLength) {
        throw HttpError{400, "a parameter name is longer than " + std::to_string(kMaxNameLength) +
                                 " characters"};
      }
      if (!value.is_string()) {
        throw HttpError{400, "parameter " + name +
                                 " must be given as text, as `orla-vendas run` takes it "
                                 "(\"01/03/2024\", \"true\", \"1\")"};
      }
      const std::string& text = value.get_ref<const std::string&>();
      if (text.size() > kMaxValueLength) {
        throw HttpError{400, "parameter " + name + " is longer than " +
                                 std::to_string(kMaxValueLength) + " characters"};
      }
      assignments.emplace_back(name, text);
    }
    return assignments;
  }

  void RunReport(const httplib::Request& request, httplib::Response& response) {
    const std::string name = request.matches[1].str();
    const reports::ReportDescriptor* operation = reports::FindReport(name);
    if (operation == nullptr) {
      throw HttpError{404, "unknown report '" + name + "' (GET /api/reports lists the thirteen)"};
    }
    const std::string formatName =
        request.has_param("format") ? request.get_param_value("format") : "json";
    std::optional<engine::Format> format = engine::ParseFormat(formatName);
    const bool view = formatName == "view";
    if (view) {
      format = engine::Format::Html;
    } else if (!format || *format == engine::Format::Text) {
      throw HttpError{400, "format must be json, pdf, xlsx, csv or html, not '" + formatName + "'"};
    }
    const std::vector<reports::NamedValue> values =
        CheckParameters(*operation, Assignments(request));

    auto run = std::make_shared<RunControl>();
    run->operation = name;
    run->needsTempDb = UsesWorkingTables(name);
    run->id = request.has_param("run") ? request.get_param_value("run")
                                       : runIdPrefix + "-" + std::to_string(++nextRun);
    if (!ValidRunId(run->id)) {
      throw HttpError{400, "a run id is 1 to 64 letters, digits, '-' or '_'"};
    }
    std::shared_ptr<Registration> registration = Register(run, request);
    response.set_header("X-Queue-Seconds", FixedText(run->queued.count(), 3));
    std::optional<RunResult> result;
    try {
      const auto tempDb = TakeTurn(*run);
      run->running = true;
      if (options.beforeRun) {
        options.beforeRun(run->id);
      }
      RunSetup setup;
      setup.database = options.database;
      setup.clock = options.clock;
      setup.wrapDatabase = [&](host::Database& inner, sqlite::Database&) {
        return std::make_unique<StoppableDatabase>(inner, *run, openConnections);
      };
      const sqlite::StopCheckScope stopCheck(
          [run] {
            run->steps += kProgressSteps;
            return run->stop.load();
          },
          kProgressSteps);
      result.emplace(ExecuteRun(*operation, values, setup));
    } catch (const RunStopped&) {
    }
    registration->EndTempDb();
    if (run->stop) {
      throw HttpError{409, "the run was stopped"};
    }
    if (view) {
      StreamView(std::make_shared<RunResult>(std::move(*result)), run, std::move(registration),
                 response);
      return;
    }
    Answer(*result, *format, response);
  }

  // The page's view of a run, as lines of JSON: first the outcome as `run --format json`
  // gives it without the report, then the report's HTML in pieces ({"html"}), then
  // {"end":true}; {"stopped":true} ends it instead when the reader stops the run, and
  // {"error"} when the rendering fails. The run keeps its place until the last piece.
  static void StreamView(std::shared_ptr<RunResult> result, std::shared_ptr<RunControl> run,
                         std::shared_ptr<Registration> registration, httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        "application/x-ndjson", [result, run, registration](size_t, httplib::DataSink& sink) {
          try {
            WriteView(*result, *run, sink);
          } catch (const ReaderGone&) {
            run->stop = true;
            return false;
          }
          sink.done();
          return true;
        });
  }

  static void WriteView(const RunResult& result, RunControl& run, httplib::DataSink& sink) {
    const RunOutcome outcome = result.Outcome();
    std::ostringstream head;
    std::ostringstream ignored;
    WriteOutcome({outcome.operation, outcome.result, nullptr, outcome.shown, outcome.session},
                 engine::Format::Json, std::nullopt, head, ignored);
    ordered_json first = ordered_json::parse(head.str());
    first.erase("report");
    SendLine(sink, first);
    try {
      if (outcome.shown) {
        ViewPieces pieces(sink, run);
        std::ostream html(&pieces);
        html.exceptions(std::ios::badbit);
        WriteOutcome(outcome, engine::Format::Html, std::nullopt, html, ignored);
        SendLine(sink, {{"end", true}, {"pieces", pieces.Finish()}});
      } else {
        SendLine(sink, {{"end", true}, {"pieces", 0}});
      }
    } catch (const RunStopped&) {
      SendLine(sink, {{"stopped", true}});
    } catch (const ReaderGone&) {
      throw;
    } catch (const std::exception& e) {
      SendLine(sink, {{"error", std::string("the report could not be shown: ") + e.what()}});
    }
  }

  void Answer(const RunResult& run, engine::Format format, httplib::Response& response) {
    const RunOutcome outcome = run.Outcome();
    std::ostringstream out;
    std::ostringstream err;
    if (format == engine::Format::Json) {
      WriteOutcome(outcome, engine::Format::Json, std::nullopt, out, err);
      response.set_content(out.str(), "application/json");
      return;
    }
    if (!run.shown) {
      WriteOutcome(outcome, engine::Format::Json, std::nullopt, out, err);
      ordered_json answer = ordered_json::parse(out.str());
      answer.erase("report");
      answer["error"] = "nothing to print: the report was not shown";
      response.status = 422;
      response.set_content(JsonText(answer), "application/json");
      return;
    }
    const std::string extension(engine::FormatName(format));
    const std::string fileName = run.operation + "." + extension;
    if (engine::IsTextFormat(format)) {
      WriteOutcome(outcome, format, std::nullopt, out, err);
      response.set_content(out.str(), ContentType(format));
    } else {
      const std::filesystem::path file =
          std::filesystem::temp_directory_path() /
          ("orla-vendas-serve-" + std::to_string(getpid()) + "-" +
           std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id())) + "." +
           extension);
      struct Remove {
        const std::filesystem::path& file;
        ~Remove() {
          std::error_code ignored;
          std::filesystem::remove(file, ignored);
        }
      } remove{file};
      WriteOutcome(outcome, format, file.string(), out, err);
      response.set_content(ReadWholeFile(file), ContentType(format));
    }
    response.set_header("Content-Disposition",
                        std::string(format == engine::Format::Html ? "inline" : "attachment") +
                            "; filename=\"" + fileName + "\"");
  }
};

ViewerServer::ViewerServer(ServeOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

ViewerServer::~ViewerServer() = default;

int ViewerServer::Bind() {
  if (impl_->options.port == 0) {
    impl_->port = impl_->http.bind_to_any_port(impl_->options.bind);
  } else if (impl_->http.bind_to_port(impl_->options.bind, impl_->options.port)) {
    impl_->port = impl_->options.port;
  } else {
    impl_->port = -1;
  }
  if (impl_->port <= 0) {
    throw std::runtime_error("cannot listen on " + impl_->options.bind + " port " +
                             std::to_string(impl_->options.port));
  }
  return impl_->port;
}

void ViewerServer::Serve() {
  impl_->serving = true;
  if (!impl_->stopRequested) {
    impl_->http.listen_after_bind();
  }
  impl_->serving = false;
}

void ViewerServer::Stop() {
  {
    std::lock_guard lock(impl_->runsMutex);
    for (auto& [id, run] : impl_->runs) {
      run->stop = true;
    }
    impl_->admissionChanged.notify_all();
  }
  impl_->stopRequested = true;
  // A stop that comes while Serve is starting would find nothing to stop yet.
  while (impl_->serving && !impl_->http.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  impl_->http.stop();
}

int ViewerServer::OpenConnections() const {
  return impl_->openConnections;
}

}  // namespace orla::cli
