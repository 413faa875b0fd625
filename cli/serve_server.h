// The viewer's HTTP server: the page, and the JSON API a host program can call. Every run goes
// through the same check, run and output code as `orla-vendas run` (run_command.h, output.h).
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "host/platform.h"

namespace orla::cli {

struct ServeOptions {
  std::filesystem::path database;
  std::string bind = "127.0.0.1";
  int port = 8040;  // 0 takes any free port
  // Runs at once; a request beyond them waits its turn in order of arrival, and one beyond
  // the waiting places is refused with 503. Each waiter holds a thread of the server's, so
  // the server keeps that many and a few more for the page, the lists and the stop button.
  int maxRuns = 4;
  int maxQueued = 32;
  std::shared_ptr<const host::Clock> clock;  // the system clock when null
  std::ostream* log = nullptr;               // one line a request; none when null
  // Called on a run's thread once the run is admitted and before it touches the database;
  // lets tests hold a run at a known point.
  std::function<void(const std::string& runId)> beforeRun;
};

class ViewerServer {
 public:
  explicit ViewerServer(ServeOptions options);
  ~ViewerServer();
  ViewerServer(const ViewerServer&) = delete;
  ViewerServer& operator=(const ViewerServer&) = delete;

  // Binds the address; gives the port. Raises std::runtime_error when it cannot.
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

}  // namespace orla::cli
