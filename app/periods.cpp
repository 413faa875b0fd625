#include "app/periods.h"

#include <algorithm>
#include <array>

#include "host/regional_settings.h"
#include "reports/shared_parameters.h"

namespace orla::app {

namespace {

constexpr std::array<std::string_view, 8> kNames = {
    "hoje",      "ontem",       "semana-atual", "semana-passada",
    "mes-atual", "mes-passado", "ano-atual",    "ano-passado",
};

constexpr std::array<std::string_view, 8> kLabels = {
    "Hoje",     "Ontem",       "Esta semana", "Semana passada",
    "Este mês", "Mês passado", "Este ano",    "Ano passado",
};

// 1970-01-01 was a Thursday: days since then, moved so that Monday gives 0.
int DaysSinceMonday(const host::DateTime& day) {
  const int64_t weekday = (day.Days() + 3) % 7;
  return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

host::DateTime FirstOfMonth(const host::DateTime& day) {
  return day.AddDays(1 - day.Day());
}

host::DateTime FirstOfYear(const host::DateTime& day) {
  return *host::DateTime::FromParts(day.Year(), 1, 1);
}

}  // namespace

std::span<const std::string_view> PresetNames() {
  return kNames;
}

std::string_view PresetName(Preset preset) {
  return kNames[static_cast<size_t>(preset)];
}

std::string_view PresetLabel(Preset preset) {
  return kLabels[static_cast<size_t>(preset)];
}

std::optional<Preset> ParsePreset(std::string_view name) {
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) {
      return static_cast<Preset>(i);
    }
  }
  return std::nullopt;
}

Period PresetPeriod(Preset preset, host::DateTime day) {
  day = day.DateOnly();
  switch (preset) {
    case Preset::Hoje:
      return {day, day};
    case Preset::Ontem:
      return {day.AddDays(-1), day.AddDays(-1)};
    case Preset::SemanaAtual:
      return {day.AddDays(-DaysSinceMonday(day)), day};
    case Preset::SemanaPassada: {
      const host::DateTime monday = day.AddDays(-DaysSinceMonday(day) - 7);
      return {monday, monday.AddDays(6)};
    }
    case Preset::MesAtual:
      return {FirstOfMonth(day), day};
    case Preset::MesPassado: {
      const host::DateTime last = FirstOfMonth(day).AddDays(-1);
      return {FirstOfMonth(last), last};
    }
    case Preset::AnoAtual:
      return {FirstOfYear(day), day};
    case Preset::AnoPassado: {
      const host::DateTime last = FirstOfYear(day).AddDays(-1);
      return {FirstOfYear(last), last};
    }
  }
  return {day, day};
}

std::optional<Preset> PresetOf(const Period& period, host::DateTime day) {
  for (size_t i = 0; i < kNames.size(); ++i) {
    const auto preset = static_cast<Preset>(i);
    if (PresetPeriod(preset, day) == period) {
      return preset;
    }
  }
  return std::nullopt;
}

std::optional<Period> ReportPeriod(const reports::ReportDescriptor& report,
                                   const std::vector<std::pair<std::string, std::string>>& given,
                                   host::DateTime today, std::optional<Preset> preset) {
  constexpr std::string_view kFirst = reports::kDataInicial.name;
  constexpr std::string_view kLast = reports::kDataFinal.name;
  today = today.DateOnly();
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  std::optional<Period> period = Period{today, today};
  if (preset) {
    period = PresetPeriod(*preset, today);
  }
  const auto read = [&](std::string_view text, host::DateTime& date) {
    const auto value = regional.ReadDate(text);
    if (!value) {
      period.reset();
      return;
    }
    date = value->DateOnly();
  };
  for (const reports::Parameter& parameter : report.parameters) {
    if (parameter.name != kFirst && parameter.name != kLast) {
      continue;
    }
    host::DateTime& date = parameter.name == kFirst ? period->first : period->last;
    const auto named = std::find_if(given.begin(), given.end(),
                                    [&](const auto& g) { return g.first == parameter.name; });
    if (named != given.end()) {
      read(named->second, date);
    } else if (preset) {
      continue;
    } else if (parameter.fallback.kind == reports::Default::Kind::FirstDayOfMonth) {
      date = today.AddDays(1 - today.Day());
    } else if (parameter.fallback.kind == reports::Default::Kind::Fixed) {
      read(parameter.fallback.text, date);
    }
    if (!period) {
      return std::nullopt;
    }
  }
  return period;
}

}  // namespace orla::app
