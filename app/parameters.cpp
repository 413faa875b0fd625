#include "app/parameters.h"

#include <algorithm>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "app/value_texts.h"
#include "host/regional_settings.h"
#include "hostlib/messages.h"
#include "reports/report_list.h"

namespace orla::app {

namespace {

using hostlib::Say;

host::Value TypedValue(const reports::Parameter& parameter, const std::string& text) {
  const std::string what(parameter.name);
  switch (parameter.type) {
    case reports::ParameterType::Text:
      // SQLite ends a statement at a NUL, which would leave the value's literal open.
      if (text.find('\0') != std::string::npos) {
        throw UsageError(Say("%s cannot hold a NUL character", {what}));
      }
      // The two the report places into its statement as they stand.
      switch (parameter.check.kind) {
        case reports::Check::Kind::QuotedNames:
          return CheckQuotedNameList(text, what);
        case reports::Check::Kind::EntryCount:
          return CheckEntryCount(text, what);
        default:
          return text;
      }
    case reports::ParameterType::Boolean:
      return ParseBoolean(text, what);
    case reports::ParameterType::Int16:
    case reports::ParameterType::Int32: {
      const int64_t number = ParseInteger(text, what);
      const int64_t limit = parameter.type == reports::ParameterType::Int16 ? 32767 : 2147483647;
      if (number < -limit - 1 || number > limit) {
        throw UsageError(Say("%s expects a whole number from %s to %s, got '%s'",
                             {what, std::to_string(-limit - 1), std::to_string(limit), text}));
      }
      return number;
    }
    case reports::ParameterType::Double:
      return ParseDecimal(text, what);
  }
  return {};
}

// A JSON value's kind in the reader's words.
std::string KindWord(std::string_view kind) {
  if (kind == "null") {
    return Say("null");
  }
  if (kind == "boolean") {
    return Say("boolean");
  }
  if (kind == "number") {
    return Say("number");
  }
  if (kind == "string") {
    return Say("string");
  }
  if (kind == "object") {
    return Say("object");
  }
  if (kind == "array") {
    return Say("array");
  }
  return Say("binary");
}

// Reads the object as it goes, so that a name given twice is seen (a parsed object keeps the
// last one) and a number beyond a double is told apart from broken JSON.
class ParameterReader final : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit ParameterReader(JsonValues accepted) : accepted_(accepted) {}

  std::vector<Assignment> Take() {
    if (jsonProblem_) {
      throw JsonParametersError(*jsonProblem_);
    }
    if (parameterProblem_) {
      throw UsageError(*parameterProblem_);
    }
    return std::move(assignments_);
  }

  bool null() override { return Value("null", std::nullopt); }
  bool boolean(bool value) override { return Value("boolean", value ? "true" : "false"); }
  bool number_integer(number_integer_t value) override {
    return Value("number", std::to_string(value));
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Value("number", std::to_string(value));
  }
  bool number_float(number_float_t value, const string_t& text) override {
    // The reader gives infinity as an error of its own, but rounds 1e-400 to zero silently.
    if (value == 0 &&
        text.substr(0, text.find_first_of("eE")).find_first_of("123456789") != std::string::npos) {
      return OutOfRange(text);
    }
    return Value("number", nlohmann::json(value).dump());
  }
  bool string(string_t& value) override { return Value("string", value); }
  bool binary(binary_t&) override { return Value("binary", std::nullopt); }
  bool start_object(std::size_t) override { return Open("object"); }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open("array"); }
  bool end_array() override { return Close(); }
  bool key(string_t& name) override {
    if (depth_ == 1) {
      name_ = name;
      if (!names_.insert(name).second) {
        Refuse(Say("parameter %s is given twice", {name}));
      }
    }
    return true;
  }
  bool parse_error(std::size_t, const std::string& token,
                   const nlohmann::detail::exception& error) override {
    constexpr int kNumberOverflow = 406;
    if (error.id == kNumberOverflow) {
      return OutOfRange(token);
    }
    jsonProblem_ = Say("the parameters are not JSON: %s", {error.what()});
    return false;
  }

 private:
  bool Value(const char* kind, std::optional<std::string> text) {
    if (depth_ == 0) {
      return NotAnObject(kind);
    }
    if (depth_ > 1) {
      return true;  // inside a value already refused
    }
    const bool taken = text && (accepted_ == JsonValues::TextBooleanOrNumber ||
                                std::string_view(kind) == "string");
    if (taken) {
      assignments_.emplace_back(name_, std::move(*text));
    } else {
      RefuseKind(kind);
    }
    return true;
  }

