// The C face of the library: the same checks, run and JSON as `orla-vendas run`, behind
// status codes, so that a host in any language can call it without C++ in between.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <libintl.h>
#include <nlohmann/json.hpp>

#include "app/catalogue.h"
#include "app/database_file.h"
#include "app/host_platform.h"
#include "app/output.h"
#include "app/parameters.h"
#include "app/run.h"
#include "app/value_texts.h"
#include "capi/orla_vendas.h"
#include "engine/render.h"
#include "host/platform.h"
#include "hostlib/messages.h"
#include "reports/by_name.h"
#include "reports/report_list.h"

struct orla_vendas_db {
  std::filesystem::path file;
  std::optional<orla::host::DateTime> today;
  std::optional<std::string> user;
  bool closed = false;
};

namespace {

using namespace orla;

struct Failure {
  int status;
  std::string message;
};

// malloc'd, as orla_vendas_free releases it; NULL when even that fails.
char* CopyText(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy != nullptr) {
    std::memcpy(copy, text.c_str(), text.size() + 1);
  }
  return copy;
}

void Require(const void* pointer, const char* what) {
  if (pointer == nullptr) {
    throw Failure{ORLA_VENDAS_INVALID_ARGUMENT, std::string(what) + " is NULL"};
  }
}

void RequireOpen(const orla_vendas_db* db) {
  Require(db, "the database handle");
  if (db->closed) {
    throw Failure{ORLA_VENDAS_CLOSED, "the database handle was closed"};
  }
}

// The library's own lines in the language of the host's locale, when it set one, and in
// UTF-8 whatever its character set, as every text given here is.
void BindMessages() {
  static const bool bound = [] {
    bindtextdomain(hostlib::kMessageDomain, ORLA_LOCALEDIR);
    bind_textdomain_codeset(hostlib::kMessageDomain, "UTF-8");
    return true;
  }();
  (void)bound;
}

// Runs `body` and turns whatever it raises into a status and a message.
template <typename Body>
int Guarded(char** error, Body&& body) {
  BindMessages();
  if (error != nullptr) {
    *error = nullptr;
  }
  Failure failure{ORLA_VENDAS_OK, {}};
  try {
    body();
    return ORLA_VENDAS_OK;
  } catch (const Failure& f) {
    failure = f;
  } catch (const app::UsageError& e) {
    failure = {ORLA_VENDAS_BAD_PARAMETER, e.what()};
  } catch (const std::bad_alloc&) {
    failure = {ORLA_VENDAS_INTERNAL, "out of memory"};
  } catch (const std::exception& e) {
    failure = {ORLA_VENDAS_INTERNAL, e.what()};
  } catch (...) {
    failure = {ORLA_VENDAS_INTERNAL, "an unknown error"};
  }
  if (error != nullptr) {
    *error = CopyText(failure.message);
  }
  return failure.status;
}

std::shared_ptr<const host::Clock> ClockOf(const orla_vendas_db* db) {
  if (db != nullptr && db->today) {
    return std::make_shared<host::FixedClock>(*db->today);
  }
  return std::make_shared<host::SystemClock>();
}

std::vector<app::Assignment> Assignments(const char* parameters) {
  if (parameters == nullptr) {
    return {};
  }
  try {
    return app::ParseJsonParameters(parameters);
  } catch (const app::JsonParametersError& e) {
    throw Failure{ORLA_VENDAS_BAD_JSON, e.what()};
  }
}

app::RunResult Run(const orla_vendas_db* db, const char* report, const char* parameters) {
  RequireOpen(db);
  Require(report, "the report name");
  const reports::ReportDescriptor* operation = reports::FindReport(report);
  if (operation == nullptr) {
    throw Failure{ORLA_VENDAS_UNKNOWN_REPORT, "unknown report '" + std::string(report) +
                                                  "' (orla_vendas_list gives the thirteen)"};
  }
  const std::vector<reports::NamedValue> values =
      app::CheckParameters(*operation, Assignments(parameters));
  app::RunSetup setup;
  setup.database = db->file;
  setup.clock = ClockOf(db);
  if (db->user) {
    setup.user = *db->user;
  }
  const auto turn = app::TakeTempDbTurn(operation->name);
  return app::ExecuteRun(*operation, values, setup);
}

std::string OutcomeJson(const app::RunResult& run) {
  std::ostringstream out;
  std::ostringstream ignored;
  app::WriteOutcome(run.Outcome(), engine::Format::Json, std::nullopt, out, ignored);
  std::string json = out.str();
  if (!json.empty() && json.back() == '\n') {
    json.pop_back();
  }
  return json;
}

void Give(char** target, const std::string& text) {
  *target = CopyText(text);
  if (*target == nullptr) {
    throw std::bad_alloc();
  }
}

}  // namespace

