// The host maker's text services: how values are written into statements and labels.
#pragma once

#include <string>
#include <string_view>

#include "host/shared_objects.h"

namespace orla::hostlib {

class HostUtilities final : public host::HostUtilities {
 public:
  // Single quotes doubled, so the text can stand between single quotes.
  std::string TextForSql(const host::Value& text) override;
  // A short, stable label for a fuel description: "GASOLINA ADITIVADA" -> "GAS.AD.".
  std::string AbbreviateText(const host::Value& text) override;
  // The registered name trimmed, with single spaces between words.
  std::string CompanyNameText(const host::Value& name) override;
  // YYYYMMDD, which the database reads the same under every language setting.
  std::string DateForSql(const host::Value& date) override;
  // The shortest decimal that reads back to the same double, with a decimal point and no
  // thousands separator: 17 -> "17", 7.6 -> "7.6".
  std::string NumberForSql(const host::Value& number) override;
};

// The label rule on its own, for any text.
std::string Abbreviate(std::string_view description);

}  // namespace orla::hostlib
