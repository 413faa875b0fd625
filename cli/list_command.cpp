#include "cli/list_command.h"

#include <algorithm>
#include <iomanip>
#include <memory>
#include <vector>

#include "cli/arguments.h"
#include "engine/report.h"
#include "host/platform.h"
#include "hostlib/messages.h"
#include "reports/by_name.h"
#include "reports/report_list.h"

namespace orla::cli {

namespace {

using hostlib::Say;

std::string Usage() {
  return Say(R"(usage: orla-vendas list

Lists the report operations by group, each with the title its report prints, then its
parameters, types and the defaults a run uses when a parameter is left out (the period
defaults to the current month up to today).

example:
  orla-vendas list
)");
}

// Defaults need regional settings and today, but nothing else of a platform.
class ListingPlatform final : public host::Platform {
 public:
  int32_t MsgBox(const std::string&, int32_t, const std::string&) override { return 1; }
  std::unique_ptr<host::Command> CreateCommand(std::string_view) override { return nullptr; }
  host::ReportRef CreateReport(std::string_view) override { return nullptr; }
  std::unique_ptr<host::ReportHelper> CreateReportHelper() override { return nullptr; }
  std::unique_ptr<host::HostUtilities> CreateHostUtilities() override { return nullptr; }
  std::unique_ptr<host::ErrorReporter> CreateErrorReporter() override { return nullptr; }
};

std::string Shown(const host::Value& value) {
  switch (value.GetKind()) {
    case host::Value::Kind::Text:
      return value.AsText().empty() ? Say("(empty)") : value.AsText();
    case host::Value::Kind::Boolean:
      return value.AsBoolean() ? "true" : "false";
    default:
      return value.Describe();
  }
}

std::string TypeText(reports::ParameterType type) {
  switch (type) {
    case reports::ParameterType::Text:
      return Say("text");
    case reports::ParameterType::Boolean:
      return Say("Boolean");
    case reports::ParameterType::Int16:
      return Say("16-bit integer");
    case reports::ParameterType::Int32:
      return Say("32-bit integer");
    case reports::ParameterType::Double:
      return Say("double");
  }
  return std::string(reports::TypeName(type));
}

// The reports' own words for people where the messages are Portuguese.
std::string Description(const reports::Parameter& parameter) {
  if (!hostlib::SayingPortuguese() || parameter.label.empty()) {
    return std::string(parameter.description);
  }
  return parameter.help.empty() ? std::string(parameter.label)
                                : std::string(parameter.label) + ": " + std::string(parameter.help);
}

// Pads to `width` characters as a terminal counts them, not bytes.
std::string Padded(const std::string& text, size_t width) {
  size_t characters = 0;
  for (const char c : text) {
    characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  }
  return text + std::string(characters < width ? width - characters : 0, ' ');
}

}  // namespace

int ListCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (!arguments.empty()) {
    if (arguments.front() == "--help" || arguments.front() == "-h") {
      out << Usage();
      return kExitSuccess;
    }
    err << "orla-vendas list: " << Say("unexpected argument '%s'", {arguments.front()}) << '\n';
    return kExitUsage;
  }
  auto platform = std::make_shared<ListingPlatform>();
  host::InstallPlatform(platform);
  const host::DateTime today = platform->Today();
  // The groups as the viewer lists them; in each, the operations by name.
  std::vector<std::string_view> groups;
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    if (std::ranges::find(groups, operation.group) == groups.end()) {
      groups.push_back(operation.group);
    }
  }
  std::vector<std::reference_wrapper<const reports::ReportDescriptor>> operations =
      reports::ReportList();
  std::ranges::sort(
      operations, [&](const reports::ReportDescriptor& a, const reports::ReportDescriptor& b) {
        const auto group = [&](std::string_view g) { return std::ranges::find(groups, g); };
        return group(a.group) != group(b.group) ? group(a.group) < group(b.group) : a.name < b.name;
      });
  std::string_view group;
  for (const reports::ReportDescriptor& operation : operations) {
    if (operation.group != group) {
      group = operation.group;
      out << "== " << group << " ==\n\n";
    }
    out << operation.name << ": " << engine::CreateReport(operation.layouts.front())->ReportTitle()
        << '\n';
    for (const reports::Parameter& parameter : operation.parameters) {
      out << "  " << Padded(std::string(parameter.name), 38) << Padded(TypeText(parameter.type), 16)
          << Say("default") << ' ' << Padded(Shown(reports::DefaultValue(parameter, today)), 12)
          << "  " << Description(parameter) << '\n';
    }
    out << '\n';
  }
  host::InstallPlatform(nullptr);
  return kExitSuccess;
}

}  // namespace orla::cli
