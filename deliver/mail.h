// Mail as it goes over SMTP: a MIME message with a Portuguese text and the report files
// attached, and what an outbox needs to send it again later (its recipients).
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace orla::deliver {

struct Attachment {
  std::string name;  // as the file in the folder is named
  std::string contentType;
  std::string data;
};

struct MailMessage {
  std::string from;
  std::vector<std::string> to;
  std::string subject;  // UTF-8
  std::string body;     // UTF-8 plain text, lines ended by '\n'
  std::vector<Attachment> attachments;
  std::time_t date = 0;
  std::string messageId;  // without the angle brackets
};

// The message with CRLF line ends: headers (non-ASCII subject as an encoded word), the text
// and each attachment in base64. Addresses must already be checked: they are written as
// they stand.
std::string ComposeMessage(const MailMessage& message);

// The addresses of a composed message's To header, for the envelope.
std::vector<std::string> Recipients(std::string_view message);

// The content type a report file is sent as, by its extension ("pdf").
std::string ContentTypeOf(std::string_view extension);

}  // namespace orla::deliver
