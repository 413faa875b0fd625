#include "deliver/mail.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace orla::deliver {

namespace {

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (size_t i = 0; i < data.size(); i += 3) {
    const size_t n = std::min<size_t>(3, data.size() - i);
    uint32_t chunk = 0;
    for (size_t k = 0; k < 3; ++k) {
      chunk = chunk << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      out += k <= n ? kBase64[(chunk >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  return out;
}

// Base64 in lines of 76, as MIME wants them.
std::string Base64Lines(std::string_view data) {
  const std::string encoded = Base64(data);
  std::string out;
  for (size_t i = 0; i < encoded.size(); i += 76) {
    out += encoded.substr(i, 76);
    out += "\r\n";
  }
  return out;
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

// RFC 2047 encoded words, each under 76 characters and never splitting a UTF-8 character.
std::string HeaderText(std::string_view text) {
  if (IsAscii(text)) {
    return std::string(text);
  }
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = std::min(text.size(), i + 45);
    while (end > i + 1 && end < text.size() &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
      --end;
    }
    out += (out.empty() ? "" : "\r\n ") + std::string("=?UTF-8?B?") +
           Base64(text.substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

std::string DateHeader(std::time_t date) {
  constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&date, &local);
  const long offset = local.tm_gmtoff / 60;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[static_cast<size_t>(local.tm_wday)], local.tm_mday,
                kMonths[static_cast<size_t>(local.tm_mon)], local.tm_year + 1900, local.tm_hour,
                local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', std::labs(offset) / 60,
                std::labs(offset) % 60);
  return buffer;
}

std::string CrLf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') {
      out += "\r\n";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string ComposeMessage(const MailMessage& message) {
  // A boundary takes fewer signs than an identifier ('@' is not among them).
  std::string boundary = "=_orla-vendas_";
  for (const char c : message.messageId) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    boundary += plain || c == '.' || c == '-' ? c : '_';
  }
  std::string to;
  for (const std::string& address : message.to) {
    to += (to.empty() ? "" : ",\r\n ") + address;
  }
  std::string text = "From: " + message.from + "\r\n" + "To: " + to + "\r\n" +
                     "Subject: " + HeaderText(message.subject) + "\r\n" +
                     "Date: " + DateHeader(message.date) + "\r\n" + "Message-ID: <" +
                     message.messageId + ">\r\n" + "MIME-Version: 1.0\r\n";
  const std::string body =
      "Content-Type: text/plain; charset=UTF-8\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n" +
      Base64Lines(CrLf(message.body));
  if (message.attachments.empty()) {
    return text + body;
  }
  text += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  text += "--" + boundary + "\r\n" + body;
  for (const Attachment& attachment : message.attachments) {
    text += "--" + boundary + "\r\n" + "Content-Type: " + attachment.contentType + "; name=\"" +
            attachment.name + "\"\r\n" + "Content-Disposition: attachment; filename=\"" +
            attachment.name + "\"\r\n" + "Content-Transfer-Encoding: base64\r\n\r\n" +
            Base64Lines(attachment.data);
  }
  return text + "--" + boundary + "--\r\n";
}

std::vector<std::string> Recipients(std::string_view message) {
  // The headers unfolded: a line that begins with a space goes on the one before it.
  std::vector<std::string> headers;
  size_t i = 0;
  while (i < message.size()) {
    size_t end = message.find("\r\n", i);
    if (end == std::string_view::npos) {
      end = message.size();
    }
    const std::string_view line = message.substr(i, end - i);
    i = end + 2;
    if (line.empty()) {
      break;
    }
    if (line.front() == ' ' && !headers.empty()) {
      headers.back() += line;
    } else {
      headers.emplace_back(line);
    }
  }
  std::vector<std::string> recipients;
  for (const std::string& header : headers) {
    if (!header.starts_with("To: ")) {
      continue;
    }
    std::string address;
    for (const char c : header.substr(4) + ",") {
      if (c != ',') {
        address += c == ' ' ? "" : std::string(1, c);
      } else if (!address.empty()) {
        recipients.push_back(std::move(address));
        address.clear();
      }
    }
  }
  return recipients;
}

std::string ContentTypeOf(std::string_view extension) {
  if (extension == "pdf") {
    return "application/pdf";
  }
  if (extension == "xlsx") {
    return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
  }
  if (extension == "html") {
    return "text/html; charset=UTF-8";
  }
  if (extension == "csv") {
    return "text/csv; charset=UTF-8";
  }
  if (extension == "json") {
    return "application/json";
  }
  return "text/plain; charset=UTF-8";
}

}  // namespace orla::deliver
