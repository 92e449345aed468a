#pragma once
// TProject: the loaded game. Its creation reads "vesk.lpb" through the file
// manager, creates the project's status variables that the saved status did
// not bring back, takes the folder-to-disk map (from "/original_vesk.lpb"
// when present), checks the start page and starts the call manager there.
// FileAvailable is the file test every command and component runs before
// opening a page or a media file. (The forward declarations of what the
// project works with come with the call manager's header.)
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/callman.h"
#include "script/project_info.h"
#include "script/save_data.h"
#include "storage/folder_disk_list.h"

namespace vesk::script {

// What the project needs from the program around it: what its call manager
// needs (the project supplies the file test itself), and the command line.
struct ProjectEnvironment : CallEnvironment {
  std::vector<std::string> args;  // command-line arguments
  std::string exe_dir;            // the program's folder (install.dat, game.dat)
  // The save file and the owners of its sections; an empty location keeps
  // no saves.
  SaveLocation save_location;
  SaveSections save_sections;
  SaveReport save_report;
};

// The project serves the deferred save and load itself.
class TProject final : public SaveDataPort {
 public:
  explicit TProject(ProjectEnvironment env);
  ~TProject() override;

  // The whole start-up load. Afterwards the termination flag is clear
  // exactly when the project is ready; error() says why it is not (for the
  // command line; the player's own messages were shown as designed).
  void Create();
  const std::string& error() const { return error_; }

  bool FileAvailable(const std::string& name_cp932);
  bool InstallCheck();
  void RequestSave(int32_t slot, const std::string& page, int32_t index,
                   const std::string& caption) override;
  void RequestLoad(int32_t slot) override;
  // Serves the requests of this frame (the load first); true when a load
  // was asked for, whether or not the slot held a game.
  bool RunPending();

  ProjectInfo info;
  storage::TFolderDiskList DiskMap;
  std::string DiskPrompt;
  std::string ExitPrompt;
  // The deferred save and load (slot -1: none), recorded by the commands and
  // served at the end of the frame; a later request of a kind replaces the
  // earlier one.
  int32_t PendingLoad = -1;
  int32_t PendingSave = -1;
  std::string SaveJumpPage;
  int32_t SaveJumpIndex = 0;
  std::string SaveCaption;
  std::unique_ptr<TCallMan> CallMan;
  // The saved games and the status data; the status data is written again
  // when the project goes (once it has started).
  TSaveData SaveData;

 private:
  bool ReadProjectFile(const std::vector<uint8_t>& bytes);
  void ReadOriginalDiskMap();
  void Fail(const std::string& why);
  ProjectEnvironment env_;
  std::string error_;
};

}  // namespace vesk::script
