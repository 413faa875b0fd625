// The subscriptions file: how to reach the mail server, and which reports go where and when.
// Read whole and checked before anything runs, so a mistake anywhere in it stops every
// delivery with the line that holds it.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/periods.h"
#include "deliver/schedule.h"
#include "engine/render.h"
#include "reports/descriptor.h"

namespace orla::deliver {

// "FILE:LINE: what is wrong"; "FILE: ..." for a file that cannot be read (line 0); the
// message alone for what is not in a file yet.
class ConfigError : public std::runtime_error {
 public:
  ConfigError(const std::filesystem::path& file, int line, const std::string& message);

  int Line() const { return line_; }
  // What is wrong, without the file and the line.
  const std::string& Message() const { return message_; }

 private:
  int line_;
  std::string message_;
};

struct SmtpSettings {
  std::string server;  // smtps://host:port, or smtp://host:port with STARTTLS
  std::string from;
  std::string user;      // empty: no login
  std::string password;  // from ORLA_SMTP_PASSWORD, else the file; never printed
};

// What to do when the report finds nothing to print.
enum class EmptyPolicy {
  Warn,  // "avisar": a short mail saying nothing was sold, and no file
  Skip,  // "pular": nothing sent, a line in the log
};

struct Subscription {
  std::string name;
  const reports::ReportDescriptor* report = nullptr;
  std::optional<app::Preset> period;
  // NAME and value text as `run` takes them, in the file's order; dates among them take the
  // place of the period's.
  std::vector<std::pair<std::string, std::string>> parameters;
  std::vector<engine::Format> formats;
  Schedule when;
  std::optional<std::filesystem::path> folder;  // made absolute, beside the file when relative
  std::vector<std::string> email;
  EmptyPolicy empty = EmptyPolicy::Warn;
  int line = 0;  // of its [[subscription]]
};

struct Config {
  std::filesystem::path file;
  std::optional<SmtpSettings> smtp;
  std::vector<Subscription> subscriptions;

  // Nothing when no subscription has this name.
  const Subscription* Find(std::string_view name) const;
};

// Raises ConfigError for a file that cannot be read or is not as it should be: a TOML error,
// an unknown key, report, parameter, period, format or policy, a value of the wrong kind, a
// bad schedule or address, a date no one can read, a name given twice, mail without [smtp].
Config LoadConfig(const std::filesystem::path& file);
// The same for text, read as if from `file`.
Config ParseConfig(std::string_view text, const std::filesystem::path& file);

// An address as a mail server takes it in an envelope: local@domain, nothing else.
bool IsMailAddress(std::string_view address);

// The files kept beside the subscriptions file, named after it.
struct ConfigFiles {
  std::filesystem::path state;     // assinaturas.state.json: the last delivery of each
  std::filesystem::path lock;      // assinaturas.lock: one delivery run at a time
  std::filesystem::path outbox;    // assinaturas.outbox/: mail not yet sent
  std::filesystem::path editLock;  // assinaturas.edit.lock: one change to the file at a time
};
ConfigFiles FilesBeside(const std::filesystem::path& config);

// The subscriptions file of the user: $XDG_CONFIG_HOME or ~/.config, then
// orla-vendas/assinaturas.toml.
std::filesystem::path DefaultConfigFile();

}  // namespace orla::deliver
