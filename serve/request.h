// One request as the routes and guards see it, apart from the HTTP library.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace orla::serve {

struct Request {
  std::string method;
  std::string path;                            // decoded, without the query
  std::map<std::string, std::string> query;    // decoded
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string clientAddress;
  std::string localAddress;

  std::string Header(const std::string& lowerName) const {
    const auto found = headers.find(lowerName);
    return found == headers.end() ? std::string() : found->second;
  }
  bool HasQuery(const std::string& name) const { return query.contains(name); }
  std::string Query(const std::string& name) const {
    const auto found = query.find(name);
    return found == query.end() ? std::string() : found->second;
  }
};

// "%41+b" as "A b"; false when an escape is broken.
bool DecodeUrl(std::string_view text, std::string& decoded, bool plusIsSpace);
// "a=1&b=2" as its names and values; false when an escape is broken.
bool DecodeForm(std::string_view text, std::map<std::string, std::string>& values);

}  // namespace orla::serve
