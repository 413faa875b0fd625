// What one report is, for the people who run it and for the code: its operation, layouts,
// query builder, working tables and parameters with their labels, defaults, choices, checks
// and rules. Each unit describes its report beside its code; report_list.cpp lists them one
// line each, and the by-name face, GetSQL's builders, `list`, the viewer's catalogue, the C
// interface and the TempDB turn all read that list. Texts for people are Portuguese.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/report_engine.h"
#include "host/value.h"
#include "query/get_sql.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla::reports {

enum class ParameterType { Text, Boolean, Int16, Int32, Double };

constexpr std::string_view TypeName(ParameterType type) {
  switch (type) {
    case ParameterType::Text:
      return "text";
    case ParameterType::Boolean:
      return "Boolean";
    case ParameterType::Int16:
      return "16-bit integer";
    case ParameterType::Int32:
      return "32-bit integer";
    case ParameterType::Double:
      return "double";
  }
  return "?";
}

// How a form asks for the value.
enum class Input { Date, Switch, Choice, Picker, Number, Text };

struct Choice {
  int32_t value;
  std::string_view label;
};

// What a parameter is when the caller leaves it out.
struct Default {
  enum class Kind { Fixed, FirstDayOfMonth, Today };
  Kind kind = Kind::Fixed;
  std::string_view text;  // a fixed value, as `run` takes it
};

// What a form can check of a value before running. `run` itself refuses a bad entry count or
// payment-form list, which would otherwise reach the statement as it stands; the others the
// report takes as they come (it refuses an invalid period with its own message, ignores an
// invalid forecast end, and a code list the database does not read fails the run).
struct Check {
  enum class Kind { None, Date, OptionalDate, EntryCount, Rate, QuotedNames, CodeList };
  Kind kind = Kind::None;
  std::string_view message;
};

// How one parameter depends on another, for a form to show.
struct Dependency {
  enum class Effect { ForcedBy, UsedOnlyWhen, IgnoredWhen };
  enum class When { NotEmpty, Equals, NotEquals };
  Effect effect;
  std::string_view parameter;
  When when;
  std::string_view value;   // what `parameter` is compared with
  std::string_view forced;  // ForcedBy: the value this parameter then takes
  std::string_view note;
};

// How a filter reads in a printed line of filters ("Turno T1 · Produto 4 - ÓLEO DIESEL S-10 ·
// Formas de pagamento: Dinheiro, PIX"), where it stands only when its value is not its
// default. A picker's value reads as its entry in the picker's list; several, joined by ", ".
struct Shown {
  enum class As { Never, Value, Label, ValueAndLabel, Choice, Phrase };
  As as = As::Never;
  std::string_view text;  // the words before the value; for Phrase, all of it
};

struct PickerSource;

struct Parameter {
  std::string_view name;  // as the library has it
  ParameterType type = ParameterType::Text;
  std::string_view description;  // for `list`
  std::string_view label;
  std::string_view help;
  Default fallback{};
  Input input = Input::Text;
  std::span<const Choice> choices{};
  const PickerSource* picker = nullptr;
  bool multiple = false;  // several picked values, in the form `check` names
  Check check{};
  std::span<const Dependency> dependencies{};
  Shown shown{};
  bool used = true;  // false: accepted and passed on, without effect on the report
};

// A rule over several parameters, of which a switch is on when true, a number when not 0 and
// a text when not empty: InOrder, each date not later than the next; AtLeastOne, one of them
// on; AllOffMeans, what the report does with all of them off; WithAnyOf, what it does when
// the first and any of the others are on.
struct Rule {
  enum class Kind { InOrder, AtLeastOne, AllOffMeans, WithAnyOf };
  Kind kind;
  std::span<const std::string_view> parameters;
  bool refused;  // the run would fail, rather than give what the message says
  std::string_view message;
};

// The figure a short note on the report leads with (the mail of a scheduled delivery): the
// sum over the rows of one money field of its layouts (a column or a computed field), and
// its name for people. No field: the note gives none.
struct MainTotal {
  std::string_view field;
  std::string_view label;
};

struct ReportDescriptor;

// What a drill-down puts in one of its target's parameters, from a field of the clicked row:
// the value as it stands, a day as the period's first or last date ("dd/mm/aaaa"), a name in
// single quotes for a list of names, or the code `picker` gives for a name the row prints (a
// name two entries share leads nowhere). A `prefix` is what the statement wrote before the key
// ("T" before a shift's code): the parameter takes what follows it.
struct DrillValue {
  enum class From { Value, Day, QuotedName, CodeOfName };
  std::string_view parameter;  // the target's
  std::string_view field;      // the row's, a layout field
  From from = From::Value;
  std::string_view prefix{};
  const PickerSource* picker = nullptr;  // for CodeOfName
};

// A figure that leads to the sales behind it: a click on a cell of `fields` runs `target` with
// the run's own values of the parameters both take alike (same name, type and description:
// the period, the view, the adjustment and product-kind switches), and `values` from the row. With
// a `when`, only while the run's parameter has (or, `equals` false, has not) that value text.
// `note` says where the target cannot take the key exactly. A row without the key (a total) leads
// nowhere.
struct Drill {
  struct When {
    std::string_view parameter;  // empty: always
    bool equals = true;
    std::string_view value;
  };
  std::span<const std::string_view> fields;
  const ReportDescriptor* target = nullptr;
  std::span<const DrillValue> values;
  When when{};
  std::string_view note;
};

struct ExampleValue {
  std::string_view name;
  std::string_view value;
};

// The operation's filters after the six common parameters, in call order, each already of
// its parameter's type.
using ArgumentList = std::vector<host::Value>;

// Reads an argument list that the by-name face already coerced.
class Positional {
 public:
  explicit Positional(const ArgumentList& list) : list_(list) {}
  std::string Text(size_t i) const { return list_.at(i).AsText(); }
  bool Bool(size_t i) const { return list_.at(i).AsBoolean(); }
  int32_t Int32(size_t i) const { return static_cast<int32_t>(list_.at(i).AsInteger()); }
  int16_t Int16(size_t i) const { return static_cast<int16_t>(list_.at(i).AsInteger()); }
  double Double(size_t i) const { return list_.at(i).AsDouble(); }

 private:
  const ArgumentList& list_;
};

struct ReportDescriptor {
  std::string_view name;  // the operation
  std::string_view group;
  std::string_view summary;
  std::span<const std::string_view> layouts;  // the first is the one the defaults print
  std::optional<int32_t> kind;                // GetSQL's; none when the report builds its own
  std::string_view builder;                   // the query builder's name
  std::string (*build)(const query::BuilderArguments&) = nullptr;  // reads A1 onwards
  std::span<const std::string_view> workingTables;
  std::span<const Parameter> parameters;
  std::span<const Rule> rules{};
  std::span<const ExampleValue> example{};
  MainTotal mainTotal{};
  std::span<const Drill> drills{};
  // Calls the operation with the arguments in its parameters' order.
  bool (*invoke)(Reports& reports, const service::HostObjects& host, host::ReportRef& oRPT,
                 const ArgumentList& arguments) = nullptr;
};

}  // namespace orla::reports
