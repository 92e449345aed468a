#pragma once
// TSaveData: saved games and the status data in "save.dat". A saved game is
// the entry "GAMESAVEDATA" + slot; the data that outlives games (status
// variables, read marks, the dither switch, status tables) is the entry
// "STATUSSAVEDATA". Every owner writes its own section (save_data_port.h);
// this class fixes the entries, the order and versions of the sections and
// what happens when a file cannot be read or written.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "script/save_data_port.h"
#include "script/save_file.h"

namespace vesk {
struct RuntimeContext;
}
namespace vesk::expr {
class TParamCollection;
}
namespace vesk::platform {
class Dialogs;
}

namespace vesk::script {

class TCallMan;

inline constexpr int32_t kGameSaveVersion = 129;
inline constexpr int32_t kStatusSaveVersion = 103;
// Saved games older than this cannot be loaded.
inline constexpr int32_t kOldestLoadableSave = 107;
// The versions from which an entry carries a section (the loader and the
// tool that shows save files both go by them).
inline constexpr int32_t kFirstGameSaveWithTables = 123;
inline constexpr int32_t kFirstStatusWithReadMarks = 100;
inline constexpr int32_t kFirstStatusWithDither = 101;
inline constexpr int32_t kFirstStatusWithTables = 103;
inline constexpr const char* kGameEntryPrefix = "GAMESAVEDATA";
inline constexpr const char* kStatusEntryName = "STATUSSAVEDATA";

struct SaveDataEnvironment {
  RuntimeContext* ctx = nullptr;
  expr::TParamCollection* variables = nullptr;
  platform::Dialogs* dialogs = nullptr;
  SaveSections sections;
  SaveLocation location;  // empty: the game keeps no save file
  // Lines for standard error and the trace (a save that failed, a file
  // kept aside); none: nobody hears them.
  SaveReport report;
};

// The head of a saved game: what the slot list shows without loading it.
struct SaveHead {
  int32_t version = 0;
  std::string caption;
  std::string jump_page;
  int32_t jump_index = 0;
};
// Reads the head of a "GAMESAVEDATA" entry; throws ETruncated when cut.
SaveHead ReadSaveHead(const std::vector<uint8_t>& entry);
// The slot of an entry name "GAMESAVEDATA<n>"; false for other names.
bool ParseGameEntryName(const std::string& name, int32_t* slot);
std::string GameEntryName(int32_t slot);
// The version in front of a status entry ("Status%.3d"); 0 without one,
// *header_bytes is then 0 (the sections start at the first byte).
int32_t ReadStatusHeader(const std::vector<uint8_t>& entry, size_t* header_bytes);

class TSaveData {
 public:
  explicit TSaveData(SaveDataEnvironment env);

  // At project start: the captions of the saved games, and the status data.
  void ReadSaveCaptions();
  void LoadStatusData();
  // The status entry; after every game save and at exit. Only when every
  // owner of the status sections exists and `save_status` (the project's
  // switch) is set.
  void SaveStatusData(bool save_status);
  // A game into `slot`; nothing happens for an empty caption. The status
  // entry is rewritten in the same write when `save_status` is set.
  void SaveGame(const TCallMan& calls, int32_t slot, const std::string& jump_page,
                int32_t jump_index, const std::string& caption, bool save_status);
  // A saved game back; a slot without entry does nothing. A save that
  // cannot be used ends the game with the fixed warning.
  void LoadGame(TCallMan& calls, int32_t slot);

  // (caption, slot) of every saved game, in the file's order.
  const std::vector<std::pair<std::string, int32_t>>& captions() const { return captions_; }
  // The caption of a slot; empty when it holds no game.
  std::string CaptionOf(int32_t slot) const;
  const SaveLocation& location() const { return env_.location; }

  // The entries as a save of this moment holds them (for the tools and the
  // benchmarks); false when an owner of the status sections is missing.
  std::vector<uint8_t> BuildGameEntry(const TCallMan& calls, const std::string& jump_page,
                                      int32_t jump_index, const std::string& caption);
  bool BuildStatusEntry(std::vector<uint8_t>* entry);

 private:
  void ReadGameEntry(TCallMan& calls, const std::vector<uint8_t>& entry);
  void ReadStatusEntry(const std::vector<uint8_t>& entry);
  // The save file as it stands; a damaged one is reported once.
  TSaveFile ReadFile();
  bool Write(const TSaveFile& file);
  void Report(const std::string& line) const;
  void SetCaption(int32_t slot, const std::string& caption);

  SaveDataEnvironment env_;
  std::vector<std::pair<std::string, int32_t>> captions_;
  bool damage_reported_ = false;
};

}  // namespace vesk::script
