// The HTTP client on libcurl: one easy handle per request, so that
// requests on several threads never share one.
#include <curl/curl.h>

#include <mutex>

#include "platform/http_client.h"

namespace vesk::platform {
namespace {

struct Transfer {
  std::vector<uint8_t>* body;
  size_t max_body_bytes;
  const std::atomic<bool>* cancel;
};

size_t Receive(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->body->size() + n > t->max_body_bytes) return 0;  // curl fails the request
  t->body->insert(t->body->end(), data, data + n);
  return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* t = static_cast<Transfer*>(user);
  return t->cancel && t->cancel->load() ? 1 : 0;
}

class CurlHttpClient final : public HttpClient {
 public:
  CurlHttpClient(int32_t timeout_ms, size_t max_body_bytes)
      : timeout_ms_(timeout_ms), max_body_bytes_(max_body_bytes) {
    // Not thread-safe itself: done once, on the thread making the client.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }

  bool Get(const std::string& url, std::vector<uint8_t>& body,
           const std::atomic<bool>* cancel) override {
    if (url.empty()) return false;
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    Transfer t{&body, max_body_bytes_, cancel};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout_ms_));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // timeouts without signals, for threads
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return result == CURLE_OK;
  }

 private:
  int32_t timeout_ms_;
  size_t max_body_bytes_;
};

}  // namespace

std::unique_ptr<HttpClient> MakeCurlHttpClient(int32_t timeout_ms, size_t max_body_bytes) {
  return std::make_unique<CurlHttpClient>(timeout_ms, max_body_bytes);
}

}  // namespace vesk::platform
