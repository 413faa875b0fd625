#include "app/drill.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "app/value_texts.h"
#include "reports/pickers.h"

namespace orla::app {

namespace {

using Assignments = std::vector<std::pair<std::string, std::string>>;
// A picker's codes by the names people read; no code for a name two entries share.
using CodesByName = std::map<std::string, std::optional<std::string>, std::less<>>;
using Codes = std::map<const reports::PickerSource*, CodesByName>;

CodesByName CodesOf(host::Database& oDB, const reports::PickerSource& picker) {
  CodesByName codes;
  for (reports::PickedValue& entry : reports::Pick(oDB, picker, "", 1'000'000)) {
    const auto [at, added] = codes.try_emplace(entry.label, entry.value);
    if (!added && at->second != entry.value) {
      at->second.reset();
    }
  }
  return codes;
}

void PercentEncode(std::string& out, std::string_view text) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
      out += c;
    } else {
      out += '%';
      out += kDigits[byte >> 4];
      out += kDigits[byte & 15];
    }
  }
}

// The row's value made what the target's parameter takes; nothing when it cannot be.
std::optional<std::string> KeyText(const host::Value& value, const reports::DrillValue& key,
                                   const Codes& codes) {
  using From = reports::DrillValue::From;
  if (key.from == From::Day && value.GetKind() != host::Value::Kind::Date) {
    return std::nullopt;
  }
  std::optional<std::string> text = RunText(value);
  if (key.from == From::CodeOfName) {
    const auto picker = codes.find(key.picker);
    if (!text || picker == codes.end()) {
      return std::nullopt;
    }
    const auto code = picker->second.find(*text);
    return code != picker->second.end() ? code->second : std::nullopt;
  }
  if (text && !key.prefix.empty()) {
    if (!text->starts_with(key.prefix)) {
      return std::nullopt;
    }
    text->erase(0, key.prefix.size());
  }
  if (!text || text->empty() || key.from != From::QuotedName) {
    return text;
  }
  std::string quoted = "'";
  for (const char c : *text) {
    quoted += c;
    if (c == '\'') {
      quoted += '\'';
    }
  }
  return quoted + "'";
}

const reports::Parameter* Find(std::span<const reports::Parameter> parameters,
                               std::string_view name) {
  for (const reports::Parameter& p : parameters) {
    if (p.name == name) {
      return &p;
    }
  }
  return nullptr;
}

// One of the target's parameters in a link: the run's own value, or one from the row.
struct Entry {
  std::string name;
  std::string carried;
  const reports::DrillValue* key = nullptr;
};

struct Applied {
  const reports::Drill* drill;
  std::vector<Entry> entries;  // in the target's order
};

}  // namespace

std::string ViewerAddress(std::string_view operation, const Assignments& values) {
  std::string address = "#/";
  address += operation;
  char separator = '?';
  for (const auto& [name, value] : values) {
    address += separator;
    separator = '&';
    PercentEncode(address, name);
    address += '=';
    PercentEncode(address, value);
  }
  address += separator;
  address += "run=1";
  return address;
}

std::shared_ptr<const engine::CellLinks> DrillLinks(const reports::ReportDescriptor& report,
                                                    const reports::ArgumentList& arguments,
                                                    host::Database* oDB) {
  auto runText = [&](std::string_view name) -> std::optional<std::string> {
    for (size_t i = 0; i < report.parameters.size() && i < arguments.size(); ++i) {
      if (report.parameters[i].name == name) {
        return RunText(arguments[i]);
      }
    }
    return std::nullopt;
  };
  std::vector<Applied> applied;
  Codes codes;
  for (const reports::Drill& drill : report.drills) {
    if (!drill.when.parameter.empty() &&
        (runText(drill.when.parameter) == drill.when.value) != drill.when.equals) {
      continue;
    }
    for (const reports::DrillValue& key : drill.values) {
      // Read now: the rows may be drawn when the database is no longer at hand.
      if (key.from == reports::DrillValue::From::CodeOfName && oDB != nullptr &&
          !codes.contains(key.picker)) {
        codes.emplace(key.picker, CodesOf(*oDB, *key.picker));
      }
    }
    Applied one{&drill, {}};
    for (const reports::Parameter& p : drill.target->parameters) {
      const auto key = std::ranges::find(drill.values, p.name, &reports::DrillValue::parameter);
      if (key != drill.values.end()) {
        one.entries.push_back({std::string(p.name), {}, &*key});
        continue;
      }
      const reports::Parameter* own = Find(report.parameters, p.name);
      if (own == nullptr || own->type != p.type || own->description != p.description) {
        continue;
      }
      std::optional<std::string> text = runText(p.name);
      // What the target takes anyway stays out of the address.
      if (text && !(p.fallback.kind == reports::Default::Kind::Fixed && *text == p.fallback.text)) {
        one.entries.push_back({std::string(p.name), std::move(*text), nullptr});
      }
    }
    applied.push_back(std::move(one));
  }
  if (applied.empty()) {
    return nullptr;
  }
  auto links = std::make_shared<engine::CellLinks>();
  for (const Applied& a : applied) {
    for (std::string_view field : a.drill->fields) {
      links->fields.emplace_back(field);
    }
  }
  links->address = [applied = std::move(applied), codes = std::move(codes)](
                       std::string_view field,
                       const engine::CellLinks::ValueOf& valueOf) -> std::string {
    for (const Applied& a : applied) {
      if (std::ranges::find(a.drill->fields, field) == a.drill->fields.end()) {
        continue;
      }
      Assignments values;
      for (const Entry& e : a.entries) {
        if (e.key == nullptr) {
          values.emplace_back(e.name, e.carried);
          continue;
        }
        const host::Value* value = valueOf(e.key->field);
        std::optional<std::string> text = value ? KeyText(*value, *e.key, codes) : std::nullopt;
        if (!text || text->empty()) {
          return {};  // a row without its key (a total) leads nowhere
        }
        values.emplace_back(e.name, std::move(*text));
      }
      return ViewerAddress(a.drill->target->name, values);
    }
    return {};
  };
  return links;
}

}  // namespace orla::app