  bool Open(const char* kind) {
    if (depth_ == 0 && std::string_view(kind) != "object") {
      return NotAnObject(kind);
    }
    if (depth_ == 1) {
      RefuseKind(kind);
    }
    ++depth_;
    return true;
  }

  bool Close() {
    --depth_;
    return true;
  }

  bool NotAnObject(const char* kind) {
    jsonProblem_ = Say("the parameters are not a JSON object but %s", {KindWord(kind)});
    return false;
  }

  bool OutOfRange(const std::string& number) {
    jsonProblem_ = depth_ == 1 ? Say("parameter %s: the number %s is out of range", {name_, number})
                               : Say("the number %s is out of range", {number});
    return false;
  }

  void RefuseKind(const char* kind) {
    Refuse(accepted_ == JsonValues::Text
               ? Say("parameter %s must be given as text, as `orla-vendas run` takes it "
                     "(\"01/03/2024\", \"true\", \"1\")",
                     {name_})
               : Say("parameter %s must be text, a boolean or a number, not %s",
                     {name_, KindWord(kind)}));
  }

  // Broken JSON further on is told first: the first parameter problem waits for the end.
  void Refuse(std::string problem) {
    if (!parameterProblem_) {
      parameterProblem_ = std::move(problem);
    }
  }

  JsonValues accepted_;
  int depth_ = 0;
  std::string name_;
  std::set<std::string> names_;
  std::vector<Assignment> assignments_;
  std::optional<std::string> jsonProblem_;
  std::optional<std::string> parameterProblem_;
};

}  // namespace

const reports::ReportDescriptor& CheckOperation(std::string_view name) {
  const reports::ReportDescriptor* operation = reports::FindReport(name);
  if (operation == nullptr) {
    throw UsageError(Say("unknown operation '%s' (orla-vendas list shows the thirteen)", {name}));
  }
  return *operation;
}

std::vector<reports::NamedValue> CheckParameters(const reports::ReportDescriptor& operation,
                                                 const std::vector<Assignment>& assignments) {
  std::vector<reports::NamedValue> values;
  for (const auto& [name, text] : assignments) {
    // A structured binding cannot be captured by clang 14, which builds the fuzz targets.
    const std::string& wanted = name;
    const auto parameter =
        std::find_if(operation.parameters.begin(), operation.parameters.end(),
                     [&](const reports::Parameter& p) { return p.name == wanted; });
    if (parameter == operation.parameters.end()) {
      throw UsageError(Say("%s has no parameter %s (orla-vendas list shows its parameters)",
                           {operation.name, name}));
    }
    for (const reports::NamedValue& earlier : values) {
      if (earlier.name == name) {
        throw UsageError(Say("parameter %s is given twice", {name}));
      }
    }
    values.push_back({name, TypedValue(*parameter, text)});
  }
  return values;
}

}  // namespace orla::app

namespace orla::app {

std::vector<Assignment> ParseJsonParameters(std::string_view json, JsonValues accepted) {
  if (json.empty()) {
    return {};
  }
  ParameterReader reader(accepted);
  nlohmann::json::sax_parse(json.begin(), json.end(), &reader);
  return reader.Take();
}

std::vector<Assignment> TextValues(const std::vector<reports::NamedValue>& values) {
  std::vector<Assignment> texts;
  for (const reports::NamedValue& value : values) {
    if (value.value.GetKind() == host::Value::Kind::Text) {
      texts.emplace_back(value.name, value.value.AsText());
    }
  }
  return texts;
}

std::vector<Assignment> UnreadableDates(const reports::ReportDescriptor& operation,
                                        const std::vector<reports::NamedValue>& values) {
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  std::vector<Assignment> unreadable;
  for (const auto& [name, text] : TextValues(values)) {
    const auto parameter = std::ranges::find(operation.parameters, name, &reports::Parameter::name);
    if (parameter != operation.parameters.end() &&
        parameter->check.kind == reports::Check::Kind::Date && !regional.IsDate(text)) {
      unreadable.emplace_back(name, text);
    }
  }
  return unreadable;
}

}  // namespace orla::app
