#include "components/http.h"

#include "platform/http_client.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

std::string EucJpToShiftJis(const std::string& euc) {
  std::string out;
  out.reserve(euc.size());
  for (size_t i = 0; i < euc.size();) {
    const auto c = static_cast<uint8_t>(euc[i]);
    if (c <= 0x80 || c == 0xFF) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (i + 1 >= euc.size()) break;  // a lead byte cut off at the end
    const auto d = static_cast<uint8_t>(euc[i + 1]);
    i += 2;
    if (c == 0x8E) {
      out.push_back(static_cast<char>(d));
      continue;
    }
    const int row = c & 0x7F, cell = d & 0x7F;
    const int first = ((row + 1) >> 1) + (row <= 94 ? 112 : 176);
    const int second = (row & 1) ? (cell < 96 ? cell + 31 : cell + 32) : cell + 126;
    out.push_back(static_cast<char>(first));
    out.push_back(static_cast<char>(second));
  }
  return out;
}

std::string JoinLinesWithMarks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      out.push_back(c);
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (i + 1 < text.size()) out.push_back('\x01');
  }
  return out;
}

TVeskHttp::~TVeskHttp() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

std::string TVeskHttp::BodyText() const {
  if (running_) return {};
  return std::string(body_.begin(), body_.end());
}

std::string TVeskHttp::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return url_;
    case PR_TEXT:
      return body_.empty() || running_ ? std::string()
                                       : JoinLinesWithMarks(EucJpToShiftJis(BodyText()));
    case PR_ONPLAYEND:
      return OnPlayEnd;
    default:
      return TVeskComponent::GetStr(id);
  }
}

void TVeskHttp::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE: {
      if (running_) return;
      std::string url = value;
      if (!value.empty() && value[0] == '!') {
        // The URL is the response another request object received.
        scene::TVeskObject* other = Root ? Root->FindComponent(value.substr(1)) : nullptr;
        const auto* request = dynamic_cast<const TVeskHttp*>(other);
        url = request ? request->BodyText() : std::string();
      }
      Start(url);
      return;
    }
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    default:
      TVeskComponent::SetStr(id, value);
  }
}

void TVeskHttp::Start(const std::string& url) {
  if (worker_.joinable()) worker_.join();  // a finished worker not yet collected
  body_.clear();
  url_ = url;
  running_ = true;
  done_ = false;
  cancel_ = false;
  platform::HttpClient* client = services() ? services()->http : nullptr;
  if (!client) {
    done_ = true;  // no network here: the request ends empty at the next update
    return;
  }
  worker_ = std::thread([this, client, url] {
    try {
      client->Get(url, body_, &cancel_);
    } catch (...) {
      // A failed request ends like any other, with what had arrived.
    }
    done_.store(true, std::memory_order_release);
  });
}

void TVeskHttp::Finish() {
  if (worker_.joinable()) worker_.join();
  running_ = false;
  const ComponentServices* s = services();
  if (s && s->terminating && s->terminating()) return;
  if (!OnPlayEnd.empty()) QueueEvent(PR_ONPLAYEND, OnPlayEnd);
}

bool TVeskHttp::Update(int32_t) {
  if (running_ && done_.load(std::memory_order_acquire)) Finish();
  return false;
}

}  // namespace vesk::components