extern "C" {

const char* orla_vendas_version(void) {
  return "321.0";
}

const char* orla_vendas_status_name(int status) {
  static const char* const names[] = {"ORLA_VENDAS_OK",
                                      "ORLA_VENDAS_INVALID_ARGUMENT",
                                      "ORLA_VENDAS_BAD_JSON",
                                      "ORLA_VENDAS_UNKNOWN_REPORT",
                                      "ORLA_VENDAS_BAD_PARAMETER",
                                      "ORLA_VENDAS_DATABASE",
                                      "ORLA_VENDAS_CLOSED",
                                      "ORLA_VENDAS_NOT_SHOWN",
                                      "ORLA_VENDAS_OUTPUT",
                                      "ORLA_VENDAS_INTERNAL"};
  if (status < 0 || status >= static_cast<int>(std::size(names))) {
    return "unknown status";
  }
  return names[status];
}

void orla_vendas_free(char* text) {
  std::free(text);
}

int orla_vendas_open(const char* database, orla_vendas_db** db, char** error) {
  if (db != nullptr) {
    *db = nullptr;
  }
  return Guarded(error, [&] {
    Require(db, "the handle's place");
    Require(database, "the database");
    auto handle = std::make_unique<orla_vendas_db>();
    try {
      handle->file = app::SalesDatabaseFile(database);
    } catch (const app::DatabaseFileError& e) {
      throw Failure{ORLA_VENDAS_DATABASE, e.what()};
    }
    *db = handle.release();
  });
}

int orla_vendas_close(orla_vendas_db* db, char** error) {
  return Guarded(error, [&] {
    Require(db, "the database handle");
    db->closed = true;
  });
}

void orla_vendas_release(orla_vendas_db* db) {
  delete db;
}

int orla_vendas_set_today(orla_vendas_db* db, const char* today, char** error) {
  return Guarded(error, [&] {
    RequireOpen(db);
    if (today == nullptr) {
      db->today.reset();
      return;
    }
    try {
      db->today = app::ParseIsoDate(today, "today");
    } catch (const app::UsageError& e) {
      throw Failure{ORLA_VENDAS_INVALID_ARGUMENT, e.what()};
    }
  });
}

int orla_vendas_set_user(orla_vendas_db* db, const char* user, char** error) {
  return Guarded(error, [&] {
    RequireOpen(db);
    db->user = user == nullptr ? std::nullopt : std::optional<std::string>(user);
  });
}

int orla_vendas_list(orla_vendas_db* db, char** json, char** error) {
  return Guarded(error, [&] {
    if (db != nullptr) {
      RequireOpen(db);
    }
    Require(json, "the result's place");
    *json = nullptr;
    // Defaults and titles read the regional settings of the thread's host platform.
    const std::shared_ptr<const host::Clock> clock = ClockOf(db);
    hostlib::Session session;
    host::InstallPlatform(std::make_shared<app::RunPlatform>(clock, session, nullptr));
    struct Uninstall {
      ~Uninstall() { host::InstallPlatform(nullptr); }
    } uninstall;
    Give(json, app::JsonText(app::ReportCatalogue(clock->Now())));
  });
}

int orla_vendas_run(orla_vendas_db* db, const char* report, const char* parameters, char** json,
                    char** error) {
  return Guarded(error, [&] {
    Require(json, "the result's place");
    *json = nullptr;
    Give(json, OutcomeJson(Run(db, report, parameters)));
  });
}

int orla_vendas_render(orla_vendas_db* db, const char* report, const char* parameters,
                       const char* format, const char* file, char** json, char** error) {
  if (json != nullptr) {
    *json = nullptr;
  }
  return Guarded(error, [&] {
    Require(file, "the file");
    std::optional<engine::Format> chosen;
    if (format != nullptr) {
      chosen = engine::ParseFormat(format);
      if (!chosen) {
        throw Failure{ORLA_VENDAS_OUTPUT,
                      "the format must be pdf, html, xlsx, csv, json or txt, not '" +
                          std::string(format) + "'"};
      }
    } else {
      try {
        chosen = app::FormatOfFile(file);
      } catch (const app::UsageError& e) {
        throw Failure{ORLA_VENDAS_OUTPUT, e.what()};
      }
    }
    const app::RunResult run = Run(db, report, parameters);
    if (json != nullptr) {
      Give(json, OutcomeJson(run));
    }
    if (!run.shown && *chosen != engine::Format::Json) {
      std::string message = "nothing to print: the report was not shown";
      for (const hostlib::MessageRecord& shown : run.session->Messages()) {
        for (const std::string& detail : shown.details) {
          message += "; " + detail;
        }
      }
      throw Failure{ORLA_VENDAS_NOT_SHOWN, message};
    }
    try {
      std::ostringstream ignored;
      // "-" is standard output to the program only; here it is a file of that name.
      const std::string path = std::string_view(file) == app::kStandardOutput
                                   ? "./" + std::string(file)
                                   : std::string(file);
      app::WriteOutcome(run.Outcome(), *chosen, path, ignored, ignored);
    } catch (const app::OutputError& e) {
      throw Failure{ORLA_VENDAS_OUTPUT, e.what()};
    } catch (const std::exception& e) {
      throw Failure{ORLA_VENDAS_OUTPUT, "cannot write " + std::string(file) + ": " + e.what()};
    }
  });
}

}  // extern "C"
