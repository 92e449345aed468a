#include "script/pages.h"

#include <algorithm>

#include "core/messages.h"
#include "core/vesk_error.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

namespace {

// The smallest command record: the id byte and the common header.
constexpr size_t kMinCommandBytes = 1 + 4 + 1 + 1 + 4;

[[noreturn]] void OutOfRange(const char* what, const ByteReader& in) {
  throw ETruncated(std::string(what) + " out of range at offset " + std::to_string(in.position()));
}

}  // namespace

PageLoad TPage::Load(const std::string& name, std::span<const uint8_t> bytes) {
  Commands.clear();
  Name = name;
  ByteReader in(bytes.data(), bytes.size());
  Version = in.I32("page version");
  if (Version > kPageVersionMax) return PageLoad::kNewer;
  if (Version < kPageVersionMin) return PageLoad::kRebuild;
  try {
    LoadRecord(*this, in, Version);
  } catch (...) {
    Commands.clear();
    throw;
  }
  return PageLoad::kLoaded;
}

// The version comes first and lays out the rest.
void TPage::SaveToStream(ByteWriter& out) const {
  out.I32(Version);
  SaveRecord(*this, out, Version);
}

void TPage::Transfer(RecordIO& io) {
  io.U8(ResultType, "page result type");
  TransferSchema(io);
  TransferCommands(io);
}

// StoredSets sets of 20 bytes are written. A loaded file may hold sets of
// any size: only the first 20 bytes of a set mean anything, a shorter set
// leaves the higher properties absent, and sets for ids no command has are
// skipped in one step (a count of two billion empty sets costs nothing).
void TPage::TransferSchema(RecordIO& io) {
  int32_t sets = std::clamp(StoredSets, 0, static_cast<int32_t>(kCommandCount));
  int32_t set_size = static_cast<int32_t>(kPropertySetBytes);
  io.I32(sets, "property set count");
  io.I32(set_size, "property set size");
  if (!io.loading()) {
    for (int32_t i = 0; i < sets; ++i)
      io.Bytes(Schema[static_cast<size_t>(i)].data(), kPropertySetBytes, "property set");
    return;
  }
  ByteReader& in = io.reader();
  if (sets < 0 || set_size < 0) OutOfRange("property sets", in);
  if (static_cast<uint64_t>(sets) * static_cast<uint64_t>(set_size) > in.remaining())
    OutOfRange("property sets", in);
  for (auto& set : Schema) set.fill(0);
  StoredSets = std::min(sets, static_cast<int32_t>(kCommandCount));
  for (int32_t i = 0; i < StoredSets; ++i) {
    const uint8_t* data = in.Bytes(static_cast<size_t>(set_size), "property set");
    std::copy_n(data, std::min(static_cast<size_t>(set_size), kPropertySetBytes),
                Schema[static_cast<size_t>(i)].begin());
  }
  in.Skip(static_cast<size_t>(sets - StoredSets) * static_cast<size_t>(set_size), "property set");
}

// Each command: its id byte, then its record.
void TPage::TransferCommands(RecordIO& io) {
  const int32_t count = io.Count(Commands.size(), kMinCommandBytes, "command count",
                                 RecordIO::Negative::kRefused, RecordIO::Offset::kNamed);
  if (!io.loading()) {
    for (const auto& command : Commands) {
      uint8_t id = static_cast<uint8_t>(command->ComType());
      io.U8(id, "command id");
      command->Transfer(io);
    }
    return;
  }
  Commands.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    uint8_t id = 0;
    io.U8(id, "command id");
    // Only the low seven bits of the id byte name the command.
    std::unique_ptr<TCommand> command = CreateCommand(id % 128, this);
    if (!command) throw EVeskError(MessageCp932(Msg::kBadCommand));
    command->Transfer(io);
    Commands.push_back(std::move(command));
  }
}

int32_t TPage::IndexOfLabel(std::string_view label) const {
  for (size_t i = 0; i < Commands.size(); ++i)
    if (Commands[i]->IsLabel(label)) return static_cast<int32_t>(i);
  return -1;
}

int32_t TPage::IndexOf(const TCommand* command) const {
  for (size_t i = 0; i < Commands.size(); ++i)
    if (Commands[i].get() == command) return static_cast<int32_t>(i);
  return -1;
}

}  // namespace vesk::script
