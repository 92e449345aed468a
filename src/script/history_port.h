#pragma once
// What the commands ask of the message history and the read marks
// (CallHist, ClrHist, FormatHist, ClrRead; the reset command clears them).
// Without this port those commands only move on and the reset skips it.
#include <cstdint>
#include <string>

namespace vesk::script {

class HistoryPort {
 public:
  virtual ~HistoryPort() = default;
  // The reset command: every entry goes and the maximum count becomes 0.
  virtual void ClearHistory() = 0;
  // ClrHist: every entry and the pending record go.
  virtual void ClearHistoryEntries() = 0;
  // ClrRead: every read mark goes.
  virtual void ClearReadMarks() = 0;
  // FormatHist: the named object's font and size become the history format.
  virtual void RegisterHistoryFormat(const std::string& object) = 0;
  // The history's count (@HistoryCount).
  virtual int32_t HistoryCount() = 0;
  // Whether the name finds a message window.
  virtual bool IsMessageWindow(const std::string& window) = 0;
  // CallHist after its checks: shows `count` of the history from `start`.
  virtual void ShowHistory(const std::string& window, int32_t start, int32_t count,
                           bool packed) = 0;
};

}  // namespace vesk::script
