#pragma once
// What the save data reaches. GameSave and GameLoad leave their requests
// through SaveDataPort; saving and loading happen at the end of the frame,
// outside the command that asked, and the project serves them. The saved
// sections that do not belong to the scenario (the scene, the message
// history, the read marks, the picture cache's dither switch) come from
// their owners through StoredSection; the tables through TablePort.
#include <cstdint>
#include <string>

#include "core/byte_reader.h"
#include "core/byte_writer.h"

namespace vesk::script {

class SaveDataPort {
 public:
  virtual ~SaveDataPort() = default;
  // A later request of a kind replaces the earlier one.
  virtual void RequestSave(int32_t slot, const std::string& page, int32_t index,
                           const std::string& caption) = 0;
  virtual void RequestLoad(int32_t slot) = 0;
};

// One owner's section of a saved game or of the status data. `version` is
// the version of the entry being written or read; loading replaces what the
// owner holds and throws (ETruncated and the like) on damaged bytes.
class StoredSection {
 public:
  virtual ~StoredSection() = default;
  virtual void SaveSection(ByteWriter& out, int32_t version) = 0;
  virtual void LoadSection(ByteReader& in, int32_t version) = 0;
};

class TablePort;

// The owners of the sections the scenario does not hold; null: the owner
// does not exist in this run (its section is not written, and the status
// data is not written at all).
struct SaveSections {
  StoredSection* scene = nullptr;
  StoredSection* history = nullptr;
  StoredSection* read_marks = nullptr;
  StoredSection* dither = nullptr;
  TablePort* tables = nullptr;
};

}  // namespace vesk::script
