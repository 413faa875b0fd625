// The subscriptions file as the viewer changes and shows it: a subscription made from a
// report's form added as a block of its own, whatever the user wrote kept as it stands; the
// list with the last delivery of each.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/date_time.h"

namespace orla::deliver {

// A subscription as a form gives it; the keys of [[subscription]].
struct NewSubscription {
  std::string name;  // empty: made from the report's title and the period
  std::string report;
  std::optional<std::string> period;  // none: the preset the form's dates name today
  std::vector<std::pair<std::string, std::string>> parameters;  // as `run` takes them
  std::vector<std::string> formats;
  std::string when;
  std::string folder;  // empty: none
  std::vector<std::string> email;
  std::string empty;  // empty: the default, "avisar"
};

// From the JSON the viewer posts: {"name", "report", "period", "parameters": {NAME: VALUE},
// "formats": [...], "when", "folder", "email": [...], "empty"}, every key but "report" and
// "when" optional. Raises ConfigError (line 0) for anything else.
NewSubscription SubscriptionFromJson(std::string_view json);

// Adds `subscription` to `file` (made, for its user alone, when absent) as a
// [[subscription]] block at its end. The form's dates become the preset they name on `today`
// and values equal to the report's defaults are left out, so that what moves with the days
// keeps moving. Refused with ConfigError, the file untouched, when the file as it would be
// is not one `deliver` loads: the message names the line when the mistake is in the file
// already, and has none when it is in the new subscription. The file is replaced whole,
// with its mode, one change at a time. Gives the subscription's name.
std::string AddSubscription(const std::filesystem::path& file, NewSubscription subscription,
                            const host::DateTime& today);

// {"file", "subscriptions": [{"name", "report", "period", "when", "formats", "folder",
// "email", "empty", "delivered", "outcome", "error", "mail": [{"file", "tries", "next",
// "error"}]}]}, the last four from what deliveries remember; "problem" in place of the list
// when the file cannot be loaded. No file: an empty list.
nlohmann::ordered_json ListSubscriptions(const std::filesystem::path& file);

}  // namespace orla::deliver
