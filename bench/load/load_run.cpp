// A bounded load run of the viewer's API: starts `orla-vendas serve` on a free loopback port,
// runs every report once alone, then a fixed count of requests from several clients at once
// over all the reports, each answer compared with the run alone. Samples the server's
// resident memory and open files from /proc, records latency percentiles, and has some
// clients hang up mid-report to check that their runs end and give their connections back.
// The server runs a few reports at once and queues the rest; each answer says how long it
// waited in line, and those waits are recorded apart.
// Exit status 0 when nothing failed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/load/http_client.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;
namespace fs = std::filesystem;
namespace http_client = orla::http_client;

constexpr std::string_view kUsage =
    R"(usage: orla_load_run --program ORLA-VENDAS [--db FILE | --days N [--start YYYY-MM-DD]]
       [--from DD/MM/YYYY --to DD/MM/YYYY] [--clients N] [--requests N] [--hangups N]
       [--sample-ms N] [--memory-slack PERCENT]

Without --db, a demo database of --days days (default 7) from --start (default 2024-01-01)
is generated in a temporary folder. The period defaults to those days.
)";

struct Options {
  std::string program;
  std::string database;
  int days = 7;
  std::string start = "2024-01-01";
  std::string from;
  std::string to;
  int clients = 16;
  int requests = 130;
  int hangups = 4;
  int sampleMs = 200;
  double memorySlack = 25;  // percent the last third's peak may exceed the first third's
};

[[noreturn]] void Usage(const std::string& problem) {
  std::cerr << "orla_load_run: " << problem << "\n" << kUsage;
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) {
      Usage("missing the value of " + name);
    }
    const std::string value = argv[++i];
    try {
      if (name == "--program") {
        options.program = value;
      } else if (name == "--db") {
        options.database = value;
      } else if (name == "--days") {
        options.days = std::stoi(value);
      } else if (name == "--start") {
        options.start = value;
      } else if (name == "--from") {
        options.from = value;
      } else if (name == "--to") {
        options.to = value;
      } else if (name == "--clients") {
        options.clients = std::stoi(value);
      } else if (name == "--requests") {
        options.requests = std::stoi(value);
      } else if (name == "--hangups") {
        options.hangups = std::stoi(value);
      } else if (name == "--sample-ms") {
        options.sampleMs = std::stoi(value);
      } else if (name == "--memory-slack") {
        options.memorySlack = std::stod(value);
      } else {
        Usage("unknown option " + name);
      }
    } catch (const std::logic_error&) {
      Usage("bad value '" + value + "' for " + name);
    }
  }
  if (options.program.empty()) {
    Usage("--program is required");
  }
  if (options.clients < 1 || options.requests < 1 || options.hangups < 0 || options.days < 1 ||
      options.sampleMs < 1) {
    Usage("counts must be positive");
  }
  return options;
}

// YYYY-MM-DD plus days, as DD/MM/YYYY.
std::string DayText(const std::string& iso, int plusDays) {
  std::tm day{};
  if (std::sscanf(iso.c_str(), "%d-%d-%d", &day.tm_year, &day.tm_mon, &day.tm_mday) != 3) {
    Usage("--start expects YYYY-MM-DD");
  }
  day.tm_year -= 1900;
  day.tm_mon -= 1;
  day.tm_mday += plusDays;
  day.tm_hour = 12;
  std::mktime(&day);
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", day.tm_mday, day.tm_mon + 1,
                day.tm_year + 1900);
  return text;
}

pid_t Spawn(const std::vector<std::string>& arguments, int stdoutFd) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) {
    argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(rc));
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct Sample {
  double seconds;
  int64_t rssKiB;
  int files;
  int queued;  // runs waiting for a slot; -1 when the server did not say
};

int64_t ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmRSS:")) {
      return std::stoll(line.substr(6));
    }
  }
  return -1;
}

