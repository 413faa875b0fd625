#include "deliver/config.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include <toml++/toml.h>

#include "app/parameters.h"
#include "app/value_texts.h"
#include "host/regional_settings.h"
#include "reports/report_list.h"
#include "reports/shared_parameters.h"

namespace orla::deliver {

namespace {

constexpr std::string_view kDataInicial = reports::kDataInicial.name;
constexpr std::string_view kDataFinal = reports::kDataFinal.name;

constexpr std::string_view kTopKeys[] = {"smtp", "subscription"};
constexpr std::string_view kSmtpKeys[] = {"server", "from", "user", "password"};
constexpr std::string_view kSubscriptionKeys[] = {
    "name", "report", "period", "parameters", "formats", "when", "folder", "email", "empty"};

template <size_t N>
bool OneOf(std::string_view key, const std::string_view (&keys)[N]) {
  for (const std::string_view k : keys) {
    if (k == key) {
      return true;
    }
  }
  return false;
}

template <size_t N>
std::string Listed(const std::string_view (&keys)[N]) {
  std::string list;
  for (const std::string_view k : keys) {
    list += (list.empty() ? "" : ", ") + std::string(k);
  }
  return list;
}

int Line(const toml::node& node) {
  return static_cast<int>(node.source().begin.line);
}

// Reads one file's tables, each failure a ConfigError with the file and the line.
class Reader {
 public:
  explicit Reader(const std::filesystem::path& file) : file_(file) {}

  [[noreturn]] void Fail(int line, const std::string& message) const {
    throw ConfigError(file_, line, message);
  }

  template <size_t N>
  void KnownKeys(const toml::table& table, const std::string_view (&keys)[N],
                 std::string_view where) const {
    for (const auto& [key, node] : table) {
      if (!OneOf(key.str(), keys)) {
        Fail(static_cast<int>(key.source().begin.line), "unknown key '" + std::string(key.str()) +
                                                            "' in " + std::string(where) +
                                                            " (it takes " + Listed(keys) + ")");
      }
    }
  }

  // A text key; nothing when it is absent and not `required`.
  std::optional<std::string> Text(const toml::table& table, std::string_view key,
                                  std::string_view where, bool required) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
      if (required) {
        Fail(Line(table), std::string(where) + " has no '" + std::string(key) + "'");
      }
      return std::nullopt;
    }
    if (!node->is_string()) {
      Fail(Line(*node), "'" + std::string(key) + "' must be text in quotes");
    }
    return node->value<std::string>();
  }

  // A key that takes one text or a list of them; each with its line.
  std::vector<std::pair<std::string, int>> Texts(const toml::table& table,
                                                 std::string_view key) const {
    std::vector<std::pair<std::string, int>> texts;
    const toml::node* node = table.get(key);
    if (node == nullptr) {
      return texts;
    }
    const auto take = [&](const toml::node& item) {
      if (!item.is_string()) {
        Fail(Line(item), "'" + std::string(key) + "' must be a list of texts in quotes");
      }
      texts.emplace_back(*item.value<std::string>(), Line(item));
    };
    if (const toml::array* array = node->as_array()) {
      for (const toml::node& item : *array) {
        take(item);
      }
    } else {
      take(*node);
    }
    return texts;
  }

  const std::filesystem::path& File() const { return file_; }

 private:
  const std::filesystem::path& file_;
};

// A parameter's value as `run` takes it on the command line.
std::string ValueText(const Reader& reader, const std::string& name, const toml::node& node) {
  if (const auto text = node.value_exact<std::string>()) {
    return *text;
  }
  if (const auto flag = node.value_exact<bool>()) {
    return *flag ? "true" : "false";
  }
  if (const auto integer = node.value_exact<int64_t>()) {
    return std::to_string(*integer);
  }
  if (const auto number = node.value_exact<double>()) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, *number);
    if (error == std::errc()) {
      return std::string(buffer, end);
    }
  }
  reader.Fail(Line(node), "parameter " + name + " must be text, true/false or a number");
}

std::filesystem::path FolderPath(const std::string& folder, const std::filesystem::path& file) {
  std::filesystem::path path(folder);
  if (folder == "~" || folder.starts_with("~/")) {
    const char* home = std::getenv("HOME");
    path = std::filesystem::path(home != nullptr ? home : "") /
           folder.substr(std::min<size_t>(2, folder.size()));
  }
  if (path.is_relative()) {
    path = file.parent_path() / path;
  }
  return path.lexically_normal();
}

bool IsSubscriptionName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name.front() == '.' || name.front() == '-') {
    return false;
  }
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    if (!plain) {
      return false;
    }
  }
  return true;
}

