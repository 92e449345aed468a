#pragma once
// TPage: one loaded script page ("lsb"): the result type of the page when it
// is called, the schema of property sets its component commands were
// compiled with, and the flat list of commands.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/commands.h"

namespace vesk::script {

// What a page load came to. The caller decides what the player sees: a page
// too old to run means name + "\r\n" + kRebuild and the end of the game.
enum class PageLoad { kLoaded, kNewer, kRebuild };

// Page versions the player reads; newer pages play as empty ones.
inline constexpr int32_t kPageVersionMin = 103;
inline constexpr int32_t kPageVersionMax = 109;

using TComList = std::vector<std::unique_ptr<TCommand>>;

class TPage {
 public:
  TPage() = default;
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  uint8_t ResultType = 1;  // PT_ code of the value the page returns
  TComList Commands;       // file order; the position is the command index
  std::string Name;
  std::array<PropertySet, lang::kCommandCount> Schema{};
  int32_t Version = 104;
  // How many property sets the file stores (ids from here on have none).
  int32_t StoredSets = lang::kCommandCount;

  // Reads a whole page file. Throws ETruncated on a cut or hostile file and
  // EVeskError ("不正なコマンド") on an unknown command id; the page is left
  // empty then.
  PageLoad Load(const std::string& name, std::span<const uint8_t> bytes);
  // Writes the page in the form Load reads, with StoredSets property sets.
  void SaveToStream(ByteWriter& out) const;
  // The fields after the version, for both directions (core/record_io.h).
  void Transfer(RecordIO& io);

  // The index of the first label named `label` (byte for byte), else -1.
  int32_t IndexOfLabel(std::string_view label) const;
  // The index of `command`, -1 when it is not on this page.
  int32_t IndexOf(const TCommand* command) const;
  int32_t Count() const { return static_cast<int32_t>(Commands.size()); }

 private:
  void TransferSchema(RecordIO& io);
  void TransferCommands(RecordIO& io);
};

}  // namespace vesk::script
