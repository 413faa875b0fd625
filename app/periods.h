// The named periods a user picks instead of dates ("ontem", "mes-passado"), the same for the
// viewer's form and for scheduled delivery, worked out on a given day.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/date_time.h"
#include "reports/descriptor.h"

namespace orla::app {

enum class Preset {
  Hoje,
  Ontem,
  SemanaAtual,
  SemanaPassada,
  MesAtual,
  MesPassado,
  AnoAtual,
  AnoPassado,
};

// "hoje", "ontem", "semana-atual", "semana-passada", "mes-atual", "mes-passado",
// "ano-atual", "ano-passado", in that order.
std::span<const std::string_view> PresetNames();
std::string_view PresetName(Preset preset);
std::optional<Preset> ParsePreset(std::string_view name);
// How a form shows it: "Ontem", "Mês passado".
std::string_view PresetLabel(Preset preset);

// Both days included, without a time of day.
struct Period {
  host::DateTime first;
  host::DateTime last;
  friend bool operator==(const Period&, const Period&) = default;
};

// The period `preset` names on `day`. Weeks run from Monday to Sunday, as the Brazilian
// standard for dates has them; a current week, month or year ends on `day`, since the rest
// of it has no sales yet.
Period PresetPeriod(Preset preset, host::DateTime day);

// The preset that names exactly `period` on `day`, the narrowest first (on the 1st of a
// month "hoje" and "mes-atual" are the same dates, and "hoje" is what a form that ran on
// today's sales meant); nothing when none does.
std::optional<Preset> PresetOf(const Period& period, host::DateTime day);

// The period a run of `report` covers on `today`: the dates among `given` (NAME and value
// text, as `run` takes them), else the preset's when there is one, else the report's own
// defaults. Nothing when a date cannot be read: the report refuses such a period.
std::optional<Period> ReportPeriod(const reports::ReportDescriptor& report,
                                   const std::vector<std::pair<std::string, std::string>>& given,
                                   host::DateTime today, std::optional<Preset> preset = {});

}  // namespace orla::app