SmtpSettings ReadSmtp(const Reader& reader, const toml::table& table) {
  reader.KnownKeys(table, kSmtpKeys, "[smtp]");
  SmtpSettings smtp;
  smtp.server = *reader.Text(table, "server", "[smtp]", true);
  const int serverLine = Line(*table.get("server"));
  const bool secure = smtp.server.starts_with("smtps://");
  if (!secure && !smtp.server.starts_with("smtp://")) {
    reader.Fail(serverLine, "server '" + smtp.server +
                                "' must be smtps://host:port or smtp://host:port (STARTTLS)");
  }
  const std::string_view rest = std::string_view(smtp.server).substr(secure ? 8 : 7);
  if (rest.empty() || rest.front() == ':' || rest.front() == '/' ||
      rest.find_first_of(" \t\r\n@") != std::string_view::npos) {
    reader.Fail(serverLine, "server '" + smtp.server + "' names no host");
  }
  smtp.from = *reader.Text(table, "from", "[smtp]", true);
  if (!IsMailAddress(smtp.from)) {
    reader.Fail(Line(*table.get("from")), "from '" + smtp.from + "' is not a mail address");
  }
  smtp.user = reader.Text(table, "user", "[smtp]", false).value_or("");
  if (const char* password = std::getenv("ORLA_SMTP_PASSWORD"); password != nullptr) {
    smtp.password = password;
  } else {
    smtp.password = reader.Text(table, "password", "[smtp]", false).value_or("");
  }
  return smtp;
}

Subscription ReadSubscription(const Reader& reader, const toml::table& table) {
  Subscription s;
  s.line = Line(table);
  reader.KnownKeys(table, kSubscriptionKeys, "[[subscription]]");
  s.name = *reader.Text(table, "name", "[[subscription]]", true);
  if (!IsSubscriptionName(s.name)) {
    reader.Fail(Line(*table.get("name")),
                "name '" + s.name +
                    "' must be letters, digits, '-', '_' or '.', beginning with a letter or "
                    "digit, at most 64");
  }
  const std::string where = "subscription '" + s.name + "'";
  const std::string report = *reader.Text(table, "report", where, true);
  s.report = reports::FindReport(report);
  if (s.report == nullptr) {
    reader.Fail(Line(*table.get("report")),
                "unknown report '" + report + "' (orla-vendas list shows the thirteen)");
  }

  if (const auto period = reader.Text(table, "period", where, false)) {
    s.period = app::ParsePreset(*period);
    if (!s.period) {
      std::string names;
      for (const std::string_view name : app::PresetNames()) {
        names += (names.empty() ? "" : ", ") + std::string(name);
      }
      reader.Fail(Line(*table.get("period")),
                  "unknown period '" + *period + "' (it takes " + names + ")");
    }
  }
  if (const toml::node* parameters = table.get("parameters")) {
    const toml::table* values = parameters->as_table();
    if (values == nullptr) {
      reader.Fail(Line(*parameters), "'parameters' must be a table, { NAME = \"VALUE\", ... }");
    }
    const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
    for (const auto& [key, node] : *values) {
      const std::string name(key.str());
      const std::string text = ValueText(reader, name, node);
      try {
        app::CheckParameters(*s.report, {{name, text}});
      } catch (const app::UsageError& e) {
        reader.Fail(Line(node), e.what());
      }
      for (const reports::Parameter& parameter : s.report->parameters) {
        const bool date =
            parameter.check.kind == reports::Check::Kind::Date ||
            (parameter.check.kind == reports::Check::Kind::OptionalDate && !text.empty());
        if (parameter.name == name && date && !regional.IsDate(text)) {
          reader.Fail(Line(node),
                      "parameter " + name + " = '" + text + "' is not a date dd/mm/yyyy");
        }
      }
      s.parameters.emplace_back(name, text);
    }
  }
  if (s.period) {
    for (const std::string_view date : {kDataInicial, kDataFinal}) {
      bool known = false;
      for (const reports::Parameter& parameter : s.report->parameters) {
        known = known || parameter.name == date;
      }
      if (!known) {
        reader.Fail(Line(*table.get("period")), report + " takes no period");
      }
    }
  }

  for (const auto& [name, line] : reader.Texts(table, "formats")) {
    const auto format = engine::ParseFormat(name);
    if (!format) {
      reader.Fail(line, "unknown format '" + name + "' (pdf, html, xlsx, csv, json or txt)");
    }
    s.formats.push_back(*format);
  }
  if (s.formats.empty()) {
    s.formats.push_back(engine::Format::Pdf);
  }

  const std::string when = *reader.Text(table, "when", where, true);
  try {
    s.when = Schedule::Parse(when);
  } catch (const ScheduleError& e) {
    reader.Fail(Line(*table.get("when")), std::string("when: ") + e.what());
  }

  if (const auto folder = reader.Text(table, "folder", where, false)) {
    if (folder->empty()) {
      reader.Fail(Line(*table.get("folder")), "folder is empty");
    }
    s.folder = FolderPath(*folder, reader.File());
  }
  for (const auto& [address, line] : reader.Texts(table, "email")) {
    if (!IsMailAddress(address)) {
      reader.Fail(line, "'" + address + "' is not a mail address");
    }
    s.email.push_back(address);
  }
  if (!s.folder && s.email.empty()) {
    reader.Fail(s.line, where + " has neither folder nor email: it would deliver nowhere");
  }

  const std::string empty = reader.Text(table, "empty", where, false).value_or("avisar");
  if (empty == "pular") {
    s.empty = EmptyPolicy::Skip;
  } else if (empty != "avisar") {
    reader.Fail(Line(*table.get("empty")),
                "empty = '" + empty + "': it takes \"avisar\" (a short mail) or \"pular\"");
  }
  return s;
}

}  // namespace

