#include "deliver/schedule.h"

#include <array>
#include <charconv>
#include <vector>

namespace orla::deliver {

namespace {

constexpr std::string_view kExpected =
    "expected \"diariamente HH:MM\", a weekday (\"segundas HH:MM\"), \"dia N HH:MM\" or a cron "
    "expression of five fields (minute hour day month weekday)";

// Sunday first, as cron counts them; with and without the accent, plural and singular.
constexpr std::array<std::array<std::string_view, 4>, 7> kWeekdays = {{
    {"domingos", "domingo", "domingos", "domingo"},
    {"segundas", "segunda", "segundas", "segunda"},
    {"terças", "terça", "tercas", "terca"},
    {"quartas", "quarta", "quartas", "quarta"},
    {"quintas", "quinta", "quintas", "quinta"},
    {"sextas", "sexta", "sextas", "sexta"},
    {"sábados", "sábado", "sabados", "sabado"},
}};

// A schedule that never searches further back than this: every schedule that has any minute
// has one in eight years (29 February is the rarest day).
constexpr int64_t kLongestGapDays = 8 * 366;

std::vector<std::string_view> Words(std::string_view text, char separator = ' ') {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == separator || (separator == ' ' && text[i] == '\t'))) {
      ++i;
    }
    size_t end = i;
    while (end < text.size() && text[end] != separator &&
           !(separator == ' ' && text[end] == '\t')) {
      ++end;
    }
    if (end > i) {
      words.push_back(text.substr(i, end - i));
    }
    i = end;
  }
  return words;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || text.size() > 4 || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// One cron field into `set` (bits lowest..highest); `any` tells whether it began with '*'.
template <size_t N>
void CronField(std::string_view field, std::string_view what, int lowest, int highest,
               std::bitset<N>& set, bool& any) {
  const auto bad = [&](std::string_view why) {
    return ScheduleError("the " + std::string(what) + " field '" + std::string(field) + "' " +
                         std::string(why));
  };
  any = field.starts_with('*');
  for (const std::string_view item : Words(field, ',')) {
    std::string_view range = item;
    int step = 1;
    if (const size_t slash = item.find('/'); slash != std::string_view::npos) {
      const auto s = Number(item.substr(slash + 1));
      if (!s || *s < 1) {
        throw bad("has a step that is no whole number above 0");
      }
      step = *s;
      range = item.substr(0, slash);
    }
    int from = lowest;
    int to = highest;
    if (range != "*") {
      const size_t dash = range.find('-');
      const auto a = Number(range.substr(0, dash));
      const auto b = dash == std::string_view::npos ? a : Number(range.substr(dash + 1));
      if (!a || !b) {
        throw bad("is not *, a number, a range N-M or a list of them");
      }
      if (*a < lowest || *b > highest || *a > *b) {
        throw bad("goes outside " + std::to_string(lowest) + " to " + std::to_string(highest));
      }
      from = *a;
      // N/S runs from N to the end, as cron reads it.
      to = dash == std::string_view::npos && step > 1 ? highest : *b;
    }
    for (int v = from; v <= to; v += step) {
      set.set(static_cast<size_t>(v));
    }
  }
  if (set.none()) {
    throw bad("names no value");
  }
}

// "HH:MM" into the hour and minute sets.
void TimeOfDay(std::string_view text, std::bitset<24>& hours, std::bitset<60>& minutes) {
  const size_t colon = text.find(':');
  const auto h = Number(text.substr(0, colon));
  const auto m = colon == std::string_view::npos ? std::nullopt : Number(text.substr(colon + 1));
  if (!h || !m || *h > 23 || *m > 59 || text.size() - colon != 3) {
    throw ScheduleError("the time '" + std::string(text) + "' is not HH:MM (00:00 to 23:59)");
  }
  hours.set(static_cast<size_t>(*h));
  minutes.set(static_cast<size_t>(*m));
}

}  // namespace

