#include "deliver/smtp.h"

#include <cstring>
#include <memory>
#include <mutex>

#include <curl/curl.h>

namespace orla::deliver {

namespace {

// How long a server that does not answer may hold a delivery run, which holds the lock.
constexpr long kConnectSeconds = 30;
constexpr long kTransferSeconds = 300;

struct Upload {
  std::string_view rest;
};

size_t ReadMessage(char* buffer, size_t size, size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const size_t n = std::min(size * count, upload->rest.size());
  std::memcpy(buffer, upload->rest.data(), n);
  upload->rest.remove_prefix(n);
  return n;
}

void InitCurl() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      throw SmtpError("libcurl could not start");
    }
  });
}

}  // namespace

void SendMail(const SmtpSettings& smtp, const std::vector<std::string>& recipients,
              std::string_view message) {
  InitCurl();
  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    throw SmtpError("libcurl could not start");
  }
  std::unique_ptr<curl_slist, void (*)(curl_slist*)> to(nullptr, curl_slist_free_all);
  for (const std::string& address : recipients) {
    curl_slist* list = curl_slist_append(to.get(), ("<" + address + ">").c_str());
    if (list == nullptr) {
      throw SmtpError("out of memory");
    }
    to.release();
    to.reset(list);
  }
  Upload upload{message};
  char error[CURL_ERROR_SIZE] = "";
  const std::string from = "<" + smtp.from + ">";
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, smtp.server.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, to.get());
  curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadMessage);
  curl_easy_setopt(c, CURLOPT_READDATA, &upload);
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, kTransferSeconds);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  // A password never goes over a connection that did not turn to TLS.
  const bool login = !smtp.user.empty();
  curl_easy_setopt(c, CURLOPT_USE_SSL, login ? CURLUSESSL_ALL : CURLUSESSL_TRY);
  if (login) {
    if (smtp.password.empty()) {
      throw SmtpError("[smtp] has user " + smtp.user +
                      " but no password: set ORLA_SMTP_PASSWORD or password =");
    }
    curl_easy_setopt(c, CURLOPT_USERNAME, smtp.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, smtp.password.c_str());
  }
  const CURLcode code = curl_easy_perform(c);
  if (code != CURLE_OK) {
    long answer = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &answer);
    std::string reason = error[0] != '\0' ? error : curl_easy_strerror(code);
    if (answer != 0) {
      reason += " (the server answered " + std::to_string(answer) + ")";
    }
    throw SmtpError(smtp.server + ": " + reason);
  }
}

}  // namespace orla::deliver
