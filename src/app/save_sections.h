#pragma once
// The owners' sections of the save file: the scene root, the message
// history, the read marks and the picture cache's dither switch, each
// written and read in its own stored form. Also where a game's saves live.
#include <string>

#include "script/save_data_port.h"
#include "script/save_file.h"

namespace vesk::scene {
class TVeskBaseList;
}
namespace vesk::components {
class TVeskNewHistory;
class TVeskReadList;
class TOrloCollection;
}  // namespace vesk::components

namespace vesk::app {

class SceneSection final : public script::StoredSection {
 public:
  explicit SceneSection(scene::TVeskBaseList& root) : root_(root) {}
  void SaveSection(ByteWriter& out, int32_t version) override;
  void LoadSection(ByteReader& in, int32_t version) override;

 private:
  scene::TVeskBaseList& root_;
};

class HistorySection final : public script::StoredSection {
 public:
  explicit HistorySection(components::TVeskNewHistory& history) : history_(history) {}
  void SaveSection(ByteWriter& out, int32_t version) override;
  void LoadSection(ByteReader& in, int32_t version) override;

 private:
  components::TVeskNewHistory& history_;
};

class ReadMarksSection final : public script::StoredSection {
 public:
  explicit ReadMarksSection(components::TVeskReadList& marks) : marks_(marks) {}
  void SaveSection(ByteWriter& out, int32_t version) override;
  void LoadSection(ByteReader& in, int32_t version) override;

 private:
  components::TVeskReadList& marks_;
};

// One byte: @CGDither.
class DitherSection final : public script::StoredSection {
 public:
  explicit DitherSection(components::TOrloCollection& pictures) : pictures_(pictures) {}
  void SaveSection(ByteWriter& out, int32_t version) override;
  void LoadSection(ByteReader& in, int32_t version) override;

 private:
  components::TOrloCollection& pictures_;
};

// save.dat in the data folder when it can be written; otherwise
// $XDG_DATA_HOME/vesk-player/<game>/save.dat, <game> being the game's
// single-instance lock name.
script::SaveLocation SaveLocationFor(const std::string& data_dir_utf8);

}  // namespace vesk::app
