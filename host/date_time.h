// A calendar date with an optional time of day, as the host's date variants carry it.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace orla::host {

class DateTime {
 public:
  // 1970-01-01 00:00:00.
  constexpr DateTime() = default;

  // Nothing when the parts do not name a real moment (31/02, 24:00, year 0).
  static std::optional<DateTime> FromParts(int year, int month, int day, int hour = 0,
                                           int minute = 0, int second = 0);
  // Days since 1970-01-01; seconds since midnight in [0, 86400).
  static DateTime FromDays(int64_t days, int32_t secondsOfDay = 0);

  int Year() const;
  int Month() const;
  int Day() const;
  int Hour() const { return secondsOfDay_ / 3600; }
  int Minute() const { return secondsOfDay_ / 60 % 60; }
  int Second() const { return secondsOfDay_ % 60; }

  int64_t Days() const { return days_; }
  int32_t SecondsOfDay() const { return secondsOfDay_; }
  bool HasTime() const { return secondsOfDay_ != 0; }

  DateTime DateOnly() const { return FromDays(days_); }
  DateTime AddDays(int64_t days) const { return FromDays(days_ + days, secondsOfDay_); }

  // "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when there is a time of day.
  std::string ToIso() const;

  friend constexpr auto operator<=>(const DateTime&, const DateTime&) = default;

 private:
  int64_t days_ = 0;
  int32_t secondsOfDay_ = 0;
};

// Whole days from `from` to `to` (negative when `to` comes first), ignoring the time of day.
inline int64_t DaysBetween(const DateTime& from, const DateTime& to) {
  return to.Days() - from.Days();
}

}  // namespace orla::host
