#include "script/event_queue.h"

#include <algorithm>

#include "core/sjis.h"

namespace vesk::script {

TTimerData& TTimerList::Enqueue(const std::string& object, const std::string& handler,
                                std::vector<std::string> args, uint8_t event_id) {
  TTimerData item;
  item.Handler = handler;
  item.Object = object;
  item.EventId = event_id;
  item.Args = std::move(args);
  items_.push_back(std::move(item));
  return items_.back();
}

int TTimerList::FindWaiting(const std::string& object, uint8_t event_id) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Object == object && items_[i].EventId == event_id) return static_cast<int>(i);
  return -1;
}

TTimerData* TTimerList::NextWaiting() {
  auto it =
      std::find_if(items_.begin(), items_.end(), [](const TTimerData& d) { return d.Waiting(); });
  return it == items_.end() ? nullptr : &*it;
}

template <typename Pred>
void TTimerList::RemoveIf(Pred pred) {
  items_.erase(std::remove_if(items_.begin(), items_.end(), pred), items_.end());
}

void TTimerList::RemoveAtDepth(int32_t depth) {
  RemoveIf([depth](const TTimerData& d) { return d.RunningDepth == depth; });
}

void TTimerList::RemoveAtDepths(int32_t first, int32_t last) {
  RemoveIf([first, last](const TTimerData& d) {
    return !d.Waiting() && d.RunningDepth >= first && d.RunningDepth <= last;
  });
}

void TTimerList::RemoveRunning() {
  RemoveIf([](const TTimerData& d) { return !d.Waiting(); });
}

void TTimerList::RemoveWaitingOf(const std::string& object) {
  RemoveIf([&object](const TTimerData& d) { return d.Waiting() && d.Object == object; });
}

namespace {

// Position of the label separator, or npos. Scans from the end and gives up
// at the first '.' or '\': a ':' before those belongs to the path.
size_t LabelColon(const std::string& s) {
  for (size_t i = s.size(); i-- > 0;) {
    const char c = s[i];
    if (c != ':' && c != '.' && c != '\\') continue;
    if (i > 0 && IsSjisLeadByte(static_cast<uint8_t>(s[i - 1]))) {
      --i;  // the second byte of a double-byte character, with its lead
      continue;
    }
    return c == ':' ? i : std::string::npos;
  }
  return std::string::npos;
}

}  // namespace

HandlerTarget SplitHandler(const std::string& handler) {
  HandlerTarget target;
  const size_t colon = LabelColon(handler);
  std::string page = handler;
  if (colon != std::string::npos) {
    target.Label = handler.substr(colon + 1);
    page = handler.substr(0, colon);
  }
  target.Page = page.substr(0, page.size() < 3 ? 0 : page.size() - 3) + "lsb";
  return target;
}

}  // namespace vesk::script
