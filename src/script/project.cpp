#include "script/project.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/messages.h"
#include "core/runtime_context.h"
#include "core/sjis.h"
#include "expr/param_collection.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "storage/install_set.h"
#include "storage/vrfiles.h"

namespace vesk::script {
namespace {

constexpr const char* kProjectFile = "vesk.lpb";
constexpr const char* kOriginalProjectFile = "/original_vesk.lpb";

}  // namespace

TProject::~TProject() {
  if (CallMan) SaveData.SaveStatusData(info.save_status != 0);
}

namespace {

SaveDataEnvironment SaveEnvironmentOf(const ProjectEnvironment& env) {
  SaveDataEnvironment s;
  s.ctx = env.ctx;
  s.variables = env.variables;
  s.dialogs = env.dialogs;
  s.sections = env.save_sections;
  s.location = env.save_location;
  s.report = env.save_report;
  return s;
}

}  // namespace

TProject::TProject(ProjectEnvironment env)
    : SaveData(SaveEnvironmentOf(env)), env_(std::move(env)) {
  DiskPrompt = MessageCp932(Msg::kDiskPromptDefault);
  ExitPrompt = MessageCp932(Msg::kExitPromptDefault);
}

void TProject::Fail(const std::string& why) {
  error_ = why;
  env_.ctx->Terminate();
}

void TProject::Create() {
  env_.ctx->Terminate();  // cleared only when the load succeeds
  // Status variables restored here are not made again from the project.
  SaveData.ReadSaveCaptions();
  SaveData.LoadStatusData();
  const bool install_run = env_.args.empty() || EqualsIgnoreAsciiCase(env_.args.front(), "/config");
  // A game bundled into the program carries everything: no installation to check.
  const bool bundled = env_.args.empty() && env_.files->SourceCount() > 0;
  if (install_run && !bundled && !InstallCheck()) {
    error_ = "the game is not installed (no install.dat)";
    return;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes = env_.files->ReadFileBytes(kProjectFile);
  } catch (const std::exception& e) {
    // Present but unreadable (a damaged compressed entry) is not missing.
    error_ = env_.files->Exists(kProjectFile)
                 ? "the project file vesk.lpb is damaged: " + ErrorTextUtf8(e)
                 : std::string("no project file vesk.lpb");
    return;
  }
  if (bytes.empty()) {
    env_.dialogs->ShowMessage(MessageUtf8(Msg::kNoProject), MessageUtf8(Msg::kWarningCaption),
                              platform::MessageIcon::kWarning, platform::MessageButtons::kOk);
    error_ = "the project file vesk.lpb is empty";
    return;
  }
  try {
    if (!ReadProjectFile(bytes)) return;
  } catch (const std::exception& e) {
    error_ = std::string("vesk.lpb: ") + ErrorTextUtf8(e);
    return;
  }
  env_.ctx->terminated = false;
  if (env_.files->Exists(kOriginalProjectFile)) ReadOriginalDiskMap();

  storage::DiskPromptContext& prompt = env_.files->disk_prompt();
  prompt.dialogs = env_.dialogs;
  prompt.title_cp932 = info.title;
  prompt.prompt_cp932 = DiskPrompt;
  prompt.exit_cp932 = ExitPrompt;
  prompt.terminate = [ctx = env_.ctx] { ctx->Terminate(); };

  CallEnvironment call_env = env_;
  call_env.file_available = [this](const std::string& name) { return FileAvailable(name); };
  call_env.ports.save_data = this;
  CallMan = std::make_unique<TCallMan>(call_env);
  if (!env_.files->Exists(info.start_page)) {
    env_.dialogs->ShowMessage(MessageUtf8(Msg::kNoStartPage), MessageUtf8(Msg::kWarningCaption),
                              platform::MessageIcon::kWarning, platform::MessageButtons::kOk);
    Fail("the start page " + platform::Cp932ToUtf8(info.start_page) + " is missing");
    return;
  }
  try {
    CallMan->Start(info.start_page);
  } catch (const std::exception& e) {
    Fail(platform::Cp932ToUtf8(info.start_page) + ": " + ErrorTextUtf8(e));
  }
}

bool TProject::ReadProjectFile(const std::vector<uint8_t>& bytes) {
  ProjectFile file = script::ReadProjectFile(bytes);
  info = file.info;
  if (info.version > kMaxProjectVersion) {
    error_ = "project version " + std::to_string(info.version) + " is newer than this player";
    return false;
  }
  DiskPrompt = std::move(file.disk_prompt);
  ExitPrompt = std::move(file.exit_prompt);
  for (const StatusDefinition& d : file.status) {
    // A value restored from the saved status is never overwritten.
    if (d.type > lang::PT_STR || env_.variables->Find(d.name)) continue;
    expr::TParamCollectionItem* item = env_.variables->AddParam(d.type);
    try {
      env_.variables->SetName(*item, d.name);
    } catch (...) {
      env_.variables->DeleteItem(item);
      throw;
    }
    item->IsStatus = 1;
    switch (d.type) {
      case lang::PT_INT:
        item->Value->SetInt(d.i);
        break;
      case lang::PT_FLOAT:
        item->Value->SetFloat(d.r);
        break;
      case lang::PT_BOOL:
        item->Value->SetFlag(d.b);
        break;
      case lang::PT_STR:
        item->Value->SetStr(d.s);
        break;
      default:
        break;
    }
  }
  DiskMap = std::move(file.disk_map);
  return true;
}

void TProject::ReadOriginalDiskMap() {
  // The installed copy's map wins: the original file knows the real discs.
  // A file newer than this player gives no map.
  storage::TFolderDiskList map;
  try {
    map = script::ReadProjectFile(env_.files->ReadFileBytes(kOriginalProjectFile)).disk_map;
  } catch (const std::exception&) {
    map.Clear();
  }
  DiskMap = map;
}

void TProject::RequestSave(int32_t slot, const std::string& page, int32_t index,
                           const std::string& caption) {
  PendingSave = slot;
  SaveJumpPage = page;
  SaveJumpIndex = index;
  SaveCaption = caption;
}

void TProject::RequestLoad(int32_t slot) {
  PendingLoad = slot;
}

bool TProject::RunPending() {
  if (PendingLoad >= 0) {
    const int32_t slot = PendingLoad;
    PendingLoad = -1;
    if (CallMan) SaveData.LoadGame(*CallMan, slot);
    return true;
  }
  if (PendingSave >= 0) {
    const int32_t slot = PendingSave;
    PendingSave = -1;
    if (CallMan)
      SaveData.SaveGame(*CallMan, slot, SaveJumpPage, SaveJumpIndex, SaveCaption,
                        info.save_status != 0);
  }
  return false;
}

bool TProject::FileAvailable(const std::string& name) {
  if (env_.files->Exists(name)) return true;
  const int disk = DiskMap.DiskOf(name);
  if (disk <= 0) return false;
  const std::string ext = LowerAsciiBytes(ExtensionByBytes(name, "\\"));
  // Media the design keeps on the hard disk are never asked for from a disc.
  if ((LowerAsciiBytes(info.local_media_ext) + ".").find(ext + ".") != std::string::npos)
    return false;
  return env_.files->AskForDisk(disk);
}

bool TProject::InstallCheck() {
  storage::TVrFileManager& files = *env_.files;
  const std::string local_install = platform::JoinPath(env_.exe_dir, "install.dat");
  if (platform::FileExists(local_install) && files.BaseFolder().empty())
    files.AddFolder(env_.exe_dir);
  if (!files.Exists("install.dat")) {
    env_.dialogs->ShowMessage(MessageUtf8(Msg::kReinstall), MessageUtf8(Msg::kInfoCaption),
                              platform::MessageIcon::kInformation, platform::MessageButtons::kOk);
    return false;
  }
  storage::TInstallSet set;
  try {
    set = storage::ReadInstallSet(files.ReadFileBytes("install.dat"));
  } catch (const std::exception&) {
    env_.dialogs->ShowMessage(MessageUtf8(Msg::kReinstall), MessageUtf8(Msg::kInfoCaption),
                              platform::MessageIcon::kInformation, platform::MessageButtons::kOk);
    return false;
  }
  const std::string local_game = platform::JoinPath(env_.exe_dir, "game.dat");
  if (platform::FileExists(local_game)) {
    files.AddArchive(local_game);
    if (set.complete_install) return true;
  } else if (files.SourceCount() > 0 && set.complete_install) {
    return true;
  }
  for (;;) {
    for (const std::string& root : platform::OpticalDiscMountPoints()) {
      const std::string game = platform::JoinPath(root, "game.dat");
      const std::string install = platform::JoinPath(root, "install.dat");
      auto bytes = platform::ReadWholeFile(install);
      if (!platform::FileExists(game) || !bytes) continue;
      try {
        if (storage::ReadInstallSet(*bytes).title != set.title) continue;
      } catch (const std::exception&) {
        continue;
      }
      files.AddArchive(game);
      return true;
    }
    const auto insert = env_.dialogs->ShowMessage(
        MessageUtf8(Msg::kInsertDisc), MessageUtf8(Msg::kInfoCaption),
        platform::MessageIcon::kInformation, platform::MessageButtons::kOkCancel);
    if (!env_.dialogs->interactive()) return false;  // nobody can insert a disc
    if (insert == platform::MessageResult::kOk) continue;
    const auto leave = env_.dialogs->ShowMessage(
        platform::Cp932ToUtf8(ExitPrompt), platform::Cp932ToUtf8(set.title),
        platform::MessageIcon::kInformation, platform::MessageButtons::kOkCancel);
    if (leave == platform::MessageResult::kOk) return false;
  }
}

}  // namespace vesk::script
