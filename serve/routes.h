// The page, the login and the API, behind the guards.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "serve/guards.h"
#include "serve/kept_runs.h"
#include "serve/reply.h"
#include "serve/request.h"
#include "serve/run_job.h"
#include "serve/run_queue.h"
#include "serve/server.h"

namespace orla::serve {

// Where work that may take a while is done: runs on the run threads, lists and lookups on
// the others, so that a line of runs never holds up the page.
struct Workers {
  std::function<void(std::function<void()>)> run;
  std::function<void(std::function<void()>)> quick;
};

// `?dialect=br`: the CSV a spreadsheet in Portuguese opens. Raises HttpError for another.
engine::RenderOptions RenderOptionsOf(const Request& request);

class Routes {
 public:
  Routes(const ServeOptions& options, RunContext context, Access& access, OwnAddress& own,
         Workers workers);

  // Answers through `exchange`, at once or later from a worker.
  void Handle(const Request& request, const std::shared_ptr<Exchange>& exchange);

 private:
  void Route(const Request& request, const std::string& client,
             const std::shared_ptr<Exchange>& exchange);
  void Login(const Request& request, Exchange& exchange);
  void RunReport(const Request& request, const std::string& client, const std::string& name,
                 const std::shared_ptr<Exchange>& exchange);
  void StopRun(const std::string& id, const std::string& client, Exchange& exchange);
  void Subscribe(const Request& request, const std::shared_ptr<Exchange>& exchange);
  // /api/runs/ID/WHAT of a run a viewer keeps: its pages, a page, what is found, a download.
  void KeptRoute(const Request& request, const std::string& client, const std::string& id,
                 const std::string& what, const std::shared_ptr<Exchange>& exchange);
  // A font file the pages name.
  static Reply Font(const std::string& name);
  // Does `work` on a quick thread; its refusals become the answer.
  void Later(const std::shared_ptr<Exchange>& exchange, std::function<Reply()> work);

  const ServeOptions& options_;
  RunContext context_;
  Access& access_;
  OwnAddress& own_;
  Workers workers_;
  KeptRuns kept_;
  std::string runIdPrefix_;
  std::atomic<uint64_t> nextRun_{0};
};

}  // namespace orla::serve
