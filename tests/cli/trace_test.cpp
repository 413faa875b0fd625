// The SQL trace stays one valid JSON object per line whatever bytes a statement carries.
#include "app/trace.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/fakes/host_fakes.h"

namespace orla::cli {
namespace {

TEST(SqlTraceTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  struct Case {
    const char* name;
    std::string sql;
    std::string traced;
  };
  const std::vector<Case> cases = {
      {"Latin-1 letter", "SELECT 'Jos\xE9'", "SELECT 'Jos\xEF\xBF\xBD'"},
      {"cut sequence at the end", "SELECT '\xC3", "SELECT '\xEF\xBF\xBD"},
      {"stray continuation byte", "A\x80Z", "A\xEF\xBF\xBDZ"},
      {"valid UTF-8 kept", "SELECT 'Movimentações'", "SELECT 'Movimentações'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    orla::testing::CallLog log;
    orla::testing::FakeDatabase database(log);
    std::ostringstream out;
    app::SqlTrace trace(out);
    std::unique_ptr<host::Database> traced = trace.Wrap(database);
    traced->OpenRecordSet(c.sql);
    ASSERT_EQ(log.size(), 1u) << "the call still reaches the database";
    const nlohmann::json line = nlohmann::json::parse(out.str());
    EXPECT_EQ(line["call"], "OpenRecordSet");
    EXPECT_EQ(line["sql"].get<std::string>(), c.traced);
  }
}

}  // namespace
}  // namespace orla::cli
