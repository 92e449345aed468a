#pragma once
// TVeskHttp: fetches a URL on a worker thread and hands the body to the
// scripts as text. Writing PR_SOURCE starts a request (ignored while one
// runs); "!name" takes the URL from the body of the request object called
// name. When the worker is done, the next update ends the request on the
// main thread and queues PR_ONPLAYEND. Destroying the object cancels a
// running request and waits for its worker.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "components/component_services.h"
#include "scene/vesk_object.h"

namespace vesk::components {

// EUC-JP bytes as Shift_JIS: ASCII and 0xFF copied, 0x8E b as the
// half-width katakana b, any other pair as its JIS X 0208 character.
std::string EucJpToShiftJis(const std::string& euc);
// Lines split at CR, LF or CR LF, joined with the byte 0x01 (a final line
// break adds no empty line).
std::string JoinLinesWithMarks(const std::string& text);

class TVeskHttp final : public scene::TVeskComponent, public ServiceUser {
 public:
  explicit TVeskHttp(scene::TVeskBaseList* root) : TVeskComponent(root) {}
  ~TVeskHttp() override;

  int GetCompoType() const override { return lang::LT_HTTP; }
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  bool Update(int32_t frame_ms) override;

  bool Running() const { return running_; }
  // The body received; empty while a request runs.
  std::string BodyText() const;

  std::string OnPlayEnd;

 private:
  void Start(const std::string& url);
  void Finish();

  std::string url_;
  std::vector<uint8_t> body_;  // the worker's while running_
  bool running_ = false;
  std::atomic<bool> done_{false};
  std::atomic<bool> cancel_{false};
  std::thread worker_;
};

}  // namespace vesk::components
