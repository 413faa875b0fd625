#include "cli/serve_command.h"

#include <atomic>
#include <memory>
#include <thread>

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "cli/arguments.h"
#include "cli/demo_location.h"
#include "deliver/config.h"
#include "host/platform.h"
#include "hostlib/messages.h"
#include "serve/guards.h"
#include "serve/server.h"

extern char** environ;

namespace orla::cli {

namespace {

using hostlib::Say;

std::string Usage() {
  return Say(R"(usage: orla-vendas serve [--db FILE] [--bind ADDR] [--port N] [--token-file FILE]
                          [--subscriptions FILE] [--today YYYY-MM-DD] [--open]

Serves the report viewer: a page that lists the thirteen reports, shows a form for each, runs
it and shows it page by page, with PDF, XLSX and CSV downloads; its start page is the day's
picture (today's and yesterday's sales, litres per fuel and payment forms, each beside the
same weekday of last week, from runs of the reports themselves); and the JSON API behind it:
  GET  /api/reports                   the reports with their parameters and defaults
  GET  /api/periods                   the named periods (ontem, mes-passado...) as they fall today
  POST /api/reports/NAME              a JSON object of parameters, as `run` takes them;
                                      answers the JSON of `run --format json`
  POST /api/reports/NAME?format=pdf   the same run as a file (pdf, xlsx, csv or html)
  GET  /api/runs                      the runs going on, and those queued for their turn
  POST /api/runs/ID/stop              stops a run (only its own browser or client may)
  GET  /api/runs/ID/pages[/N]         the page's run (?format=pages): its page count, page N
                                      as SVG; .../find?q=TEXT, .../file?format=pdf its file
  GET  /api/subscriptions             the scheduled deliveries, each with its last outcome
  POST /api/subscriptions             adds one ({"report", "parameters", "when", "folder",
                                      "email", ...}: the page's "Assinar"); the dates become
                                      the named period they are today
Four reports run at once; more wait their turn in order of arrival, and beyond 32 waiting
a request is refused with 503. A client that goes away stops its run. Ctrl-C stops it all.

A port that another program listens on is an error (exit 1): the server never shares one.
On this machine's own address the page is open to its users. Sales figures are private, so
on any other address the server asks for an access secret: a browser gives it once in a
login page and keeps a cookie; a program sends it as "Authorization: Bearer SECRET".

options:
  --db FILE          the sales database (default: the demo database, made on first use)
  --bind ADDR        the IP address to listen on (default 127.0.0.1: this machine only);
                     any other needs --token-file
  --port N           the port (default 8040; 0 takes a free one)
  --token-file FILE  the access secret, the first line of FILE (at least 16 characters;
                     the file must be readable by its owner only: chmod 600)
  --subscriptions FILE
                     the subscriptions file of `orla-vendas deliver` (default:
                     ~/.config/orla-vendas/assinaturas.toml)
  --today YYYY-MM-DD the date the server takes as today: the start page's day, the named
                     periods and the reports' defaults (default: the system's date)
  --open             open the page in the desktop's browser

example:
  orla-vendas serve --open
  orla-vendas serve --bind 0.0.0.0 --token-file /etc/orla-vendas/segredo
)");
}

std::string Url(const std::string& bind, int port) {
  const std::string host = bind == "0.0.0.0" || bind == "::" ? "127.0.0.1" : bind;
  return "http://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
         std::to_string(port) + "/";
}

void OpenBrowser(const std::string& url, std::ostream& err) {
  pid_t child = 0;
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
    err << Say("Cannot open a browser (no xdg-open); open %s yourself.", {url}) << '\n';
    return;
  }
  // The opener returns at once; reap it so it leaves no zombie.
  std::thread([child] { waitpid(child, nullptr, 0); }).detach();
}

}  // namespace

int ServeCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
                 bool terminal) {
  serve::ServeOptions options;
  bool open = false;
  try {
    ArgumentReader reader(std::move(arguments));
    std::optional<std::string> db;
    std::optional<std::string> tokenFile;
    while (!reader.Done()) {
      if (reader.TakeFlag("--help") || reader.TakeFlag("-h")) {
        out << Usage();
        return kExitSuccess;
      }
      if (auto value = reader.TakeOption("--db")) {
        db = *value;
      } else if (auto bind = reader.TakeOption("--bind")) {
        options.bind = *bind;
      } else if (auto port = reader.TakeOption("--port")) {
        const int64_t number = ParseInteger(*port, "--port");
        if (number < 0 || number > 65535) {
          throw UsageError(Say("--port expects 0 to 65535, got '%s'", {*port}));
        }
        options.port = static_cast<int>(number);
      } else if (auto file = reader.TakeOption("--token-file")) {
        tokenFile = *file;
      } else if (auto file = reader.TakeOption("--subscriptions")) {
        options.subscriptions = *file;
      } else if (auto day = reader.TakeOption("--today")) {
        options.clock = std::make_shared<host::FixedClock>(ParseIsoDate(*day, "--today"));
      } else if (reader.TakeFlag("--open")) {
        open = true;
      } else {
        throw UsageError(
            Say("unknown argument '%s' (see orla-vendas serve --help)", {reader.Peek()}));
      }
    }
    if (tokenFile) {
      try {
        options.token = serve::ReadSecretFile(*tokenFile);
      } catch (const std::runtime_error& e) {
        throw UsageError(e.what());
      }
    } else if (!serve::IsLoopback(options.bind)) {
      throw UsageError(
          Say("--bind %s opens the sales figures to other machines; give an "
              "access secret with --token-file FILE",
              {options.bind}));
    }
    options.database = db ? ExistingDatabase(*db) : DemoDatabase(err, terminal);
    if (options.subscriptions.empty()) {
      options.subscriptions = deliver::DefaultConfigFile();
    }
  } catch (const UsageError& e) {
    err << "orla-vendas serve: " << e.what() << '\n';
    return kExitUsage;
  }
  options.log = &err;
#ifdef __GLIBC__
  // Each thread that runs a report would keep a malloc arena of its own (up to eight a
  // core); the runs at once are what allocate. On the month's load run: 122 MiB at the peak,
  // 81 MiB with this.
  mallopt(M_ARENA_MAX, options.maxRuns + 1);
#endif

  // The signals are taken by one waiting thread; every thread the server starts inherits the
  // mask, so none of them is interrupted.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &signals, &previous);
  struct Restore {
    sigset_t& mask;
    ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{previous};

  serve::ViewerServer server(options);
  int port = 0;
  try {
    port = server.Bind();
  } catch (const std::exception& e) {
    err << "orla-vendas serve: " << e.what() << '\n';
    return kExitFalse;
  }
  const std::string url = Url(options.bind, port);
  out << Say("The report viewer is at %s (database %s); Ctrl-C stops it.",
             {url, options.database.string()})
      << std::endl;
  if (open) {
    OpenBrowser(url, err);
  }

  std::atomic<bool> stopping{false};
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    stopping = true;
    server.Stop();
  });
  server.Serve();
  if (!stopping) {
    // Serve ended by itself; wake the waiter with a signal only it takes.
    pthread_kill(waiter.native_handle(), SIGTERM);
  }
  waiter.join();
  out << Say("Stopped.") << std::endl;
  return kExitSuccess;
}

}  // namespace orla::cli