int OpenFiles(pid_t pid) {
  std::error_code error;
  int count = 0;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
       !error && it != end; it.increment(error)) {
    ++count;
  }
  return error ? -1 : count;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const size_t rank = static_cast<size_t>(std::ceil(p / 100 * static_cast<double>(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

class Server {
 public:
  Server(const Options& options, const std::string& database) {
    int fds[2];
    if (pipe(fds) != 0) {
      throw std::runtime_error("pipe failed");
    }
    pid_ = Spawn({options.program, "serve", "--db", database, "--port", "0"}, fds[1]);
    close(fds[1]);
    // "The report viewer is at http://127.0.0.1:PORT/ ..."
    std::string line;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') {
      line += c;
    }
    close(fds[0]);
    const size_t at = line.find("127.0.0.1:");
    if (at == std::string::npos) {
      Stop();
      throw std::runtime_error("the server did not say its port: '" + line + "'");
    }
    port_ = std::stoi(line.substr(at + 10));
  }
  ~Server() { Stop(); }

  int Stop() {
    if (pid_ <= 0) {
      return status_;
    }
    kill(pid_, SIGTERM);
    status_ = Wait(pid_);
    pid_ = 0;
    return status_;
  }
  pid_t Pid() const { return pid_; }
  int Port() const { return port_; }

 private:
  pid_t pid_ = 0;
  int port_ = 0;
  int status_ = -1;
};

struct Answer {
  int status = 0;  // 0 when no answer came
  std::string body;
  std::string error;         // why no answer came
  double queuedSeconds = 0;  // the wait for a run slot the server reports
  int retryAfterSeconds = 1;
};

Answer Post(int port, const std::string& report, const std::string& body,
            std::chrono::milliseconds timeout) {
  const http_client::Answer result =
      http_client::Post(port, "/api/reports/" + report, body, timeout);
  Answer answer;
  if (!result) {
    answer.error = result.error;
    return answer;
  }
  answer.status = result.status;
  answer.body = result.body;
  try {
    answer.queuedSeconds = std::stod(result.Header("x-queue-seconds"));
  } catch (const std::logic_error&) {
  }
  try {
    answer.retryAfterSeconds = std::max(1, std::stoi(result.Header("retry-after")));
  } catch (const std::logic_error&) {
  }
  return answer;
}

// Posts until the server takes the request in: a full line answers 503, and the client
// waits as long as it says.
Answer PostInLine(int port, const std::string& report, const std::string& body,
                  std::chrono::milliseconds timeout, std::atomic<int>& refusals) {
  for (;;) {
    Answer answer = Post(port, report, body, timeout);
    if (answer.status != 503) {
      return answer;
    }
    ++refusals;
    std::this_thread::sleep_for(std::chrono::seconds(answer.retryAfterSeconds));
  }
}

int QueuedRuns(const std::optional<json>& runs) {
  if (!runs || !runs->is_object() || !runs->contains("runs")) {
    return -1;
  }
  int queued = 0;
  for (const json& run : (*runs)["runs"]) {
    queued += run.value("state", "") == "queued" ? 1 : 0;
  }
  return queued;
}

std::optional<json> Get(int port, const std::string& path) {
  const http_client::Answer result = http_client::Get(port, path);
  if (result.status != 200) {
    return std::nullopt;
  }
  return json::parse(result.body, nullptr, false);
}

class Failures {
 public:
  void Add(const std::string& what) {
    std::lock_guard lock(mutex_);
    if (++count_ <= 10) {
      std::cerr << "FAILED: " << what << '\n';
    }
  }
  int Count() const { return count_; }

 private:
  std::mutex mutex_;
  std::atomic<int> count_{0};
};

// Answers of the same run alone differ from a run under load in nothing; the first bytes
// that differ tell which.
std::string Difference(const std::string& expected, const std::string& actual) {
  size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) {
    ++at;
  }
  const size_t from = at > 40 ? at - 40 : 0;
  return "at byte " + std::to_string(at) + ": expected '" + expected.substr(from, 100) +
         "', got '" + actual.substr(from, 100) + "'";
}

// The description of the first error an answer reports, if any.
std::string FirstError(const std::string& body) {
  const json answer = json::parse(body, nullptr, false);
  if (!answer.is_object() || !answer.contains("errors") || answer["errors"].empty()) {
    return "";
  }
  return "; first error: " + answer["errors"][0].value("description", "").substr(0, 300);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  char folderTemplate[] = "/tmp/orla-load-XXXXXX";
  const fs::path folder = mkdtemp(folderTemplate);
  struct Cleanup {
    fs::path folder;
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
  } cleanup{folder};

  std::string database = options.database;
  std::string from = options.from.empty() ? DayText(options.start, 0) : options.from;
  std::string to = options.to.empty() ? DayText(options.start, options.days - 1) : options.to;
  if (database.empty()) {
    database = (folder / "load.db").string();
    if (Wait(Spawn({options.program, "demo-db", "--out", database, "--start", options.start,
                    "--days", std::to_string(options.days)},
                   -1)) != 0) {
      std::cerr << "orla_load_run: the demo database could not be made\n";
      return 1;
    }
  }
  const std::string parameters =
      json{{"Filtro_DataInicial", from}, {"Filtro_DataFinal", to}}.dump();

  Server server(options, database);
  const int port = server.Port();
  Failures failures;

  std::vector<std::string> reports;
  if (const auto catalogue = Get(port, "/api/reports"); catalogue && catalogue->is_object()) {
    for (const json& report : (*catalogue)["reports"]) {
      reports.push_back(report["name"]);
    }
  }
  if (reports.size() != 13) {
    std::cerr << "orla_load_run: the server lists " << reports.size() << " reports, not 13\n";
    return 1;
  }

  // Each report alone, one after the other: the answers every run under load must give.
  std::map<std::string, std::string> expected;
  std::map<std::string, double> aloneSeconds;
  std::string slowest;
  for (const std::string& report : reports) {
    const auto started = Clock::now();
    const Answer answer = Post(port, report, parameters, std::chrono::minutes(10));
    aloneSeconds[report] = std::chrono::duration<double>(Clock::now() - started).count();
    if (answer.status != 200) {
      failures.Add(report + " alone answered HTTP " + std::to_string(answer.status) + ": " +
                   answer.body.substr(0, 200));
    }
    expected[report] = answer.body;
    if (slowest.empty() || aloneSeconds[report] > aloneSeconds[slowest]) {
      slowest = report;
    }
  }
  // One request from every client at once, checked but not timed: the server's threads for
  // that many connections take their first report (stacks, malloc arenas) before the memory
  // of the load is compared from its first third to its last.
  {
    std::vector<std::thread> warmUp;
    for (int c = 0; c < options.clients; ++c) {
      warmUp.emplace_back([&, c] {
        std::atomic<int> ignored{0};
        const std::string& report = reports[static_cast<size_t>(c) % reports.size()];
        const Answer answer =
            PostInLine(port, report, parameters, std::chrono::minutes(10), ignored);
        if (answer.status != 200 || answer.body != expected[report]) {
          failures.Add(report + " warming up answered HTTP " + std::to_string(answer.status) + " " +
                       answer.error);
        }
      });
    }
    for (std::thread& client : warmUp) {
      client.join();
    }
  }
  const int filesBefore = OpenFiles(server.Pid());

  std::vector<Sample> samples;
  std::atomic<bool> loading{true};
  const auto loadStarted = Clock::now();
  std::thread sampler([&] {
    while (loading) {
      samples.push_back({std::chrono::duration<double>(Clock::now() - loadStarted).count(),
                         ResidentKiB(server.Pid()), OpenFiles(server.Pid()),
                         QueuedRuns(Get(port, "/api/runs"))});
      std::this_thread::sleep_for(std::chrono::milliseconds(options.sampleMs));
    }
  });

  // Request i runs report i mod 13; every (requests / hangups)-th one is a client that hangs
  // up on the slowest report long before it can be answered.
  const int hangupEvery = options.hangups > 0 ? std::max(1, options.requests / options.hangups) : 0;
  std::mutex resultsMutex;
  std::map<std::string, std::vector<double>> latencies;
  std::map<std::string, std::vector<double>> queueWaits;
  std::atomic<int> next{0};
  std::atomic<int> refusals{0};
  std::atomic<int> hungUp{0};
  std::atomic<int> answeredBeforeHangup{0};
  const auto hangupAfter =
      std::chrono::milliseconds(std::max<int64_t>(1, std::llround(aloneSeconds[slowest] * 100)));
  std::vector<std::thread> clients;
  for (int c = 0; c < options.clients; ++c) {
    clients.emplace_back([&] {
      for (int i = next++; i < options.requests; i = next++) {
        const bool hangup = hangupEvery > 0 && i % hangupEvery == hangupEvery - 1 &&
                            i / hangupEvery < options.hangups;
        const std::string& report = hangup ? slowest : reports[i % reports.size()];
        if (hangup) {
          const Answer answer = PostInLine(port, report, parameters, hangupAfter, refusals);
          (answer.status == 0 ? hungUp : answeredBeforeHangup)++;
          continue;
        }
        const auto started = Clock::now();
        // A refusal (the server's line is full) and the wait after it count in the latency.
        const Answer answer =
            PostInLine(port, report, parameters, std::chrono::minutes(10), refusals);
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (answer.status != 200) {
          failures.Add(report + " under load answered HTTP " + std::to_string(answer.status) +
                       ": " + answer.body.substr(0, 200) + answer.error);
        } else if (answer.body != expected[report]) {
          failures.Add(report + " under load gave another answer " +
                       Difference(expected[report], answer.body) + FirstError(answer.body));
        }
        std::lock_guard lock(resultsMutex);
        latencies[report].push_back(seconds);
        queueWaits[report].push_back(answer.queuedSeconds);
      }
    });
  }
  for (std::thread& client : clients) {
    client.join();
  }
  const double loadSeconds = std::chrono::duration<double>(Clock::now() - loadStarted).count();

  // Runs whose client hung up stop; wait until every run is over and every connection given
  // back.
  const auto drainStarted = Clock::now();
  bool drained = false;
  while (Clock::now() - drainStarted < std::chrono::minutes(5)) {
    const auto runs = Get(port, "/api/runs");
    if (runs && runs->is_object() && (*runs)["runs"].empty() && (*runs)["connections"] == 0) {
      drained = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const double drainSeconds = std::chrono::duration<double>(Clock::now() - drainStarted).count();
  loading = false;
  sampler.join();
  if (!drained) {
    failures.Add("runs or connections were still held 5 minutes after the last request");
  }
  // A connection the server has seen end may take a moment more to be closed: wait for the
  // count to come down, with a bound, rather than read it once.
  int filesAfter = OpenFiles(server.Pid());
  for (const auto since = Clock::now();
       filesAfter > filesBefore && Clock::now() - since < std::chrono::seconds(10);
       filesAfter = OpenFiles(server.Pid())) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (filesAfter > filesBefore) {
    failures.Add("the server held " + std::to_string(filesBefore) +
                 " open files before the load and " + std::to_string(filesAfter) + " after it");
  }

  // Memory and open files, first third of the run against the last third.
  int64_t firstPeak = 0;
  int64_t lastPeak = 0;
  int firstFiles = 0;
  int lastFiles = 0;
  int mostQueued = -1;
  for (const Sample& s : samples) {
    mostQueued = std::max(mostQueued, s.queued);
    if (s.seconds <= loadSeconds / 3) {
      firstPeak = std::max(firstPeak, s.rssKiB);
      firstFiles = std::max(firstFiles, s.files);
    } else if (s.seconds >= loadSeconds * 2 / 3 && s.seconds <= loadSeconds) {
      lastPeak = std::max(lastPeak, s.rssKiB);
      lastFiles = std::max(lastFiles, s.files);
    }
  }
  if (static_cast<double>(lastPeak) >
      static_cast<double>(firstPeak) * (1 + options.memorySlack / 100)) {
    failures.Add("resident memory grew from " + std::to_string(firstPeak / 1024) +
                 " MiB at most in the first third of the run to " +
                 std::to_string(lastPeak / 1024) + " MiB in the last");
  }

  const int stopStatus = server.Stop();
  if (stopStatus != 0) {
    failures.Add("the server ended with status " + std::to_string(stopStatus));
  }

  std::vector<double> all;
  std::vector<double> allWaits;
  int answered = 0;
  std::printf(
      "| report | alone (s) | answers | p50 (s) | p90 (s) | p99 (s) | max (s) | in line p50 (s) | "
      "in line max (s) |\n");
  std::printf("|---|--:|--:|--:|--:|--:|--:|--:|--:|\n");
  for (const std::string& report : reports) {
    const std::vector<double>& times = latencies[report];
    const std::vector<double>& waits = queueWaits[report];
    answered += static_cast<int>(times.size());
    all.insert(all.end(), times.begin(), times.end());
    allWaits.insert(allWaits.end(), waits.begin(), waits.end());
    std::printf("| %s | %.2f | %zu | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", report.c_str(),
                aloneSeconds[report], times.size(), Percentile(times, 50), Percentile(times, 90),
                Percentile(times, 99), Percentile(times, 100), Percentile(waits, 50),
                Percentile(waits, 100));
  }
  std::printf("| **all** | | %d | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n\n", answered,
              Percentile(all, 50), Percentile(all, 90), Percentile(all, 99), Percentile(all, 100),
              Percentile(allWaits, 50), Percentile(allWaits, 100));
  std::printf(
      "period %s to %s, %d clients, %d requests in %.1f s (%d answered, %d refused with 503 "
      "and sent again), %d hang-ups (%d answered first), runs over %.2f s after the last "
      "request\n",
      from.c_str(), to.c_str(), options.clients, options.requests, loadSeconds, answered,
      refusals.load(), hungUp.load(), answeredBeforeHangup.load(), drainSeconds);
  std::printf("time in line: p50 %.2f s, p90 %.2f s, p99 %.2f s, max %.2f s; at most %d waiting\n",
              Percentile(allWaits, 50), Percentile(allWaits, 90), Percentile(allWaits, 99),
              Percentile(allWaits, 100), mostQueued);
  std::printf(
      "server resident memory, peak: first third %.1f MiB, last third %.1f MiB; open "
      "files: %d before, %d/%d at most in the first/last third, %d after\n",
      static_cast<double>(firstPeak) / 1024, static_cast<double>(lastPeak) / 1024, filesBefore,
      firstFiles, lastFiles, filesAfter);
  std::printf("%s: %d failures\n", failures.Count() == 0 ? "PASSED" : "FAILED", failures.Count());
  return failures.Count() == 0 ? 0 : 1;
}
