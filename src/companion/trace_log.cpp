#include "companion/trace_log.h"

#include <cinttypes>
#include <cstdio>

#include "platform/cp932.h"

namespace vesk::companion {
namespace {

std::string Format(uint32_t tick_ms, const char* marker, const std::string& page_utf8,
                   int32_t line) {
  char head[32];
  std::snprintf(head, sizeof head, "%.8" PRIx32 " : %s", tick_ms, marker);
  return head + page_utf8 + "(" + std::to_string(line) + ")";
}

}  // namespace

TraceLog::~TraceLog() {
  Close();
}

bool TraceLog::Open(const std::string& path_utf8) {
  Close();
  file_ = platform::File::Open(path_utf8, platform::File::Mode::kCreate);
  written_ = 0;
  return file_ != nullptr;
}

void TraceLog::Close() {
  file_.reset();
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
  // Written straight through, line by line: the trace is read after
  // crashes too.
  const std::string text = line + '\n';
  const int64_t n = file_->WriteAt(written_, text.data(), static_cast<int64_t>(text.size()));
  if (n > 0) written_ += n;
}

}  // namespace vesk::companion
