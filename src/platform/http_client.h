#pragma once
// Fetching a URL for the HTTP request objects of the scripts: one
// synchronous GET, run on a worker thread of the caller's. Only
// http, https and file URLs are taken; redirects are followed.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesk::platform {

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Appends the response body of `url` to `body`; false on any failure (a
  // bad URL, no answer within the timeout, an error status), `body` then
  // keeping what had arrived. Setting `*cancel` makes a running Get give up
  // soon. Safe to call from several threads at once.
  virtual bool Get(const std::string& url, std::vector<uint8_t>& body,
                   const std::atomic<bool>* cancel) = 0;
};

// The libcurl client (platform/http); `timeout_ms` bounds a whole request.
// Bodies beyond `max_body_bytes` are cut there and the request fails.
std::unique_ptr<HttpClient> MakeCurlHttpClient(int32_t timeout_ms = 15000,
                                               size_t max_body_bytes = size_t{64} << 20);

}  // namespace vesk::platform
