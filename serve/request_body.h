// The body of a run request: a JSON object of parameter names and value texts, as `run`
// takes them after NAME=.
#pragma once

#include <string_view>
#include <vector>

#include "app/parameters.h"

namespace orla::serve {

// Raises HttpError (reply.h) for anything but such an object within the limits.
std::vector<app::Assignment> ParameterAssignments(std::string_view contentType,
                                                  std::string_view body);

}  // namespace orla::serve
