#pragma once
// The queue of script events that scene objects raise: a click, a key, an
// idle tick. The scene root owns one and fills it in its input and update
// passes; the call manager takes the waiting items one at a time, marks them
// running at the event level of their handler and removes them when the
// handler returns.
//
// Scene objects are known here by name only: the queue must not keep an
// object alive, and the call manager asks the scene whether a name is still
// registered when it needs to know.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::script {

// One queued event.
struct TTimerData {
  std::string Handler;  // CP932 handler reference, "page.lsb:label"
  std::string Object;   // name of the object that raised it; empty for none
  uint8_t EventId = 0;  // id of the handler property (lang::PR_ONLBTNDOWN ...)
  // 0 while waiting; otherwise the event level its handler runs at.
  int32_t RunningDepth = 0;
  std::vector<std::string> Args;

  bool Waiting() const { return RunningDepth == 0; }
};

// The items in arrival order. Items are handed out by pointer; a pointer
// stays valid until the next call that adds or removes items.
class TTimerList {
 public:
  // Appends a waiting item with a copy of `args`.
  TTimerData& Enqueue(const std::string& object, const std::string& handler,
                      std::vector<std::string> args, uint8_t event_id);
  // Index of the first item of that object and id, waiting or running, else
  // -1. Objects ask this before queuing events that must not pile up
  // (idle ticks, wheel turns).
  int FindWaiting(const std::string& object, uint8_t event_id) const;
  // The first waiting item, or null.
  TTimerData* NextWaiting();
  // Removes every item running at event level `depth` (its handler returned).
  void RemoveAtDepth(int32_t depth);
  // Removes every item running at a level from `first` to `last`, in one
  // pass whatever the span.
  void RemoveAtDepths(int32_t first, int32_t last);
  // Removes every running item, leaving the waiting ones.
  void RemoveRunning();
  // Removes the waiting items of one object (it is being destroyed); its
  // running items stay until their handlers return.
  void RemoveWaitingOf(const std::string& object);
  void Clear() { items_.clear(); }

  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  TTimerData& operator[](size_t i) { return items_[i]; }
  const TTimerData& operator[](size_t i) const { return items_[i]; }
  std::vector<TTimerData>::const_iterator begin() const { return items_.begin(); }
  std::vector<TTimerData>::const_iterator end() const { return items_.end(); }

 private:
  template <typename Pred>
  void RemoveIf(Pred pred);
  std::vector<TTimerData> items_;
};

// A handler reference split into the page to load and the label to start at.
struct HandlerTarget {
  std::string Page;   // with its extension made "lsb"
  std::string Label;  // empty when the reference names none
};

// The label is the text after the last ':' that comes after the last '.'
// and '\' (so a drive or folder never reads as a label); a ':', '.' or '\'
// that is the second byte of a Shift-JIS character is not a separator. The
// page is what precedes the ':', its last three characters replaced by
// "lsb" (handlers may name the source page).
HandlerTarget SplitHandler(const std::string& handler);

}  // namespace vesk::script
