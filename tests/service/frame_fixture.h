// Runs operations by name against the recording fakes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "query/fragments.h"
#include "reports/by_name.h"
#include "service/reports.h"
#include "tests/fakes/expected_texts.h"
#include "tests/fakes/host_fakes.h"

namespace orla::service {

using reports::CallByName;
using reports::NamedValue;

// The fiscal-document condition of March 2024 on the columns of `prefix`.
inline std::string MarchDocuments(std::string_view prefix) {
  return query::Replace(query::Replace(query::Replace(query::SaleDocumentFilter, "{c}", prefix),
                                       "@dtInicial", "2024/03/01"),
                        "@dtFinal", "2024/03/31");
}

// Switches many requests turn.
inline const NamedValue kIgnoreComplementary{"Filtro_IsIgnorarADVendaComplementar", true};
inline const NamedValue kIgnoreOthers{"Filtro_IsIgnorarADOutrosTipos", true};
inline const NamedValue kNoFuels{"Filtro_IsExibirCombustiveis", false};
inline const NamedValue kNoOtherProducts{"Filtro_IsExibirOutrosProdutos", false};

// One request of a table of cases: its values, and what the fakes must do for it beyond
// answering every query with no rows.
struct Request {
  std::string name;
  std::vector<NamedValue> values;
  std::function<void()> setup = nullptr;
};

class FrameTest : public ::testing::Test {
 protected:
  orla::testing::ScopedFakePlatform platform;
  orla::testing::FakeViewer viewer;
  host::Object form;
  orla::testing::FakeDatabase db{platform->log};
  orla::testing::FakeCompany company;
  Reports instance;
  host::ReportRef oRPT;

  bool Run(std::string_view operation, std::vector<NamedValue> values = {}) {
    if (std::none_of(values.begin(), values.end(),
                     [](const NamedValue& v) { return v.name == "Filtro_DataInicial"; })) {
      values.push_back({"Filtro_DataInicial", "01/03/2024"});
      values.push_back({"Filtro_DataFinal", "31/03/2024"});
    }
    return CallByName(instance, operation, {&viewer, &form, &db, &company, nullptr}, oRPT, values);
  }

  // The log without the calls' arguments: "SetHeaderLine(1, x)" becomes "SetHeaderLine".
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const std::string& entry : platform->log) {
      calls.push_back(entry.substr(0, entry.find('(')));
    }
    return calls;
  }

  // Runs each request on fakes as they were at the start, and checks the calls it made against
  // the request's section of `expected`: those `keep` keeps, or all of them and the result.
  void ExpectCalls(orla::testing::ExpectedTexts& expected, std::string_view operation,
                   const std::vector<Request>& requests,
                   const std::function<bool(const std::string&)>& keep = nullptr) {
    for (const Request& request : requests) {
      SCOPED_TRACE(request.name);
      platform->log.clear();
      platform->behaviour = {};
      db.opened = false;
      db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::Empty(); };
      if (request.setup) {
        request.setup();
      }
      const bool result = Run(operation, request.values);
      std::vector<std::string> calls;
      std::copy_if(platform->log.begin(), platform->log.end(), std::back_inserter(calls),
                   [&](const std::string& call) { return !keep || keep(call); });
      if (!keep) {
        calls.emplace_back(result ? "true" : "false");
      }
      expected.Check(request.name, calls);
    }
  }
  void ExpectCalls(const std::string& file, std::string_view operation,
                   const std::vector<Request>& requests) {
    orla::testing::ExpectedTexts expected(file);
    ExpectCalls(expected, operation, requests);
  }

  orla::testing::FakeReport& Held() {
    auto* report = dynamic_cast<orla::testing::FakeReport*>(oRPT.get());
    if (report == nullptr) {
      throw std::logic_error("oRPT holds no report");
    }
    return *report;
  }
};

}  // namespace orla::service
