// The check of a request's NAME=VALUE texts before the library sees them, as `run` and
// `serve` share it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/value_texts.h"
#include "reports/by_name.h"
#include "reports/descriptor.h"

namespace orla::app {

// NAME and its value text, as `run` takes them.
using Assignment = std::pair<std::string, std::string>;

// Raises UsageError for a name that is not one of the thirteen operations.
const reports::ReportDescriptor& CheckOperation(std::string_view name);
// Each value typed as its parameter asks, the texts guarded as the statements need; raises
// UsageError naming an unknown or repeated parameter or a value that does not fit.
std::vector<reports::NamedValue> CheckParameters(const reports::ReportDescriptor& operation,
                                                 const std::vector<Assignment>& assignments);

// The values given as text, as NAME and text: where a period's dates are read from (a switch
// or a number says nothing of it).
std::vector<Assignment> TextValues(const std::vector<reports::NamedValue>& values);

// The date parameters among `values` whose text is no date (31/02/2024), NAME and text. The
// report refuses the period with its own message, which does not say which value it was.
std::vector<Assignment> UnreadableDates(const reports::ReportDescriptor& operation,
                                        const std::vector<reports::NamedValue>& values);

// Parameters that are no JSON object, or a number no double holds (1e400, 1e-400).
class JsonParametersError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a JSON object of parameters may give for a value besides text.
enum class JsonValues {
  Text,                 // text only, as the viewer sends it
  TextBooleanOrNumber,  // also true/false and numbers, read as "true"/"false" and digits
};

// The assignments of a JSON object of parameters, in its order ({"NAME": "VALUE", ...},
// names and value texts as `run` takes them); empty text gives none. Raises
// JsonParametersError for anything but an object or for a number out of range, and
// UsageError naming a parameter given twice or given a value `accepted` does not take.
std::vector<Assignment> ParseJsonParameters(std::string_view json,
                                            JsonValues accepted = JsonValues::TextBooleanOrNumber);

}  // namespace orla::app
