#include "query/get_sql.h"

#include <gtest/gtest.h>

#include "host/errors.h"
#include "tests/fakes/host_fakes.h"

namespace orla::query {
namespace {

using testing::CallLog;
using testing::FakeDatabase;
using testing::ScopedFakePlatform;

// A builder at every kind that records the kinds called and hands its arguments to `read`.
struct RecordingBuilders {
  std::vector<int> calls;
  std::function<std::string(const BuilderArguments&)> read = [](const BuilderArguments&) {
    return std::string("sql");
  };

  QueryBuilders Make() {
    QueryBuilders builders;
    for (size_t kind = 0; kind < builders.size(); ++kind) {
      builders[kind] = [this, kind](const BuilderArguments& a) {
        calls.push_back(static_cast<int>(kind));
        return read(a);
      };
    }
    return builders;
  }
};

TEST(GetSQL, KindsOutsideTheRangeOrWithoutABuilderGiveEmptyText) {
  ScopedFakePlatform platform;
  CallLog log;
  FakeDatabase db(log);
  RecordingBuilders recording;
  const QueryBuilders builders = recording.Make();
  for (int32_t kind : {11, -1, 1000}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(GetSQL(kind, 0, 0, {"01/03/2024", "31/03/2024"}, &db, nullptr, builders), "");
  }
  EXPECT_TRUE(recording.calls.empty());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(GetSQL(7, 0, 0, {}, nullptr, nullptr, QueryBuilders{}), "");
}

TEST(GetSQL, TheKindsBuilderReadsTheIndexesAndTheArgumentsAsTheRuntimeConverts) {
  ScopedFakePlatform platform;
  CallLog log;
  FakeDatabase db(log);
  host::Value legend{std::string()};
  RecordingBuilders recording;
  recording.read = [&](const BuilderArguments& a) {
    EXPECT_EQ(a.OrderIndex(), 2);
    EXPECT_EQ(a.ClassificationIndex(), 9);
    EXPECT_EQ(a.Text(1), "01/03/2024");
    EXPECT_EQ(a.Text(2), "25");
    EXPECT_TRUE(a.Boolean(3));
    EXPECT_EQ(a.Int32(4), 2) << "2.5 rounds to even";
    EXPECT_DOUBLE_EQ(a.Double(5), 17.5);
    EXPECT_EQ(&a.Database(), &db);
    EXPECT_EQ(a.Extra(), &legend);
    return std::string("ranking sql");
  };
  EXPECT_EQ(GetSQL(3, 2, 9, {"01/03/2024", int32_t{25}, "True", 2.5, "17,5"}, &db, &legend,
                   recording.Make()),
            "ranking sql");
  EXPECT_EQ(recording.calls, std::vector<int>{3});
}

TEST(GetSQL, AMissingPositionAnUnconvertibleValueOrNoDatabaseRaises) {
  ScopedFakePlatform platform;
  RecordingBuilders recording;
  const QueryBuilders builders = recording.Make();
  recording.read = [](const BuilderArguments& a) { return a.Text(4); };
  try {
    GetSQL(3, 0, 0, {"01/03/2024", "31/03/2024", ""}, nullptr, nullptr, builders);
    FAIL() << "A4 is missing";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.Number(), host::error_number::kTypeMismatch);
    EXPECT_NE(e.Description().find("A4"), std::string::npos);
  }
  recording.read = [](const BuilderArguments& a) { return a.Boolean(1) ? "" : "x"; };
  EXPECT_THROW(GetSQL(3, 0, 0, {"talvez"}, nullptr, nullptr, builders), host::HostError);
  recording.read = [](const BuilderArguments& a) { return a.Database().GetConnectionString(); };
  EXPECT_THROW(GetSQL(10, 0, 0, {}, nullptr, nullptr, builders), host::HostError);
}

}  // namespace
}  // namespace orla::query
