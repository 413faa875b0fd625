#include "deliver/subscriptions_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "app/file_names.h"
#include "app/output.h"
#include "app/periods.h"
#include "deliver/config.h"
#include "deliver/file_lock.h"
#include "deliver/state.h"
#include "engine/report.h"
#include "host/regional_settings.h"
#include "reports/report_list.h"
#include "reports/shared_parameters.h"

namespace orla::deliver {

namespace {

using nlohmann::ordered_json;

constexpr std::string_view kDataInicial = reports::kDataInicial.name;
constexpr std::string_view kDataFinal = reports::kDataFinal.name;

constexpr std::string_view kNewFile =
    "# Report subscriptions, delivered by `orla-vendas deliver` (orla-vendas deliver --help\n"
    "# shows every key). Mail needs an [smtp] table: server, from, user.\n";

[[noreturn]] void Refuse(const std::string& message) {
  throw ConfigError({}, 0, message);
}

// A TOML basic string.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Key(std::string_view key) {
  const bool bare = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
  });
  return bare ? std::string(key) : Quoted(key);
}

std::string List(const std::vector<std::string>& items) {
  std::string out = "[";
  for (const std::string& item : items) {
    out += (out.size() > 1 ? ", " : "") + Quoted(item);
  }
  return out + "]";
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  if (!stream) {
    throw ConfigError(file, 0, "cannot read it");
  }
  return text.str();
}

// The value a parameter takes when left out, as text, on `today`.
std::string DefaultText(const reports::Parameter& parameter, const host::DateTime& today) {
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  switch (parameter.fallback.kind) {
    case reports::Default::Kind::FirstDayOfMonth:
      return regional.ShortDate(today.AddDays(1 - today.Day()));
    case reports::Default::Kind::Today:
      return regional.ShortDate(today);
    case reports::Default::Kind::Fixed:
      break;
  }
  return std::string(parameter.fallback.text);
}

// The form's dates as a preset, or as the report's own defaults; the rest of its values
// without those that are the defaults.
void MakeItMove(NewSubscription& s, const reports::ReportDescriptor& report,
                const host::DateTime& today) {
  const auto isDate = [](const auto& p) {
    return p.first == kDataInicial || p.first == kDataFinal;
  };
  if (!s.period) {
    bool defaults = true;
    std::vector<std::pair<std::string, std::string>> dates;
    for (const auto& given : s.parameters) {
      if (!isDate(given)) {
        continue;
      }
      dates.push_back(given);
      for (const reports::Parameter& parameter : report.parameters) {
        defaults = defaults && !(parameter.name == given.first &&
                                 DefaultText(parameter, today) != given.second);
      }
    }
    if (!defaults) {
      const auto period = app::ReportPeriod(report, dates, today);
      if (!period) {
        Refuse("its dates are no dates dd/mm/yyyy");
      }
      const auto preset = app::PresetOf(*period, today);
      if (!preset) {
        const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
        std::string names;
        for (const std::string_view name : app::PresetNames()) {
          names += (names.empty() ? "" : ", ") + std::string(name);
        }
        Refuse("the dates " + regional.ShortDate(period->first) + " to " +
               regional.ShortDate(period->last) +
               " name no period that moves with the days; choose one: " + names);
      }
      s.period = std::string(app::PresetName(*preset));
    }
  }
  std::erase_if(s.parameters, [&](const auto& given) {
    if (isDate(given)) {
      return true;
    }
    for (const reports::Parameter& parameter : report.parameters) {
      if (parameter.name == given.first) {
        return DefaultText(parameter, today) == given.second;
      }
    }
    return false;
  });
}

std::string Block(const NewSubscription& s, const host::DateTime& today) {
  char added[64];
  std::snprintf(added, sizeof added, "%04d-%02d-%02d %02d:%02d", today.Year(), today.Month(),
                today.Day(), today.Hour(), today.Minute());
  std::string block = "\n# Added from the viewer, " + std::string(added) + ".\n[[subscription]]\n";
  block += "name = " + Quoted(s.name) + "\n";
  block += "report = " + Quoted(s.report) + "\n";
  if (s.period) {
    block += "period = " + Quoted(*s.period) + "\n";
  }
  if (!s.parameters.empty()) {
    std::string table;
    for (const auto& [name, value] : s.parameters) {
      table += (table.empty() ? "" : ", ") + Key(name) + " = " + Quoted(value);
    }
    block += "parameters = { " + table + " }\n";
  }
  if (!s.formats.empty()) {
    block += "formats = " + List(s.formats) + "\n";
  }
  block += "when = " + Quoted(s.when) + "\n";
  if (!s.folder.empty()) {
    block += "folder = " + Quoted(s.folder) + "\n";
  }
  if (!s.email.empty()) {
    block += "email = " + List(s.email) + "\n";
  }
  if (!s.empty.empty()) {
    block += "empty = " + Quoted(s.empty) + "\n";
  }
  return block;
}

std::string Text(const ordered_json& value, const char* key) {
  if (!value.is_string()) {
    Refuse(std::string("\"") + key + "\" must be text");
  }
  return value.get<std::string>();
}

std::vector<std::string> Texts(const ordered_json& value, const char* key) {
  std::vector<std::string> texts;
  if (value.is_string()) {
    texts.push_back(value.get<std::string>());
    return texts;
  }
  if (!value.is_array()) {
    Refuse(std::string("\"") + key + "\" must be a list of texts");
  }
  for (const ordered_json& item : value) {
    texts.push_back(Text(item, key));
  }
  return texts;
}

