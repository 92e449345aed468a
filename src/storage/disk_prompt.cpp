// The multi-disk prompt: asks for the disk that holds the rest of the game.
#include <algorithm>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "storage/install_set.h"
#include "storage/vrfiles.h"

namespace vesk::storage {
namespace {

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && THashCollection::SameName(s.substr(0, prefix.size()), prefix);
}

std::string FormatDisk(const std::string& pattern, int disk) {
  std::string out = pattern;
  if (auto at = out.find("%d"); at != std::string::npos) out.replace(at, 2, std::to_string(disk));
  return out;
}

}  // namespace

bool TVrFileManager::AskForDisk(int disk) {
  DiskPromptContext& ctx = disk_prompt_;
  // Sources on the discs go: the disc in the drive is about to change.
  for (int id = SourceCount() - 1; id >= 0; --id) {
    const std::string& folder = sources_[static_cast<size_t>(id)]->Folder;
    if (std::any_of(cd_roots_.begin(), cd_roots_.end(),
                    [&](const std::string& root) { return StartsWithNoCase(folder, root); }))
      RemoveSource(id);
  }
  if (!ctx.dialogs) return false;
  const std::string caption = platform::Cp932ToUtf8(ctx.title_cp932);
  for (;;) {
    const auto answer = ctx.dialogs->ShowMessage(
        platform::Cp932ToUtf8(FormatDisk(ctx.prompt_cp932, disk)), caption,
        platform::MessageIcon::kInformation, platform::MessageButtons::kOkCancel);
    if (answer == platform::MessageResult::kOk) {
      // A newly mounted disc shows up in the mount table.
      cd_roots_ = scan_cd_roots_();
      for (const std::string& root : cd_roots_) {
        const std::string game = platform::JoinPath(root, "game.dat");
        const std::string install = platform::JoinPath(root, "install.dat");
        if (!platform::FileExists(game) || !platform::FileExists(install)) continue;
        auto bytes = platform::ReadWholeFile(install);
        if (!bytes) continue;
        try {
          const TInstallSet set = ReadInstallSet(*bytes);
          if (set.title == ctx.title_cp932 && set.disk_index == disk - 1) {
            AddArchive(game);
            return true;
          }
        } catch (const std::exception&) {
          // A damaged install set is not the disc we want.
        }
      }
      // Nobody can insert a disc in an unattended run: ask to end instead.
      if (ctx.dialogs->interactive()) continue;
    }
    const auto leave = ctx.dialogs->ShowMessage(platform::Cp932ToUtf8(ctx.exit_cp932), caption,
                                                platform::MessageIcon::kInformation,
                                                platform::MessageButtons::kOkCancel);
    if (leave == platform::MessageResult::kOk || !ctx.dialogs->interactive()) {
      if (ctx.terminate) ctx.terminate();
      return false;
    }
  }
}

}  // namespace vesk::storage
