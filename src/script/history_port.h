#pragma once
// What the commands ask of the message history (CallHist, ClrHist,
// FormatHist, ClrRead; the reset command clears it). There is no history
// yet: without this port those commands only move on and the reset skips it.
namespace vesk::script {

class HistoryPort {
 public:
  virtual ~HistoryPort() = default;
  // The reset command: every entry goes and the maximum count becomes 0.
  virtual void ClearHistory() = 0;
};

}  // namespace vesk::script
