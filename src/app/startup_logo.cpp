#include "app/startup_logo.h"

#include "lang/vocabulary.h"
#include "scene/baselist.h"
#include "storage/vrfiles.h"

namespace vesk::app {

using namespace vesk::lang;

namespace {
constexpr int kVkReturn = 13;  // the virtual keys that skip the logo
constexpr int kVkSpace = 32;
}  // namespace

const std::string& CinemaLogo::CinemaName() {
  // "MadeWithQuorvelLogo\QVロゴ.lcm" in the engine's code page.
  static const std::string name = "MadeWithQuorvelLogo\\QV\x83\x8D\x83\x53.lcm";
  return name;
}

CinemaLogo::CinemaLogo(std::function<scene::TVeskBaseList*()> root, storage::TVrFileManager& files,
                       std::string executable)
    : root_(std::move(root)), files_(files), executable_(std::move(executable)) {}

CinemaLogo::~CinemaLogo() {
  if (source_id_ >= 0) files_.RemoveSource(source_id_);
}

bool CinemaLogo::Begin(scene::TVeskBaseList& root) {
  try {
    source_id_ = files_.AddResource(executable_, kResourceName, kResourceType);
  } catch (const std::exception&) {
    return false;  // no logo archive in this program: nothing to show
  }
  scene::TVeskObject* cinema = root.CreateByKind(LT_CINEMA);
  if (!cinema) return false;
  scene::TVeskBase* base = root.ShownBase();
  if (scene::TVeskControl* control = cinema->AsControl()) {
    control->SetParent(base);
    // A click anywhere skips the logo: the picture itself does not take it.
    control->IgnoreMouse = IM_ALL;
  }
  cinema->SetStr(PR_SOURCE, CinemaName());
  cinema->SetFlag(PR_AUTOSCRAP, true);
  cinema->SetFlag(PR_REPEAT, false);
  // Centred, each halving rounding toward zero.
  cinema->SetInt(PR_LEFT, (base->Width - cinema->GetInt(PR_WIDTH)) / 2);
  cinema->SetInt(PR_TOP, (base->Height - cinema->GetInt(PR_HEIGHT)) / 2);
  cinema_ = cinema;
  cinema_name_ = cinema->Name;
  return true;
}

void CinemaLogo::End() {
  cinema_ = nullptr;
  if (source_id_ >= 0) files_.RemoveSource(source_id_);
  source_id_ = -1;
  files_.ClearCache();
}

bool CinemaLogo::Step(SceneRoot& scene) {
  scene::TVeskBaseList* root = root_();
  if (!root) return true;
  if (!begun_) {
    begun_ = true;
    if (!Begin(*root)) {
      End();
      return true;
    }
    return false;
  }
  // The cinema removes itself when played out (or was skipped).
  if (!cinema_ || !root->IsRegistered(cinema_) || cinema_->Name != cinema_name_) {
    End();
    return true;
  }
  if (scene.LeftClicked() || scene.KeyClicked(kVkSpace) || scene.KeyClicked(kVkReturn))
    root->DeleteObject(cinema_);  // the logo ends on the next frame
  return false;
}

}  // namespace vesk::app
