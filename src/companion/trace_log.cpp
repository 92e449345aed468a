#include "companion/trace_log.h"

#include <cinttypes>

#include "platform/cp932.h"

namespace vesk::companion {
namespace {

std::string Format(uint32_t tick_ms, const char* marker, const std::string& page_utf8, int32_t line) {
  char head[32];
  std::snprintf(head, sizeof head, "%.8" PRIx32 " : %s", tick_ms, marker);
  return head + page_utf8 + "(" + std::to_string(line) + ")";
}

}  // namespace

TraceLog::~TraceLog() { Close(); }

bool TraceLog::Open(const std::string& path_utf8) {
  Close();
  file_ = std::fopen(path_utf8.c_str(), "wb");
  return file_ != nullptr;
}

void TraceLog::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::string TraceLog::FormatCommand(uint32_t tick_ms, const std::string& page_utf8, int32_t line) {
  return Format(tick_ms, "", page_utf8, line);
}

std::string TraceLog::FormatEvent(uint32_t tick_ms, const std::string& page_utf8, int32_t line) {
  return Format(tick_ms, "<Event>", page_utf8, line);
}

void TraceLog::WriteCommand(uint32_t tick_ms, const std::string& page_cp932, int32_t line) {
  if (file_) WriteLine(FormatCommand(tick_ms, platform::Cp932ToUtf8(page_cp932), line));
}

void TraceLog::WriteEvent(uint32_t tick_ms, const std::string& page_cp932, int32_t line) {
  if (file_) WriteLine(FormatEvent(tick_ms, platform::Cp932ToUtf8(page_cp932), line));
}

void TraceLog::WriteNote(uint32_t tick_ms, const std::string& text_cp932) {
  if (file_) WriteNoteUtf8(tick_ms, platform::Cp932ToUtf8(text_cp932));
}

void TraceLog::WriteNoteUtf8(uint32_t tick_ms, const std::string& text_utf8) {
  if (!file_) return;
  char head[32];
  std::snprintf(head, sizeof head, "%.8" PRIx32 " # ", tick_ms);
  WriteLine(head + text_utf8);
}

void TraceLog::WriteLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fputc('\n', file_);
  // Line-buffered by hand: the trace is read after crashes too.
  std::fflush(file_);
}

}  // namespace vesk::companion
