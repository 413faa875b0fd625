// How a layout's chart is read from its document; apart from the drawing, so that what only
// loads layouts (the layout fuzz target) needs nothing of the renderers.
#include <nlohmann/json.hpp>

#include "engine/chart.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

using Json = nlohmann::json;

struct Named {
  std::string_view name;
  int value;
};

constexpr Named kKinds[] = {{"bar", static_cast<int>(ChartKind::Bar)},
                            {"stackedBar", static_cast<int>(ChartKind::StackedBar)},
                            {"line", static_cast<int>(ChartKind::Line)},
                            {"share", static_cast<int>(ChartKind::Share)}};
constexpr Named kOrders[] = {{"value", static_cast<int>(ChartOrder::Value)},
                             {"data", static_cast<int>(ChartOrder::Data)},
                             {"category", static_cast<int>(ChartOrder::Category)}};

class ChartReader {
 public:
  ChartReader(const Layout& layout, const std::string& section)
      : layout_(layout), where_("Layout " + layout.name + ": the chart of section " + section) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw host::LayoutError(where_ + " " + what);
  }

  std::string Text(const Json& object, const char* key, const std::string& fallback) const {
    if (!object.contains(key)) {
      return fallback;
    }
    if (!object.at(key).is_string()) {
      Fail(std::string("needs text in \"") + key + "\"");
    }
    return object.at(key).get<std::string>();
  }

  size_t Field(const Json& name) const {
    if (!name.is_string()) {
      Fail("names its fields by name");
    }
    const auto index = layout_.FindField(name.get<std::string>());
    if (!index) {
      Fail("names no field " + name.get<std::string>());
    }
    return *index;
  }

  int Choice(const Json& object, const char* key, const auto& choices, int fallback) const {
    if (!object.contains(key)) {
      return fallback;
    }
    const std::string name = Text(object, key, "");
    for (const Named& c : choices) {
      if (c.name == name) {
        return c.value;
      }
    }
    Fail(std::string("has an unknown ") + key + " " + name);
  }

 private:
  const Layout& layout_;
  std::string where_;
};

}  // namespace

ChartDef ParseChart(const nlohmann::json& object, const Layout& layout,
                    const std::string& section) {
  const ChartReader reader(layout, section);
  if (!object.is_object()) {
    reader.Fail("is not an object");
  }
  ChartDef def;
  if (!object.contains("type")) {
    reader.Fail("has no \"type\"");
  }
  def.kind = static_cast<ChartKind>(reader.Choice(object, "type", kKinds, 0));
  def.title = reader.Text(object, "title", "");
  if (!object.contains("category")) {
    reader.Fail("has no \"category\"");
  }
  def.category = reader.Field(object.at("category"));
  if (object.contains("value") == object.contains("values")) {
    reader.Fail("needs either \"value\" or \"values\"");
  }
  if (object.contains("value")) {
    def.values.push_back(reader.Field(object.at("value")));
  } else {
    if (!object.at("values").is_array() || object.at("values").empty()) {
      reader.Fail("needs a list of fields in \"values\"");
    }
    for (const Json& v : object.at("values")) {
      def.values.push_back(reader.Field(v));
    }
  }
  const FieldFormat& format = layout.fields[def.values.front()].format;
  for (size_t v : def.values) {
    const FieldFormat& f = layout.fields[v].format;
    if (!f.IsNumeric()) {
      reader.Fail("draws " + layout.fields[v].id + ", which is not numeric");
    }
    // One axis measures every series.
    if (f.kind != format.kind || f.decimals != format.decimals) {
      reader.Fail("draws values of different formats on one axis");
    }
  }
  if (object.contains("series")) {
    def.series = reader.Field(object.at("series"));
    if (def.values.size() != 1 || *def.series == def.category) {
      reader.Fail("splits by a series field one value only, by another field than the category");
    }
  }
  if (def.kind == ChartKind::Share && (def.values.size() != 1 || def.series)) {
    reader.Fail("shares one value among its categories, with no series");
  }
  if (object.contains("horizontal")) {
    if (!object.at("horizontal").is_boolean()) {
      reader.Fail("needs true or false in \"horizontal\"");
    }
    def.horizontal = object.at("horizontal").get<bool>();
    if (def.horizontal && def.kind != ChartKind::Bar && def.kind != ChartKind::StackedBar) {
      reader.Fail("lies horizontal only as bars");
    }
  }
  def.order = static_cast<ChartOrder>(reader.Choice(
      object, "order", kOrders,
      static_cast<int>(def.kind == ChartKind::Line ? ChartOrder::Category : ChartOrder::Value)));
  switch (def.kind) {
    case ChartKind::Share:
      def.limit = 8;
      break;
    case ChartKind::Line:
      def.limit = 400;
      break;
    case ChartKind::StackedBar:
      def.limit = def.horizontal ? 12 : 40;
      break;
    case ChartKind::Bar:
      def.limit = 12;
      break;
  }
  if (object.contains("limit")) {
    const Json& limit = object.at("limit");
    if (!limit.is_number_integer() || limit.get<int64_t>() < 1 ||
        limit.get<int64_t>() > static_cast<int64_t>(ChartAccumulator::kTracked)) {
      reader.Fail("needs a whole \"limit\" from 1 to " +
                  std::to_string(ChartAccumulator::kTracked));
    }
    def.limit = limit.get<size_t>();
  }
  // A chart stays whole on one page: bars along it take a line each, and a share a line of
  // its legend for each category.
  if (def.values.size() > 8) {
    reader.Fail("draws eight values at most");
  }
  if (def.horizontal &&
      (def.limit > 25 || (def.kind == ChartKind::Bar && def.limit * def.values.size() > 30))) {
    reader.Fail("lies horizontal with 25 categories at most, or 30 bars side by side");
  }
  if (def.kind == ChartKind::Share && def.limit > 20) {
    reader.Fail("shares among 20 categories at most");
  }
  return def;
}

}  // namespace orla::engine
