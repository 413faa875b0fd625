// When a subscription is due: "diariamente 06:00", "segundas 07:00", "dia 1 06:00" or a cron
// expression of five fields, read to the minute.
#pragma once

#include <bitset>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/date_time.h"

namespace orla::deliver {

// A text that is no schedule; the message says what was expected.
class ScheduleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Schedule {
 public:
  // Raises ScheduleError.
  static Schedule Parse(std::string_view text);

  const std::string& Text() const { return text_; }
  // Whether the minute of `moment` is one of the schedule's (seconds are ignored).
  bool Matches(const host::DateTime& moment) const;
  // The latest of the schedule's minutes from `from` to `to`, both included; nothing when
  // none falls there. So a machine that was off at the time finds the one delivery it
  // missed, however many it missed, and never one from before `from`.
  std::optional<host::DateTime> LatestBetween(const host::DateTime& from,
                                              const host::DateTime& to) const;

 private:
  bool DayMatches(const host::DateTime& day) const;

  std::string text_;
  std::bitset<60> minutes_;
  std::bitset<24> hours_;
  std::bitset<32> daysOfMonth_;  // 1 to 31
  std::bitset<13> months_;       // 1 to 12
  std::bitset<7> weekdays_;      // 0 Sunday to 6 Saturday
  // Cron's rule: with both day fields restricted, a day that either names is due.
  bool anyDayOfMonth_ = true;
  bool anyWeekday_ = true;
};

}  // namespace orla::deliver