ordered_json Moment(const std::optional<host::DateTime>& moment) {
  return moment ? ordered_json(moment->ToIso()) : ordered_json(nullptr);
}

ordered_json TextOrNull(const std::string& text) {
  return text.empty() ? ordered_json(nullptr) : ordered_json(text);
}

}  // namespace

NewSubscription SubscriptionFromJson(std::string_view json) {
  const ordered_json document = ordered_json::parse(json, nullptr, false);
  if (!document.is_object()) {
    Refuse("a subscription is a JSON object");
  }
  NewSubscription s;
  bool report = false;
  bool when = false;
  for (const auto& [key, value] : document.items()) {
    if (key == "name") {
      s.name = Text(value, "name");
    } else if (key == "report") {
      s.report = Text(value, "report");
      report = true;
    } else if (key == "period") {
      if (!value.is_null()) {
        s.period = Text(value, "period");
      }
    } else if (key == "parameters") {
      if (!value.is_object()) {
        Refuse("\"parameters\" must be an object of NAME: VALUE");
      }
      for (const auto& [name, parameter] : value.items()) {
        if (parameter.is_string()) {
          s.parameters.emplace_back(name, parameter.get<std::string>());
        } else if (parameter.is_boolean() || parameter.is_number_integer()) {
          s.parameters.emplace_back(name, parameter.dump());
        } else {
          Refuse("parameter " + name + " must be text, true/false or a whole number");
        }
      }
    } else if (key == "formats") {
      s.formats = Texts(value, "formats");
    } else if (key == "when") {
      s.when = Text(value, "when");
      when = true;
    } else if (key == "folder") {
      s.folder = value.is_null() ? "" : Text(value, "folder");
    } else if (key == "email") {
      s.email = Texts(value, "email");
    } else if (key == "empty") {
      s.empty = Text(value, "empty");
    } else {
      Refuse("unknown key \"" + key + "\"");
    }
  }
  if (!report || !when) {
    Refuse("a subscription needs \"report\" and \"when\"");
  }
  return s;
}

std::string AddSubscription(const std::filesystem::path& file, NewSubscription subscription,
                            const host::DateTime& today) {
  const reports::ReportDescriptor* report = reports::FindReport(subscription.report);
  if (report == nullptr) {
    Refuse("unknown report '" + subscription.report + "'");
  }
  MakeItMove(subscription, *report, today);

  std::filesystem::create_directories(std::filesystem::absolute(file).parent_path());
  const FileLock lock(FilesBeside(file).editLock);
  const bool exists = std::filesystem::exists(file);
  std::string text = exists ? ReadText(file) : std::string(kNewFile);
  const Config config = ParseConfig(text, file);  // a mistake of its own: its line

  if (subscription.name.empty()) {
    const std::string title = engine::CreateReport(report->layouts.front())->ReportTitle();
    const std::string base =
        app::KebabCase(title) + (subscription.period ? "-" + *subscription.period : "");
    subscription.name = base;
    for (int n = 2; config.Find(subscription.name) != nullptr; ++n) {
      subscription.name = base + "-" + std::to_string(n);
    }
  }
  if (!text.empty() && text.back() != '\n') {
    text += '\n';
  }
  text += Block(subscription, today);
  try {
    ParseConfig(text, file);
  } catch (const ConfigError& e) {
    Refuse(e.Message());
  }

  struct stat info {};
  const mode_t mode = exists && ::stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 0600;
  app::ReplacingFile replacing(file);
  replacing.Stream() << text;
  replacing.Close();
  // The file may hold the mail password: it keeps who may read it.
  if (::chmod(replacing.TemporaryPath().c_str(), mode) != 0) {
    throw app::OutputError("cannot keep the mode of " + file.string());
  }
  replacing.Commit();
  return subscription.name;
}

nlohmann::ordered_json ListSubscriptions(const std::filesystem::path& file) {
  ordered_json list = {{"file", std::filesystem::absolute(file).string()},
                       {"subscriptions", ordered_json::array()}};
  if (!std::filesystem::exists(file)) {
    return list;
  }
  Config config;
  State state;
  try {
    config = LoadConfig(file);
    state = LoadState(FilesBeside(file).state);
  } catch (const std::exception& e) {
    list["problem"] = e.what();
    return list;
  }
  for (const Subscription& s : config.subscriptions) {
    std::vector<std::string> formats;
    for (const engine::Format format : s.formats) {
      formats.emplace_back(engine::FormatName(format));
    }
    const SubscriptionState& seen = state.subscriptions[s.name];
    ordered_json mail = ordered_json::array();
    for (const auto& [name, pending] : state.outbox) {
      if (pending.subscription == s.name) {
        mail.push_back({{"file", name},
                        {"tries", pending.tries},
                        {"next", Moment(pending.next)},
                        {"error", TextOrNull(pending.error)}});
      }
    }
    list["subscriptions"].push_back(
        {{"name", s.name},
         {"report", s.report->name},
         {"period", s.period ? ordered_json(app::PresetName(*s.period)) : ordered_json(nullptr)},
         {"when", s.when.Text()},
         {"formats", formats},
         {"folder", s.folder ? ordered_json(s.folder->string()) : ordered_json(nullptr)},
         {"email", s.email},
         {"empty", s.empty == EmptyPolicy::Skip ? "pular" : "avisar"},
         {"delivered", Moment(seen.delivered)},
         {"outcome", TextOrNull(seen.outcome)},
         {"error", TextOrNull(seen.error)},
         {"mail", mail}});
  }
  return list;
}

}  // namespace orla::deliver