ConfigError::ConfigError(const std::filesystem::path& file, int line, const std::string& message)
    : std::runtime_error(file.empty()
                             ? message
                             : file.string() + (line > 0 ? ":" + std::to_string(line) : "") + ": " +
                                   message),
      line_(line),
      message_(message) {}

const Subscription* Config::Find(std::string_view name) const {
  for (const Subscription& s : subscriptions) {
    if (s.name == name) {
      return &s;
    }
  }
  return nullptr;
}

bool IsMailAddress(std::string_view address) {
  const size_t at = address.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == address.size() ||
      address.find('@', at + 1) != std::string_view::npos || address.size() > 254) {
    return false;
  }
  for (const char c : address.substr(0, at)) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 0x7F || std::strchr("\"(),:;<>[\\]", c) != nullptr) {
      return false;
    }
  }
  const std::string_view domain = address.substr(at + 1);
  if (domain.front() == '.' || domain.back() == '.' || domain.front() == '-' ||
      domain.find("..") != std::string_view::npos) {
    return false;
  }
  for (const char c : domain) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    if (!plain) {
      return false;
    }
  }
  return true;
}

Config ParseConfig(std::string_view text, const std::filesystem::path& file) {
  const std::filesystem::path absolute = std::filesystem::absolute(file);
  const Reader reader(absolute);
  toml::table root;
  try {
    root = toml::parse(text, absolute.string());
  } catch (const toml::parse_error& e) {
    reader.Fail(static_cast<int>(e.source().begin.line), std::string(e.description()));
  }
  reader.KnownKeys(root, kTopKeys, "the file");

  Config config;
  config.file = absolute;
  if (const toml::node* smtp = root.get("smtp")) {
    const toml::table* table = smtp->as_table();
    if (table == nullptr) {
      reader.Fail(Line(*smtp), "smtp must be a table: [smtp]");
    }
    config.smtp = ReadSmtp(reader, *table);
  }
  if (const toml::node* list = root.get("subscription")) {
    const toml::array* array = list->as_array();
    if (array == nullptr || !array->is_array_of_tables()) {
      reader.Fail(Line(*list), "subscriptions are tables: [[subscription]]");
    }
    std::set<std::string> names;
    for (const toml::node& node : *array) {
      Subscription s = ReadSubscription(reader, *node.as_table());
      if (!names.insert(s.name).second) {
        reader.Fail(Line(*node.as_table()->get("name")),
                    "a subscription named '" + s.name + "' comes earlier in the file");
      }
      if (!s.email.empty() && !config.smtp) {
        reader.Fail(s.line, "subscription '" + s.name +
                                "' sends mail, but the file has no [smtp] (server, from, user)");
      }
      config.subscriptions.push_back(std::move(s));
    }
  }
  return config;
}

Config LoadConfig(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    throw ConfigError(file, 0, std::string("cannot read it: ") + std::strerror(errno));
  }
  std::ostringstream text;
  text << stream.rdbuf();
  return ParseConfig(text.str(), file);
}

ConfigFiles FilesBeside(const std::filesystem::path& config) {
  const std::filesystem::path absolute = std::filesystem::absolute(config);
  const std::filesystem::path base = absolute.parent_path() / absolute.stem();
  const std::string name = base.string();
  return {name + ".state.json", name + ".lock", name + ".outbox", name + ".edit.lock"};
}

std::filesystem::path DefaultConfigFile() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path folder;
  if (configHome != nullptr && *configHome == '/') {
    folder = configHome;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::filesystem::path(home != nullptr ? home : ".") / ".config";
  }
  return folder / "orla-vendas" / "assinaturas.toml";
}

}  // namespace orla::deliver
