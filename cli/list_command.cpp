#include "cli/list_command.h"

#include <algorithm>
#include <iomanip>
#include <memory>
#include <vector>

#include "cli/arguments.h"
#include "host/platform.h"
#include "reports/by_name.h"
#include "reports/report_list.h"

namespace orla::cli {

namespace {

constexpr std::string_view kUsage = R"(usage: orla-vendas list

Lists the report operations with their parameters, types and the defaults a run uses when a
parameter is left out (the period defaults to the current month up to today).

example:
  orla-vendas list
)";

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
      return value.AsText().empty() ? "(empty)" : value.AsText();
    case host::Value::Kind::Boolean:
      return value.AsBoolean() ? "true" : "false";
    default:
      return value.Describe();
  }
}

}  // namespace

int ListCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (!arguments.empty()) {
    if (arguments.front() == "--help" || arguments.front() == "-h") {
      out << kUsage;
      return kExitSuccess;
    }
    err << "orla-vendas list: unexpected argument '" << arguments.front() << "'\n";
    return kExitUsage;
  }
  auto platform = std::make_shared<ListingPlatform>();
  host::InstallPlatform(platform);
  const host::DateTime today = platform->Today();
  // In the order of the class's dispatch interface, which is by name.
  std::vector<std::reference_wrapper<const reports::ReportDescriptor>> operations =
      reports::ReportList();
  std::sort(operations.begin(), operations.end(),
            [](const reports::ReportDescriptor& a, const reports::ReportDescriptor& b) {
              return a.name < b.name;
            });
  for (const reports::ReportDescriptor& operation : operations) {
    out << operation.name << '\n';
    for (const reports::Parameter& parameter : operation.parameters) {
      out << "  " << std::left << std::setw(38) << parameter.name << std::setw(16)
          << reports::TypeName(parameter.type) << "default " << std::setw(12)
          << Shown(reports::DefaultValue(parameter, today)) << "  " << parameter.description
          << '\n';
    }
    out << '\n';
  }
  host::InstallPlatform(nullptr);
  return kExitSuccess;
}

}  // namespace orla::cli