Schedule Schedule::Parse(std::string_view text) {
  Schedule schedule;
  schedule.text_ = std::string(text);
  const std::vector<std::string_view> words = Words(text);
  const auto everyDay = [&] {
    schedule.daysOfMonth_.set();
    schedule.daysOfMonth_.reset(0);
    schedule.months_.set();
    schedule.months_.reset(0);
    schedule.weekdays_.set();
  };
  if (words.size() == 2 && words[0] == "diariamente") {
    everyDay();
    TimeOfDay(words[1], schedule.hours_, schedule.minutes_);
    return schedule;
  }
  if (words.size() == 2) {
    for (size_t day = 0; day < kWeekdays.size(); ++day) {
      for (const std::string_view name : kWeekdays[day]) {
        if (words[0] == name) {
          everyDay();
          schedule.weekdays_.reset();
          schedule.weekdays_.set(day);
          schedule.anyWeekday_ = false;
          TimeOfDay(words[1], schedule.hours_, schedule.minutes_);
          return schedule;
        }
      }
    }
  }
  if (words.size() == 3 && words[0] == "dia") {
    const auto day = Number(words[1]);
    if (!day || *day < 1 || *day > 31) {
      throw ScheduleError("'dia " + std::string(words[1]) + "' is no day of the month");
    }
    // Cron would skip the months without the day; a monthly report left out in silence is
    // worse than a refusal.
    if (*day > 28) {
      throw ScheduleError("day " + std::to_string(*day) +
                          " is missing from some months: use dia 1 to dia 28, or a cron "
                          "expression that says which months");
    }
    everyDay();
    schedule.daysOfMonth_.reset();
    schedule.daysOfMonth_.set(static_cast<size_t>(*day));
    schedule.anyDayOfMonth_ = false;
    TimeOfDay(words[2], schedule.hours_, schedule.minutes_);
    return schedule;
  }
  if (words.size() == 5) {
    bool ignored = false;
    CronField(words[0], "minute", 0, 59, schedule.minutes_, ignored);
    CronField(words[1], "hour", 0, 23, schedule.hours_, ignored);
    CronField(words[2], "day", 1, 31, schedule.daysOfMonth_, schedule.anyDayOfMonth_);
    CronField(words[3], "month", 1, 12, schedule.months_, ignored);
    std::bitset<8> weekdays;  // 0 to 7, both Sunday
    CronField(words[4], "weekday", 0, 7, weekdays, schedule.anyWeekday_);
    for (size_t day = 0; day < 7; ++day) {
      schedule.weekdays_[day] = weekdays[day] || (day == 0 && weekdays[7]);
    }
    return schedule;
  }
  throw ScheduleError(std::string(kExpected) + ", got '" + std::string(text) + "'");
}

bool Schedule::DayMatches(const host::DateTime& day) const {
  if (!months_[static_cast<size_t>(day.Month())]) {
    return false;
  }
  const bool dayOfMonth = daysOfMonth_[static_cast<size_t>(day.Day())];
  // 1970-01-01 was a Thursday.
  const int64_t weekday = ((day.Days() + 4) % 7 + 7) % 7;
  const bool dayOfWeek = weekdays_[static_cast<size_t>(weekday)];
  if (!anyDayOfMonth_ && !anyWeekday_) {
    return dayOfMonth || dayOfWeek;
  }
  return dayOfMonth && dayOfWeek;
}

bool Schedule::Matches(const host::DateTime& moment) const {
  return DayMatches(moment) && hours_[static_cast<size_t>(moment.Hour())] &&
         minutes_[static_cast<size_t>(moment.Minute())];
}

std::optional<host::DateTime> Schedule::LatestBetween(const host::DateTime& from,
                                                      const host::DateTime& to) const {
  // Whole minutes: a `from` within a minute starts at the next one.
  const int64_t fromMinute = from.Days() * 1440 + (from.SecondsOfDay() + 59) / 60;
  const int64_t toMinute = to.Days() * 1440 + to.SecondsOfDay() / 60;
  const int64_t firstDay = std::max(fromMinute / 1440, to.Days() - kLongestGapDays);
  for (int64_t day = toMinute / 1440; day >= firstDay; --day) {
    const host::DateTime date = host::DateTime::FromDays(day);
    if (!DayMatches(date)) {
      continue;
    }
    const int64_t high = std::min<int64_t>(toMinute - day * 1440, 1439);
    const int64_t low = std::max<int64_t>(fromMinute - day * 1440, 0);
    for (int64_t minute = high; minute >= low; --minute) {
      if (hours_[static_cast<size_t>(minute / 60)] && minutes_[static_cast<size_t>(minute % 60)]) {
        return host::DateTime::FromDays(day, static_cast<int32_t>(minute * 60));
      }
    }
  }
  return std::nullopt;
}

}  // namespace orla::deliver
