// The runs a viewer shows: each keeps its report (for downloads of that very run, not a second
// query) and its pages. A viewer (a page in a browser) keeps one: starting another run drops
// the one before. A client keeps a few viewers' runs, the server a few more, and a run no one
// has looked at for a while goes.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "engine/report.h"
#include "serve/page_store.h"
#include "serve/run_queue.h"

namespace orla::serve {

class KeptRun {
 public:
  using Clock = std::chrono::steady_clock;

  KeptRun(std::string viewer, std::shared_ptr<RunControl> control,
          const std::filesystem::path& folder);
  // Removes the report's file.
  ~KeptRun();
  KeptRun(const KeptRun&) = delete;
  KeptRun& operator=(const KeptRun&) = delete;

  const std::string viewer;
  const std::shared_ptr<RunControl> control;  // its id, its owner, its stop switch
  PageStore pages;

  // The report as the run left it, written to `file` (a JSON document `render` reads), the
  // name its downloads take, without extension, and what the document does not hold: the
  // user its foot names and its links. Set once, before the pages are drawn.
  struct Report {
    std::filesystem::path file;
    std::string fileStem;
    std::string printedBy;
    std::shared_ptr<const engine::CellLinks> links;
    // The report read back, to draw or to download.
    std::shared_ptr<engine::Report> Read() const;
  };
  void SetReport(Report report);
  std::optional<Report> GetReport() const;

 private:
  friend class KeptRuns;
  mutable std::mutex mutex_;
  std::optional<Report> report_;
  Clock::time_point used_ = Clock::now();
};

class KeptRuns {
 public:
  struct Limits {
    size_t perClient = 6;
    size_t overall = 24;
    std::chrono::minutes idle{30};
  };
  KeptRuns(RunQueue& queue, Limits limits);

  // Keeps `run`, dropping its viewer's run before it, the client's and the server's oldest
  // beyond their limits and those left alone too long; a dropped run still going stops.
  void Keep(const std::shared_ptr<KeptRun>& run);
  // Raises HttpError: 404 when no run by that id is kept, 403 when it is another client's.
  std::shared_ptr<KeptRun> Find(const std::string& id, const std::string& client);

 private:
  RunQueue& queue_;
  const Limits limits_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<KeptRun>> runs_;  // by run id
};

}  // namespace orla::serve
