#include "deliver/state.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/output.h"
#include "host/regional_settings.h"

namespace orla::deliver {

namespace {

using nlohmann::ordered_json;

ordered_json Moment(const std::optional<host::DateTime>& moment) {
  return moment ? ordered_json(moment->ToIso()) : ordered_json(nullptr);
}

std::optional<host::DateTime> ReadMoment(const ordered_json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || found->is_null()) {
    return std::nullopt;
  }
  const auto moment = host::RegionalSettings::Brazilian().ReadDate(found->get<std::string>());
  if (!moment) {
    throw std::runtime_error(std::string(key) + " is no date");
  }
  return moment;
}

std::string ReadText(const ordered_json& object, const char* key) {
  const auto found = object.find(key);
  return found == object.end() || found->is_null() ? "" : found->get<std::string>();
}

}  // namespace

State LoadState(const std::filesystem::path& file) {
  State state;
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    if (std::filesystem::exists(file)) {
      throw StateError("cannot read " + file.string());
    }
    return state;
  }
  try {
    const ordered_json document = ordered_json::parse(stream);
    for (const auto& [name, entry] : document.at("subscriptions").items()) {
      SubscriptionState& s = state.subscriptions[name];
      s.since = ReadMoment(entry, "since");
      s.slot = ReadMoment(entry, "slot");
      s.delivered = ReadMoment(entry, "delivered");
      s.outcome = ReadText(entry, "outcome");
      s.error = ReadText(entry, "error");
    }
    for (const auto& [name, entry] : document.at("outbox").items()) {
      PendingMail& mail = state.outbox[name];
      mail.subscription = ReadText(entry, "subscription");
      mail.tries = entry.at("tries").get<int>();
      mail.next = ReadMoment(entry, "next");
      mail.error = ReadText(entry, "error");
    }
  } catch (const std::exception& e) {
    throw StateError("cannot read " + file.string() + " (" + e.what() +
                     "): mend it or remove it, and every subscription starts afresh");
  }
  return state;
}

void SaveState(const std::filesystem::path& file, const State& state) {
  ordered_json document = {{"subscriptions", ordered_json::object()},
                           {"outbox", ordered_json::object()}};
  for (const auto& [name, s] : state.subscriptions) {
    document["subscriptions"][name] = {{"since", Moment(s.since)},
                                       {"slot", Moment(s.slot)},
                                       {"delivered", Moment(s.delivered)},
                                       {"outcome", s.outcome},
                                       {"error", s.error}};
  }
  for (const auto& [name, mail] : state.outbox) {
    document["outbox"][name] = {{"subscription", mail.subscription},
                                {"tries", mail.tries},
                                {"next", Moment(mail.next)},
                                {"error", mail.error}};
  }
  try {
    app::ReplacingFile replacing(file);
    replacing.Stream() << app::JsonText(document) << '\n';
    replacing.Commit();
  } catch (const std::exception& e) {
    throw StateError(e.what());
  }
}

}  // namespace orla::deliver
