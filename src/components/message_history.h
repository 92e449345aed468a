#pragma once
// The message history (TVeskNewHistory) and the read marks (TVeskReadList):
// one of each per runtime. Both keep only identities of messages (page file
// and text command index), page numbers, source positions, heights and
// variable snapshots — never glyphs or text — so that a saved game stays
// small and the text comes back from the script pages when shown.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/record_io.h"
#include "text/tpwords.h"

namespace vesk::components {

// The compiled messages of one page file: per command index, the glyph
// stream of a text command (none for other commands).
struct MessagePageTexts {
  std::vector<std::optional<std::vector<uint8_t>>> texts;
};

// Where compiled messages come from: the game's script pages.
class MessageSource {
 public:
  virtual ~MessageSource() = default;
  virtual bool FileExists(const std::string& file) = 0;
  // Null when the page cannot be read.
  virtual std::shared_ptr<const MessagePageTexts> LoadTexts(const std::string& file) = 0;
};

// The name=value lines of a variable snapshot (empty lines left out).
std::vector<std::string> SnapshotLines(const std::string& text);

// One history page (new format): consecutive segments of messages.
struct TVeskHistData {
  struct Segment {
    std::string File;  // empty: the file of the nearest earlier segment
    int32_t CommandIndex = 0;
    int32_t FirstSource = 0;
    int32_t LastSource = -1;  // -1: to the end
    int32_t Height = 0;
    std::string Snapshot;  // name=value lines
  };
  std::vector<Segment> Segments;
  int32_t Total = 0;

  void Add(const std::string& file, int32_t command, const std::string& snapshot, int32_t height,
           int32_t last, int32_t first);
  std::string FileOf(size_t i) const;
  void Clear() {
    Segments.clear();
    Total = 0;
  }
  // The stored form; the snapshot exists from save version 124.
  void Transfer(RecordIO& io);
  void Write(ByteWriter& out) const;
  void Read(ByteReader& in, int32_t version);
};

// One history entry of the old format.
struct THistoryOldData {
  std::string File;  // empty: as the entry before
  int32_t CommandIndex = 0;
  int32_t PageIndex = 0;
  int32_t Width = 0, Height = 0;
};

// The old entries' stored form inside the message data: columns.
void TransferOldEntryColumns(RecordIO& io, std::vector<THistoryOldData>& entries);
void WriteOldEntryColumns(const std::vector<THistoryOldData>& entries, ByteWriter& out);
std::vector<THistoryOldData> ReadOldEntryColumns(ByteReader& in);

class TVeskNewHistory {
 public:
  TVeskNewHistory(text::TFontPixelManager* glyphs, text::TextEnvironment* environment,
                  MessageSource* source);

  // The window's size and the page's identity, recorded when it is left.
  struct Pending {
    bool set = false;
    std::string window;
    std::string File;
    int32_t CommandIndex = 0;
    int32_t FirstSource = 0;
    int32_t LastSource = -1;
    std::string Snapshot;
    int32_t PageIndex = 0;
    int32_t Width = 0, Height = 0;
  };
  struct Format {
    int32_t FontHeight = 0, BorderWidth = 0, ShadowWidth = 0;
    int32_t PageWidth = 0, PageHeight = 0, LineSpace = 0;
  };

  std::vector<std::unique_ptr<TVeskHistData>> Entries;
  std::vector<THistoryOldData> OldEntries;
  int32_t MaxCount = 0;  // @HistoryMaxCount; 0 = unlimited
  Pending pending;
  Format registered;  // the format the next first entry takes

  // Whether a format is in force (otherwise the old format is recorded).
  bool HasFormat() const { return word_.PageWidth != 0; }
  const text::TTpWord& word() const { return word_; }

  void Record(const std::string& window, int32_t width, int32_t height, const std::string& file,
              const std::string& snapshot, int32_t page_index, int32_t last_source,
              int32_t first_source, int32_t command_index);
  void Commit(const std::string& window);
  int32_t Count() const;
  void Clear();
  void RegisterFormat(const Format& format) { registered = format; }

  // The segments (new format) or old entries covering `count` from `start`.
  struct Selection {
    std::vector<TVeskHistData::Segment> segments;
    int32_t offset = 0;  // <= 0: the column shifted up to `start`
    std::vector<THistoryOldData> old_entries;
  };
  Selection Select(int32_t start, int32_t count) const;

  // The history's section of a saved game.
  void Transfer(RecordIO& io);
  void Write(ByteWriter& out) const;
  void Read(ByteReader& in, int32_t version);

 private:
  void TakeFormat();
  void CommitNew();
  void CommitOld();
  void Trim();

  text::TTpWord word_;
  MessageSource* source_;
  std::string last_file_;  // the message read into word_ last time
  int32_t last_command_ = -1;
};

class TVeskReadList {
 public:
  struct Pending {
    std::string File;
    int32_t CommandIndex = 0;
    int32_t PageIndex = 0;
    std::string window;
  };

  void SetPending(const std::string& window, const std::string& file, int32_t page_index,
                  int32_t command_index);
  void CommitPending(const std::string& window);
  bool IsRead(const std::string& file, int32_t command_index, int32_t page_index) const;
  void Clear();
  size_t MarkCount() const;
  // (file, number of marks) of every marked file, in stored order.
  std::vector<std::pair<std::string, size_t>> MarkCountsByFile() const;
  const Pending& pending() const { return pending_; }

  // Stored only from save version 100 on (the caller checks).
  void Transfer(RecordIO& io);
  void Write(ByteWriter& out) const;
  void Read(ByteReader& in);

 private:
  struct Item {
    std::string file;
    std::vector<int32_t> commands, pages;
  };
  Item* Find(const std::string& file);
  const Item* Find(const std::string& file) const;

  std::vector<Item> items_;
  // File names compare without regard to ASCII case.
  std::unordered_map<std::string, size_t> index_;
  Pending pending_;
};

}  // namespace vesk::components
