// Sending one composed message over SMTP with libcurl: SMTPS, or SMTP with STARTTLS.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "deliver/config.h"

namespace orla::deliver {

// A message the server did not take; the text says why, never with the password.
class SmtpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Sends `message` (CRLF lines) from smtp.from to `recipients`. On smtp:// the connection
// turns to TLS when the server offers STARTTLS, and must when there is a login to send.
// Raises SmtpError.
void SendMail(const SmtpSettings& smtp, const std::vector<std::string>& recipients,
              std::string_view message);

}  // namespace orla::deliver
