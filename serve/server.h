// The viewer's HTTP server: the page, and the JSON API a host program can call. Every run goes
// through the same check, run and output code as `orla-vendas run` (app/run.h,
// app/output.h).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/platform.h"

namespace orla::serve {

struct ServeOptions {
  std::filesystem::path database;
  // Where "Assinar" adds a subscription and whose subscriptions the page lists.
  std::filesystem::path subscriptions;
  std::string bind = "127.0.0.1";
  int port = 8040;  // 0 takes any free port
  // The secret a client must show; required when `bind` is not a loopback address.
  std::optional<std::string> token;
  // Runs at once; a request beyond them waits its turn in order of arrival, holding no
  // thread, and one beyond the waiting places is refused with 503.
  int maxRuns = 4;
  int maxQueued = 32;
  // Connections: those the kernel holds before they are accepted, those open at once, and
  // those from one address; one beyond the last two is answered 503 and closed.
  int backlog = 256;
  int maxConnections = 256;
  int maxPerAddress = 64;
  // A request must arrive whole within this time of the connection's opening or of the
  // previous answer; an answer being sent has no deadline while the client is there.
  std::chrono::milliseconds requestTime = std::chrono::seconds(15);
  std::shared_ptr<const host::Clock> clock;  // the system clock when null
  std::ostream* log = nullptr;               // one line a request; none when null
  // Called on a run's thread once the run is admitted and before it touches the database;
  // lets tests hold a run at a known point.
  std::function<void(const std::string& runId)> beforeRun;
};

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopback(const std::string& address);

class ViewerServer {
 public:
  explicit ViewerServer(ServeOptions options);
  ~ViewerServer();
  ViewerServer(const ViewerServer&) = delete;
  ViewerServer& operator=(const ViewerServer&) = delete;

  // Listens on the address; gives the port. Raises std::runtime_error when it cannot, and
  // when another socket has the port: the server never shares one.
  int Bind();
  // Answers requests until Stop.
  void Serve();
  // From any thread: stops every run, then the server.
  void Stop();

  // Runs that hold a database connection now.
  int OpenConnections() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orla::serve
