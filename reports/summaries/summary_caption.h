// The three summaries share their caption.
#pragma once

#include <cstdint>
#include <string>

#include "service/caption.h"
#include "service/request_frame.h"

namespace orla::reports {

inline std::string SummaryCaption(const std::string& initialDate, const std::string& finalDate,
                                  const std::string& productId, const std::string& shiftId,
                                  bool ignoreComplementary, bool ignoreOthers, bool showFuels,
                                  bool showOthers, int32_t view) {
  namespace caption = service::caption;
  return service::ViewAndPeriodCaption(view, initialDate, finalDate) +
         caption::WhenGiven(productId, caption::kProduct) +
         caption::WhenGiven(shiftId, caption::kShift) +
         caption::Adjustments(ignoreComplementary, ignoreOthers) +
         caption::ProductKinds(showFuels, showOthers);
}

}  // namespace orla::reports
