#include "script/save_data.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/messages.h"
#include "core/record_io.h"
#include "core/runtime_context.h"
#include "core/sjis.h"
#include "expr/param_collection.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "script/callman.h"
#include "script/table_port.h"

namespace vesk::script {
namespace {

constexpr size_t kStatusHeaderBytes = 9;  // "Status" and three digits

}  // namespace

std::string GameEntryName(int32_t slot) {
  return kGameEntryPrefix + std::to_string(slot);
}

bool ParseGameEntryName(const std::string& name, int32_t* slot) {
  const size_t prefix = std::strlen(kGameEntryPrefix);
  if (name.size() <= prefix || !EqualsIgnoreAsciiCase(name.substr(0, prefix), kGameEntryPrefix))
    return false;
  const char* first = name.data() + prefix;
  const char* last = name.data() + name.size();
  auto [end, ec] = std::from_chars(first, last, *slot);
  return ec == std::errc() && end == last;
}

SaveHead ReadSaveHead(const std::vector<uint8_t>& entry) {
  ByteReader in(entry.data(), entry.size());
  SaveHead head;
  head.version = in.I32("save version");
  head.caption = in.Str("save caption");
  if (head.version < kOldestLoadableSave) return head;
  head.jump_page = in.Str("jump page");
  head.jump_index = in.I32("jump index");
  return head;
}

int32_t ReadStatusHeader(const std::vector<uint8_t>& entry, size_t* header_bytes) {
  *header_bytes = 0;
  if (entry.size() < kStatusHeaderBytes || std::memcmp(entry.data(), "Status", 6) != 0) return 0;
  *header_bytes = kStatusHeaderBytes;
  int32_t version = 0;
  const char* digits = reinterpret_cast<const char*>(entry.data()) + 6;
  auto [end, ec] = std::from_chars(digits, digits + 3, version);
  return ec == std::errc() && end == digits + 3 ? version : 0;
}

TSaveData::TSaveData(SaveDataEnvironment env) : env_(std::move(env)) {}

void TSaveData::Report(const std::string& line) const {
  if (env_.report) env_.report(line);
}

TSaveFile TSaveData::ReadFile() {
  TSaveFile file = TSaveFile::Read(env_.location.read_path);
  if (file.damaged() && !damage_reported_) {
    damage_reported_ = true;
    // Archive errors name the file themselves.
    const std::string& path = env_.location.read_path;
    const std::string& problem = file.problem();
    Report((problem.rfind(path + ":", 0) == 0 ? "" : path + ": ") + problem +
           " (the saves that can still be read are kept; the file itself is kept aside before "
           "the next save)");
  }
  return file;
}

bool TSaveData::Write(const TSaveFile& file) {
  const bool same_file = env_.location.read_path == env_.location.write_path;
  const bool keep_aside = same_file && file.damaged();
  if (!WriteSaveFile(file, env_.location.write_path, keep_aside, env_.report)) return false;
  // From now on the saves are read where they were written.
  env_.location.read_path = env_.location.write_path;
  return true;
}

void TSaveData::SetCaption(int32_t slot, const std::string& caption) {
  for (auto& [text, number] : captions_)
    if (number == slot) {
      text = caption;
      return;
    }
  captions_.emplace_back(caption, slot);
}

std::string TSaveData::CaptionOf(int32_t slot) const {
  for (const auto& [text, number] : captions_)
    if (number == slot) return text;
  return {};
}

void TSaveData::ReadSaveCaptions() {
  captions_.clear();
  if (env_.location.empty()) return;
  const TSaveFile file = ReadFile();
  for (const auto& [name, bytes] : file.entries()) {
    int32_t slot = 0;
    if (!ParseGameEntryName(name, &slot)) continue;
    ByteReader in(bytes.data(), bytes.size());
    try {
      in.I32("save version");
      captions_.emplace_back(in.Str("save caption"), slot);
    } catch (const std::exception& e) {
      Report(env_.location.read_path + ": " + name + ": " + ErrorTextUtf8(e));
    }
  }
}

// ---- Saved games

std::vector<uint8_t> TSaveData::BuildGameEntry(const TCallMan& calls, const std::string& jump_page,
                                               int32_t jump_index, const std::string& caption) {
  ByteWriter out;
  out.I32(kGameSaveVersion);
  out.Str(caption);
  out.Str(jump_page);
  out.I32(jump_index);
  const SaveSections& s = env_.sections;
  if (s.scene) s.scene->SaveSection(out, kGameSaveVersion);
  if (s.history) s.history->SaveSection(out, kGameSaveVersion);
  calls.SaveToStream(out);
  env_.variables->SaveToStream(out);
  if (s.tables) s.tables->SaveTables(out, 0);
  return std::move(out.bytes());
}

void TSaveData::SaveGame(const TCallMan& calls, int32_t slot, const std::string& jump_page,
                         int32_t jump_index, const std::string& caption, bool save_status) {
  if (caption.empty() || env_.location.empty()) return;
  std::vector<uint8_t> entry;
  try {
    entry = BuildGameEntry(calls, jump_page, jump_index, caption);
  } catch (const std::exception& e) {
    Report("the game could not be saved into slot " + std::to_string(slot) + ": " +
           ErrorTextUtf8(e));
    return;
  }
  TSaveFile file = ReadFile();
  file.Put(GameEntryName(slot), std::move(entry));
  // The status entry goes into the same write: one rename, never a file
  // with the new game and the old status.
  std::vector<uint8_t> status;
  const bool with_status = save_status && BuildStatusEntry(&status);
  if (with_status) file.Put(kStatusEntryName, std::move(status));
  if (Write(file)) SetCaption(slot, caption);
}

void TSaveData::LoadGame(TCallMan& calls, int32_t slot) {
  if (env_.location.empty()) return;
  const TSaveFile file = ReadFile();
  const std::vector<uint8_t>* entry = file.Find(GameEntryName(slot));
  if (!entry) return;
  try {
    ReadGameEntry(calls, *entry);
  } catch (const std::exception& e) {
    // What is loaded by now is a mixture of two games: the game ends.
    Report(env_.location.read_path + ": " + GameEntryName(slot) + ": " + ErrorTextUtf8(e));
    env_.ctx->Terminate();
    if (env_.dialogs)
      env_.dialogs->ShowMessage(MessageUtf8(Msg::kBadSaveData), MessageUtf8(Msg::kWarningCaption),
                                platform::MessageIcon::kWarning, platform::MessageButtons::kOk);
  }
}

void TSaveData::ReadGameEntry(TCallMan& calls, const std::vector<uint8_t>& entry) {
  ByteReader in(entry.data(), entry.size());
  const int32_t version = in.I32("save version");
  if (version < kOldestLoadableSave)
    throw ETruncated("save version " + std::to_string(version) + " is too old");
  in.Str("save caption");
  const std::string jump_page = in.Str("jump page");
  const int32_t jump_index = in.I32("jump index");
  const SaveSections& s = env_.sections;
  if (s.scene) s.scene->LoadSection(in, version);
  if (s.history) s.history->LoadSection(in, version);
  // (Saves up to version 100 carried read marks here; they are refused above.)
  calls.LoadFromStream(in, version);
  if (!jump_page.empty()) {
    // The jump page runs first, as a call that returns to the saved place.
    if (calls.CurPage) {
      TStack frame;
      frame.PageName = calls.CurPage->Name;
      frame.ReturnIndex = calls.CurIndex;
      frame.Started = calls.Started;
      frame.RunOn = calls.RunOnFlag;
      frame.Sender = calls.Sender;
      frame.Args = calls.Args;
      calls.PushFrame(std::move(frame));
    }
    calls.CurPage = calls.GetPage(jump_page, true);
    calls.CurIndex = jump_index > 0 ? jump_index : 0;
    calls.Started = 0;
  }
  env_.variables->LoadFromStream(in, version);
  if (version >= kFirstGameSaveWithTables && s.tables) s.tables->LoadTables(in, 0);
}

// ---- The status data

bool TSaveData::BuildStatusEntry(std::vector<uint8_t>* entry) {
  const SaveSections& s = env_.sections;
  if (!s.read_marks || !s.dither || !s.tables || !env_.variables) return false;
  ByteWriter out;
  char header[16];
  std::snprintf(header, sizeof header, "Status%.3d", kStatusSaveVersion);
  out.Bytes(reinterpret_cast<const uint8_t*>(header), kStatusHeaderBytes);
  env_.variables->SaveStatus(out);
  s.read_marks->SaveSection(out, kStatusSaveVersion);
  s.dither->SaveSection(out, kStatusSaveVersion);
  s.tables->SaveTables(out, 1);
  *entry = std::move(out.bytes());
  return true;
}

void TSaveData::SaveStatusData(bool save_status) {
  if (!save_status || env_.location.empty()) return;
  std::vector<uint8_t> entry;
  try {
    if (!BuildStatusEntry(&entry)) return;
  } catch (const std::exception& e) {
    Report("the status data could not be saved: " + ErrorTextUtf8(e));
    return;
  }
  TSaveFile file = ReadFile();
  file.Put(kStatusEntryName, std::move(entry));
  Write(file);
}

void TSaveData::LoadStatusData() {
  if (env_.location.empty()) return;
  const TSaveFile file = ReadFile();
  const std::vector<uint8_t>* entry = file.Find(kStatusEntryName);
  if (!entry) return;
  try {
    ReadStatusEntry(*entry);
  } catch (const std::exception& e) {
    // What was read stays; the rest starts afresh, as in a first run.
    Report(env_.location.read_path + ": " + kStatusEntryName + ": " + ErrorTextUtf8(e));
  }
}

void TSaveData::ReadStatusEntry(const std::vector<uint8_t>& entry) {
  size_t header = 0;
  const int32_t version = ReadStatusHeader(entry, &header);
  ByteReader in(entry.data() + header, entry.size() - header);
  const SaveSections& s = env_.sections;
  env_.variables->LoadStatus(in, version);
  if (version >= kFirstStatusWithReadMarks && s.read_marks) s.read_marks->LoadSection(in, version);
  if (version >= kFirstStatusWithDither && s.dither) s.dither->LoadSection(in, version);
  if (version >= kFirstStatusWithTables && s.tables) s.tables->LoadTables(in, 1);
}

}  // namespace vesk::script
