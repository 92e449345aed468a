#include "components/message_history.h"

#include <algorithm>

#include "core/record_io.h"
#include "core/sjis.h"
#include "core/version.h"

namespace vesk::components {
namespace {}  // namespace

// ---- TVeskHistData

std::vector<std::string> SnapshotLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void TVeskHistData::Add(const std::string& file, int32_t command, const std::string& snapshot,
                        int32_t height, int32_t last, int32_t first) {
  Segment s;
  if (Segments.empty() || !EqualsIgnoreAsciiCase(FileOf(Segments.size() - 1), file)) s.File = file;
  s.CommandIndex = command;
  s.FirstSource = first;
  s.LastSource = last;
  s.Height = height;
  s.Snapshot = snapshot;
  Segments.push_back(std::move(s));
  Total += height;
}

std::string TVeskHistData::FileOf(size_t i) const {
  for (size_t k = std::min(i + 1, Segments.size()); k-- > 0;)
    if (!Segments[k].File.empty()) return Segments[k].File;
  return {};
}

void TVeskHistData::Transfer(RecordIO& io) {
  io.List(Segments, 20, "history segment count", [&](Segment& s) {
    io.Str(s.File, "history file");
    io.I32(s.CommandIndex, "history command");
    io.I32(s.FirstSource, "history first source");
    io.I32(s.LastSource, "history last source");
    io.I32(s.Height, "history height");
    if (io.Since(124)) io.Str(s.Snapshot, "history snapshot");
  });
  io.I32(Total, "history total");
}

void TVeskHistData::Write(ByteWriter& out) const {
  SaveRecord(*this, out, kSaveVersion);
}

void TVeskHistData::Read(ByteReader& in, int32_t version) {
  LoadRecord(*this, in, version);
}

void TransferOldEntryColumns(RecordIO& io, std::vector<THistoryOldData>& entries) {
  const int32_t n = io.Count(entries.size(), 20, "history entry count");
  if (io.loading()) entries.assign(static_cast<size_t>(n), THistoryOldData{});
  for (auto& e : entries) io.Str(e.File, "history file");
  for (auto& e : entries) io.I32(e.CommandIndex, "history command");
  for (auto& e : entries) io.I32(e.PageIndex, "history page");
  for (auto& e : entries) {
    io.I32(e.Width, "history width");
    io.I32(e.Height, "history height");
  }
}

void WriteOldEntryColumns(const std::vector<THistoryOldData>& entries, ByteWriter& out) {
  RecordIO io(out, kSaveVersion);
  TransferOldEntryColumns(io, const_cast<std::vector<THistoryOldData>&>(entries));
}

std::vector<THistoryOldData> ReadOldEntryColumns(ByteReader& in) {
  std::vector<THistoryOldData> entries;
  RecordIO io(in, kSaveVersion);
  TransferOldEntryColumns(io, entries);
  return entries;
}

// ---- TVeskNewHistory

TVeskNewHistory::TVeskNewHistory(text::TFontPixelManager* glyphs,
                                 text::TextEnvironment* environment, MessageSource* source)
    : word_(glyphs, environment), source_(source) {
  word_.PageWidth = 0;
}

void TVeskNewHistory::TakeFormat() {
  word_.FontHeight = registered.FontHeight;
  word_.BorderWidth = registered.BorderWidth;
  word_.ShadowWidth = registered.ShadowWidth;
  word_.PageWidth = registered.PageWidth;
  word_.PageHeight = registered.PageHeight;
  word_.LineSpace = registered.LineSpace;
}

void TVeskNewHistory::Record(const std::string& window, int32_t width, int32_t height,
                             const std::string& file, const std::string& snapshot,
                             int32_t page_index, int32_t last_source, int32_t first_source,
                             int32_t command_index) {
  pending = Pending{};
  pending.set = true;
  pending.window = window;
  pending.File = file;
  pending.CommandIndex = command_index;
  pending.FirstSource = first_source;
  pending.LastSource = last_source;
  pending.Snapshot = snapshot;
  if (registered.FontHeight == 0) {
    pending.PageIndex = page_index;
    pending.Width = width;
    pending.Height = height;
  }
  // The format in force is the one registered when the first entry is made.
  if (Entries.empty()) TakeFormat();
}

void TVeskNewHistory::Commit(const std::string& window) {
  if (!pending.set || pending.window != window) return;
  if (HasFormat())
    CommitNew();
  else
    CommitOld();
  pending = Pending{};
}

void TVeskNewHistory::CommitNew() {
  if (!source_ || !source_->FileExists(pending.File)) return;
  const auto texts = source_->LoadTexts(pending.File);
  if (!texts || pending.CommandIndex < 0 ||
      pending.CommandIndex >= static_cast<int32_t>(texts->texts.size()))
    return;
  const auto& stream = texts->texts[static_cast<size_t>(pending.CommandIndex)];
  if (!stream) return;
  if (!EqualsIgnoreAsciiCase(last_file_, pending.File) || last_command_ != pending.CommandIndex) {
    word_.Clear();
    last_file_.clear();
    last_command_ = -1;
    ByteReader in(stream->data(), stream->size());
    try {
      word_.ReadGlyphs(in);
    } catch (const std::exception&) {
      word_.Clear();
      return;
    }
    last_file_ = pending.File;
    last_command_ = pending.CommandIndex;
  }
  word_.VarSnapshot = SnapshotLines(pending.Snapshot);
  word_.ExpandVars(0, -1);
  const int32_t first = word_.SourceToIndex(pending.FirstSource);
  int32_t last = -1;
  if (pending.LastSource >= 0) {
    const int32_t after = word_.SourceToIndex(pending.LastSource + 1);
    last = after < 0 ? -1 : after - 1;
  }
  text::PageList scratch;
  if (first >= 0) word_.Layout(scratch, first, last);
  for (const auto& page : scratch) {
    const int32_t h = page->PageHeight() + word_.LineSpace;
    const text::TWdGlyph* first_glyph = page->FirstSourceGlyph();
    const text::TWdGlyph* last_glyph = page->LastSourceGlyph();
    const int32_t first_source = first_glyph ? word_.IndexToSource(first_glyph) : 0;
    const int32_t last_source = last_glyph ? word_.IndexToSource(last_glyph) : 0;
    if (Entries.empty() || word_.PageHeight < int64_t{h} + Entries.back()->Total)
      Entries.push_back(std::make_unique<TVeskHistData>());
    Entries.back()->Add(pending.File, pending.CommandIndex, pending.Snapshot, h, last_source,
                        first_source);
  }
  Trim();
  scratch.clear();
  word_.CollapseVars(0, -1);
  word_.VarSnapshot.clear();
}

void TVeskNewHistory::CommitOld() {
  THistoryOldData e;
  std::string previous;
  for (size_t k = OldEntries.size(); k-- > 0;)
    if (!OldEntries[k].File.empty()) {
      previous = OldEntries[k].File;
      break;
    }
  if (OldEntries.empty() || !EqualsIgnoreAsciiCase(previous, pending.File)) e.File = pending.File;
  e.CommandIndex = pending.CommandIndex;
  e.PageIndex = pending.PageIndex;
  e.Width = pending.Width;
  e.Height = pending.Height;
  OldEntries.push_back(std::move(e));
  Trim();
}

void TVeskNewHistory::Trim() {
  if (MaxCount <= 0) return;
  const auto max = static_cast<size_t>(MaxCount);
  if (Entries.size() > max)
    Entries.erase(Entries.begin(), Entries.begin() + static_cast<ptrdiff_t>(Entries.size() - max));
  if (OldEntries.size() > max) {
    // The oldest goes; its file name passes to the next entry when that one
    // relied on it.
    const size_t drop = OldEntries.size() - max;
    std::string carried;
    for (size_t k = 0; k < drop; ++k)
      if (!OldEntries[k].File.empty()) carried = OldEntries[k].File;
    OldEntries.erase(OldEntries.begin(), OldEntries.begin() + static_cast<ptrdiff_t>(drop));
    if (OldEntries.front().File.empty()) OldEntries.front().File = carried;
  }
}

int32_t TVeskNewHistory::Count() const {
  if (!HasFormat()) return static_cast<int32_t>(OldEntries.size());
  int64_t total = 0;
  for (const auto& e : Entries) total += e->Total;
  return static_cast<int32_t>(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
}

void TVeskNewHistory::Clear() {
  Entries.clear();
  OldEntries.clear();
  pending = Pending{};
}

TVeskNewHistory::Selection TVeskNewHistory::Select(int32_t start, int32_t count) const {
  Selection sel;
  if (!HasFormat()) {
    std::string file;
    for (int64_t i = 0; i < static_cast<int64_t>(OldEntries.size()); ++i) {
      if (!OldEntries[static_cast<size_t>(i)].File.empty())
        file = OldEntries[static_cast<size_t>(i)].File;
      if (i < start || i >= int64_t{start} + count) continue;
      THistoryOldData e = OldEntries[static_cast<size_t>(i)];
      e.File = file;  // each copied entry names its file
      sel.old_entries.push_back(std::move(e));
    }
    return sel;
  }
  int64_t sum = 0;
  bool started = false;
  const int64_t end = int64_t{start} + count;
  for (const auto& entry : Entries)
    for (size_t k = 0; k < entry->Segments.size(); ++k) {
      const auto& s = entry->Segments[k];
      const int64_t next = sum + s.Height;
      if (!started && next > start) {
        started = true;
        sel.offset = static_cast<int32_t>(sum - start);
      }
      if (started) {
        if (sum >= end) return sel;
        TVeskHistData::Segment copy = s;
        copy.File = entry->FileOf(k);
        sel.segments.push_back(std::move(copy));
      }
      sum = next;
    }
  return sel;
}

void TVeskNewHistory::Transfer(RecordIO& io) {
  if (io.loading()) Clear();
  if (!io.Since(113)) {
    std::string header;  // carried by old saves, of no use
    io.Str(header, "history header");
    TransferOldEntryColumns(io, OldEntries);
  } else {
    io.List(OldEntries, 20, "history entry count", [&](THistoryOldData& e) {
      io.Str(e.File, "history file");
      io.I32(e.CommandIndex, "history command");
      io.I32(e.PageIndex, "history page");
      io.I32(e.Width, "history width");
      io.I32(e.Height, "history height");
    });
  }
  io.Str(pending.File, "pending history file");
  io.I32(pending.CommandIndex, "pending history command");
  io.I32(pending.PageIndex, "pending history page");
  io.I32(pending.Width, "pending history width");
  io.I32(pending.Height, "pending history height");
  io.Str(pending.window, "pending history window");
  if (io.loading()) {
    pending.set = !pending.window.empty() || !pending.File.empty();
    last_file_.clear();
    last_command_ = -1;
  }
  if (!io.Since(113)) return;
  io.I32(MaxCount, "history maximum");
  io.I32(word_.FontHeight, "history font height");
  io.I32(word_.BorderWidth, "history border");
  io.I32(word_.ShadowWidth, "history shadow");
  io.I32(word_.PageWidth, "history width");
  io.I32(word_.PageHeight, "history height");
  io.I32(word_.LineSpace, "history line space");
  io.I32(pending.FirstSource, "pending history first source");
  io.I32(pending.LastSource, "pending history last source");
  const int32_t n = io.Count(Entries.size(), 8, "history page count");
  if (io.loading()) {
    for (int32_t i = 0; i < n; ++i) {
      auto entry = std::make_unique<TVeskHistData>();
      entry->Transfer(io);
      Entries.push_back(std::move(entry));
    }
  } else {
    for (auto& entry : Entries) entry->Transfer(io);
  }
  if (io.Since(124)) io.Str(pending.Snapshot, "pending history snapshot");
}

void TVeskNewHistory::Write(ByteWriter& out) const {
  SaveRecord(*this, out, kSaveVersion);
}

void TVeskNewHistory::Read(ByteReader& in, int32_t version) {
  LoadRecord(*this, in, version);
}

// ---- TVeskReadList

TVeskReadList::Item* TVeskReadList::Find(const std::string& file) {
  auto it = index_.find(LowerAsciiSjis(file));
  return it == index_.end() ? nullptr : &items_[it->second];
}

const TVeskReadList::Item* TVeskReadList::Find(const std::string& file) const {
  auto it = index_.find(LowerAsciiSjis(file));
  return it == index_.end() ? nullptr : &items_[it->second];
}

void TVeskReadList::SetPending(const std::string& window, const std::string& file,
                               int32_t page_index, int32_t command_index) {
  pending_ = Pending{file, command_index, page_index, window};
}

void TVeskReadList::CommitPending(const std::string& window) {
  if (pending_.File.empty() || pending_.window != window) return;
  Item* item = Find(pending_.File);
  if (!item) {
    index_.emplace(LowerAsciiSjis(pending_.File), items_.size());
    items_.push_back(Item{pending_.File, {}, {}});
    item = &items_.back();
  }
  bool present = false;
  for (size_t i = 0; i < item->commands.size() && !present; ++i)
    present = item->commands[i] == pending_.CommandIndex && item->pages[i] == pending_.PageIndex;
  if (!present) {
    item->commands.push_back(pending_.CommandIndex);
    item->pages.push_back(pending_.PageIndex);
  }
  pending_.File.clear();
}

bool TVeskReadList::IsRead(const std::string& file, int32_t command_index,
                           int32_t page_index) const {
  const Item* item = Find(file);
  if (!item) return false;
  for (size_t i = 0; i < item->commands.size(); ++i)
    if (item->commands[i] == command_index && item->pages[i] == page_index) return true;
  return false;
}

void TVeskReadList::Clear() {
  items_.clear();
  index_.clear();
  pending_ = Pending{};
}

size_t TVeskReadList::MarkCount() const {
  size_t n = 0;
  for (const auto& item : items_) n += item.commands.size();
  return n;
}

std::vector<std::pair<std::string, size_t>> TVeskReadList::MarkCountsByFile() const {
  std::vector<std::pair<std::string, size_t>> counts;
  for (const auto& item : items_) counts.emplace_back(item.file, item.commands.size());
  return counts;
}

void TVeskReadList::Transfer(RecordIO& io) {
  std::vector<Item> loaded;
  std::vector<Item>& items = io.loading() ? loaded : items_;
  io.List(items, 8, "read mark file count", [&](Item& item) {
    io.Str(item.file, "read mark file");
    const int32_t n = io.Count(item.commands.size(), 8, "read mark count");
    if (io.loading()) {
      item.commands.resize(static_cast<size_t>(n));
      item.pages.resize(static_cast<size_t>(n));
    }
    for (auto& c : item.commands) io.I32(c, "read mark command");
    for (auto& p : item.pages) io.I32(p, "read mark page");
  });
  if (io.loading()) {
    Clear();
    for (auto& item : loaded) {
      // A file stored twice adds to the first.
      if (Item* existing = Find(item.file)) {
        existing->commands.insert(existing->commands.end(), item.commands.begin(),
                                  item.commands.end());
        existing->pages.insert(existing->pages.end(), item.pages.begin(), item.pages.end());
        continue;
      }
      index_.emplace(LowerAsciiSjis(item.file), items_.size());
      items_.push_back(std::move(item));
    }
  }
  io.Str(pending_.File, "pending read mark file");
  io.I32(pending_.CommandIndex, "pending read mark command");
  io.I32(pending_.PageIndex, "pending read mark page");
  io.Str(pending_.window, "pending read mark window");
}

void TVeskReadList::Write(ByteWriter& out) const {
  SaveRecord(*this, out, kSaveVersion);
}

void TVeskReadList::Read(ByteReader& in) {
  LoadRecord(*this, in, kSaveVersion);
}

}  // namespace vesk::components
