#pragma once
// What the file and shell functions reach in the running player: the
// game's files and the desktop's browser. The system router hands these
// calls here; the scene and display-mode functions go to their providers.
#include "expr/sysfuncs.h"
#include "storage/vrfiles.h"

namespace vesk::app {

class PlayerFunctionHost final : public expr::SysFuncHost {
 public:
  explicit PlayerFunctionHost(storage::TVrFileManager& files) : files_(files) {}
  bool FileExists(const std::string& name_cp932) override { return files_.Exists(name_cp932); }
  std::optional<std::vector<uint8_t>> LoadFile(const std::string& name_cp932) override;
  bool OpenUrl(const std::string& url_cp932) override;

 private:
  storage::TVrFileManager& files_;
};

}  // namespace vesk::app
