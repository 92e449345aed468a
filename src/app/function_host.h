#pragma once
// What the built-in functions reach in the running player: the game's files
// and the desktop's browser.
#include "app/engine_ports.h"
#include "expr/sysfuncs.h"
#include "storage/vrfiles.h"

namespace vesk::scene {
class TVeskBaseList;
}

namespace vesk::app {

class PlayerFunctionHost final : public expr::SysFuncHost {
 public:
  explicit PlayerFunctionHost(storage::TVrFileManager& files) : files_(files) {}
  bool FileExists(const std::string& name_cp932) override { return files_.Exists(name_cp932); }
  std::optional<std::vector<uint8_t>> LoadFile(const std::string& name_cp932) override;
  bool OpenUrl(const std::string& url_cp932) override;
  bool CallObjectFunction(int id, expr::TParamCollectionItem& dest, expr::Operands& operands) override;
  // The scene the object functions act on (set once it exists).
  void set_scene(scene::TVeskBaseList* scene) { scene_ = scene; }
  // The display modes GetDisplayMode lists (set once the screen exists).
  void set_screen(const ScreenManager* screen) { screen_ = screen; }

 private:
  storage::TVrFileManager& files_;
  scene::TVeskBaseList* scene_ = nullptr;
  const ScreenManager* screen_ = nullptr;
};

}  // namespace vesk::app
