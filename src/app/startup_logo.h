#pragma once
// The start-up logo: the cinema "MadeWithQuorvelLogo\QVロゴ.lcm" of the logo
// archive linked into the player (resource "MADEWITH" of type "DATA"),
// played centred on the shown base before the scenario starts. A click,
// Space or Enter skips it; it is over once the cinema has removed itself.
#include <functional>
#include <string>

#include "app/engine_ports.h"

namespace vesk::scene {
class TVeskBaseList;
class TVeskObject;
}  // namespace vesk::scene
namespace vesk::storage {
class TVrFileManager;
}

namespace vesk::app {

class CinemaLogo final : public StartupLogo {
 public:
  // `root` answers the scene once it exists; `files` mounts the archive.
  CinemaLogo(std::function<scene::TVeskBaseList*()> root, storage::TVrFileManager& files,
             std::string executable);
  ~CinemaLogo() override;
  bool Step(SceneRoot& scene) override;

  // The logo archive's resource and the cinema inside it (CP932).
  static constexpr const char* kResourceName = "MADEWITH";
  static constexpr const char* kResourceType = "DATA";
  static const std::string& CinemaName();

 private:
  // Mounts the archive and makes the cinema; false when it cannot.
  bool Begin(scene::TVeskBaseList& root);
  void End();

  std::function<scene::TVeskBaseList*()> root_;
  storage::TVrFileManager& files_;
  std::string executable_;
  scene::TVeskObject* cinema_ = nullptr;
  std::string cinema_name_;
  int source_id_ = -1;
  bool begun_ = false;
};

}  // namespace vesk::app
