#pragma once
// The trace output: one line per executed command and per event start, as
// "%.8x : %s(%d)" and "%.8x : <Event>%s(%d)" (game clock in hex, page name,
// line). Page names arrive as CP932 bytes and are written as UTF-8.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

namespace vesk::companion {

class TraceLog {
 public:
  TraceLog() = default;
  ~TraceLog();
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  // Opens (truncates) the file; false when it cannot be created.
  bool Open(const std::string& path_utf8);
  void Close();
  bool active() const { return file_ != nullptr; }

  void WriteCommand(uint32_t tick_ms, const std::string& page_cp932, int32_t line);
  void WriteEvent(uint32_t tick_ms, const std::string& page_cp932, int32_t line);
  // Free-form diagnostics (errors a script run swallowed, for example).
  void WriteNote(uint32_t tick_ms, const std::string& text_cp932);
  void WriteNoteUtf8(uint32_t tick_ms, const std::string& text_utf8);

  static std::string FormatCommand(uint32_t tick_ms, const std::string& page_utf8, int32_t line);
  static std::string FormatEvent(uint32_t tick_ms, const std::string& page_utf8, int32_t line);

 private:
  void WriteLine(const std::string& line);
  std::unique_ptr<platform::File> file_;
  int64_t written_ = 0;
};

}  // namespace vesk::companion
