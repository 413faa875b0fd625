#include "host/date_time.h"

#include <chrono>
#include <cstdio>

namespace orla::host {

namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

year_month_day Civil(int64_t days) {
  return year_month_day{sys_days{std::chrono::days{days}}};
}

}  // namespace

std::optional<DateTime> DateTime::FromParts(int y, int m, int d, int hour, int minute, int second) {
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) {
    return std::nullopt;
  }
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) {
    return std::nullopt;
  }
  return FromDays(sys_days{ymd}.time_since_epoch().count(), hour * 3600 + minute * 60 + second);
}

DateTime DateTime::FromDays(int64_t days, int32_t secondsOfDay) {
  DateTime result;
  result.days_ = days + secondsOfDay / 86400;
  result.secondsOfDay_ = secondsOfDay % 86400;
  if (result.secondsOfDay_ < 0) {
    result.secondsOfDay_ += 86400;
    --result.days_;
  }
  return result;
}

int DateTime::Year() const {
  return static_cast<int>(Civil(days_).year());
}
int DateTime::Month() const {
  return static_cast<int>(static_cast<unsigned>(Civil(days_).month()));
}
int DateTime::Day() const {
  return static_cast<int>(static_cast<unsigned>(Civil(days_).day()));
}

std::string DateTime::ToIso() const {
  char buffer[32];
  if (HasTime()) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", Year(), Month(), Day(),
                  Hour(), Minute(), Second());
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", Year(), Month(), Day());
  }
  return buffer;
}

}  // namespace orla::host
