#include "deliver/schedule.h"

#include <gtest/gtest.h>

namespace orla::deliver {
namespace {

host::DateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  return *host::DateTime::FromParts(year, month, day, hour, minute, second);
}

TEST(Schedule, RefusesWhatIsNoSchedule) {
  const char* texts[] = {
      "diariamente 6h", "diariamente 24:00", "segundas 07:0", "toda segunda 07:00",
      "dia 0 06:00",    "dia 31 06:00",      "0 6 * *",       "60 * * * *",
      "0 6 * * 8",      "*/0 * * * *",       "5-1 * * * *",   "0 6 * jan *",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_THROW(Schedule::Parse(text), ScheduleError);
  }
}

TEST(Schedule, MatchesItsMinutes) {
  struct Row {
    const char* when;
    host::DateTime moment;
    bool due;
  };
  const Row rows[] = {
      {"diariamente 06:00", At(2024, 2, 29, 6, 0, 59), true},
      {"diariamente 06:00", At(2024, 2, 29, 6, 1), false},
      {"segundas 07:00", At(2024, 3, 4, 7, 0), true},  // a Monday
      {"segundas 07:00", At(2024, 3, 5, 7, 0), false},
      {"sábados 07:00", At(2024, 3, 9, 7, 0), true},
      {"dia 1 06:00", At(2024, 3, 1, 6, 0), true},
      {"dia 1 06:00", At(2024, 3, 2, 6, 0), false},
      {"*/15 8-18 * * 1-5", At(2024, 3, 8, 18, 45), true},  // a Friday
      {"*/15 8-18 * * 1-5", At(2024, 3, 8, 19, 0), false},
      {"*/15 8-18 * * 1-5", At(2024, 3, 9, 9, 0), false},  // a Saturday
      {"0 0 * * 7", At(2024, 3, 10, 0, 0), true},          // 7 is Sunday too
      // With both day fields given, cron takes a day that either names.
      {"0 6 1 * 0", At(2024, 3, 1, 6, 0), true},   // the 1st, a Friday
      {"0 6 1 * 0", At(2024, 3, 3, 6, 0), true},   // a Sunday
      {"0 6 1 * 0", At(2024, 3, 2, 6, 0), false},  // neither
      {"0 6 1,15 * *", At(2024, 3, 15, 6, 0), true},
      {"0 6 * 2 *", At(2024, 3, 1, 6, 0), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.when) + " at " + row.moment.ToIso());
    EXPECT_EQ(Schedule::Parse(row.when).Matches(row.moment), row.due);
  }
}

TEST(Schedule, FindsTheOneDeliveryAMachineOffMissed) {
  struct Row {
    const char* why;
    const char* when;
    host::DateTime from;
    host::DateTime to;
    std::optional<host::DateTime> latest;
  };
  const Row rows[] = {
      {"off for three mornings: the last one, once", "diariamente 06:00", At(2024, 3, 1, 6, 1),
       At(2024, 3, 4, 9, 0), At(2024, 3, 4, 6, 0)},
      {"already delivered this morning", "diariamente 06:00", At(2024, 3, 4, 6, 1),
       At(2024, 3, 4, 9, 0), std::nullopt},
      {"both ends count", "diariamente 06:00", At(2024, 3, 4, 6, 0), At(2024, 3, 4, 6, 0),
       At(2024, 3, 4, 6, 0)},
      {"a start within the minute has passed it", "diariamente 06:00", At(2024, 3, 4, 6, 0, 30),
       At(2024, 3, 4, 6, 59), std::nullopt},
      {"not yet today", "diariamente 06:00", At(2024, 3, 4, 6, 1), At(2024, 3, 5, 5, 59),
       std::nullopt},
      {"a month's first day missed", "dia 1 06:00", At(2024, 1, 15, 0, 0), At(2024, 3, 10, 0, 0),
       At(2024, 3, 1, 6, 0)},
      {"a leap day, years away", "0 6 29 2 *", At(2025, 1, 1, 0, 0), At(2028, 3, 1, 0, 0),
       At(2028, 2, 29, 6, 0)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const auto latest = Schedule::Parse(row.when).LatestBetween(row.from, row.to);
    ASSERT_EQ(latest.has_value(), row.latest.has_value());
    if (latest) {
      EXPECT_EQ(latest->ToIso(), row.latest->ToIso());
    }
  }
}

}  // namespace
}  // namespace orla::deliver
