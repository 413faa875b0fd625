// A run on a run thread once it has its slot: the operation, then its answer, written as it
// is made.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/render.h"
#include "host/platform.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "serve/kept_runs.h"
#include "serve/reply.h"
#include "serve/run_queue.h"

namespace orla::serve {

struct RunRequest {
  const reports::ReportDescriptor* operation = nullptr;
  std::vector<reports::NamedValue> values;
  engine::Format format = engine::Format::Json;
  engine::RenderOptions render;  // `dialect=br`: the CSV a spreadsheet in Portuguese opens
  // The viewer's run: answered with the outcome alone, its report kept here for its pages,
  // drawn while the run keeps its slot, and for its downloads.
  std::shared_ptr<KeptRun> kept;
};

// What the server lends every run.
struct RunContext {
  std::filesystem::path database;
  std::shared_ptr<const host::Clock> clock;
  std::function<void(const std::string&)> beforeRun;
  std::atomic<int>* openConnections = nullptr;
  // A folder of the server's own (0700, a name no one can guess) for the files PDF and XLSX
  // are rendered to before they are sent; each is unlinked once open.
  std::filesystem::path scratch;
  RunQueue* queue = nullptr;
};

// Answers through `exchange` whatever happens, and leaves the queue when done.
void PerformRun(const RunContext& context, const std::shared_ptr<RunControl>& run,
                const RunRequest& request, Exchange& exchange);

// `report` as a file of `format` named `fileStem`.<format>: an attachment, or to look at in
// the browser (HTML always, any format `toShow`, as a PDF the viewer prints).
void SendReport(const RunContext& context, engine::Report& report, engine::Format format,
                const engine::RenderOptions& render, const std::string& fileStem,
                Exchange& exchange, bool toShow = false);

}  // namespace orla::serve
