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
    ResultType = in.U8("page result type");
    const int32_t sets = in.I32("property set count");
    const int32_t set_size = in.I32("property set size");
    if (sets < 0 || set_size < 0) OutOfRange("property sets", in);
    if (static_cast<uint64_t>(sets) * static_cast<uint64_t>(set_size) > in.remaining())
      OutOfRange("property sets", in);
    for (auto& set : Schema) set.fill(0);
    StoredSets = std::min(sets, static_cast<int32_t>(kCommandCount));
    for (int32_t i = 0; i < StoredSets; ++i) {
      const uint8_t* data = in.Bytes(static_cast<size_t>(set_size), "property set");
      // Only the first 20 bytes of a set mean anything; a shorter set leaves
      // the higher properties absent.
      std::copy_n(data, std::min(static_cast<size_t>(set_size), kPropertySetBytes),
                  Schema[static_cast<size_t>(i)].begin());
    }
    // Sets for ids no command has are skipped in one step: a count of two
    // billion empty sets costs nothing.
    in.Skip(static_cast<size_t>(sets - StoredSets) * static_cast<size_t>(set_size), "property set");

    const int32_t count = in.I32("command count");
    if (count < 0 || static_cast<size_t>(count) > in.remaining() / kMinCommandBytes)
      OutOfRange("command count", in);
    Commands.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      // Only the low seven bits of the id byte name the command.
      const int id = in.U8("command id") % 128;
      std::unique_ptr<TCommand> command = CreateCommand(id, this);
      if (!command) throw EVeskError(MessageCp932(Msg::kBadCommand));
      command->LoadFromStream(in, Version);
      Commands.push_back(std::move(command));
    }
  } catch (...) {
    Commands.clear();
    throw;
  }
  return PageLoad::kLoaded;
}

void TPage::SaveToStream(ByteWriter& out) const {
  out.I32(Version);
  out.U8(ResultType);
  const int32_t sets = std::clamp(StoredSets, 0, static_cast<int32_t>(kCommandCount));
  out.I32(sets);
  out.I32(static_cast<int32_t>(kPropertySetBytes));
  for (int32_t i = 0; i < sets; ++i)
    for (uint8_t b : Schema[static_cast<size_t>(i)]) out.U8(b);
  out.I32(Count());
  for (const auto& command : Commands) {
    out.U8(static_cast<uint8_t>(command->ComType()));
    command->SaveToStream(out, Version);
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
