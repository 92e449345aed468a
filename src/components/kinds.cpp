#include "components/kinds.h"

#include <type_traits>

#include "components/box.h"
#include "components/button.h"
#include "components/cg_label.h"
#include "components/cinema.h"
#include "components/fire.h"
#include "components/gauge.h"
#include "components/http.h"
#include "components/images.h"
#include "components/label.h"
#include "components/map_image.h"
#include "components/menu.h"
#include "components/mes.h"
#include "components/particle.h"
#include "components/prev_menu.h"
#include "components/prop_motion.h"
#include "components/slider.h"
#include "components/sound.h"
#include "components/text_box.h"
#include "components/tile.h"
#include "components/timer.h"
#include "components/video.h"
#include "components/wave.h"
#include "lang/vocabulary.h"
#include "scene/kind_registry.h"

namespace vesk::components {
namespace {

template <class Kind>
scene::KindRegistry::Factory FactoryOf(ComponentServices& services) {
  return [&services](scene::TVeskBaseList& root) -> std::unique_ptr<scene::TVeskObject> {
    auto object = std::make_unique<Kind>(&root);
    if constexpr (std::is_base_of_v<ServiceUser, Kind>) object->BindServices(&services);
    return object;
  };
}

}  // namespace

void RegisterComponentKinds(scene::KindRegistry& registry, ComponentServices& services) {
  registry.Register(lang::LT_BOX, FactoryOf<TVeskBox>(services));
  registry.Register(lang::LT_IMAGES, FactoryOf<TVeskImages>(services));
  registry.Register(lang::LT_TILE, FactoryOf<TVeskTile>(services));
  registry.Register(lang::LT_MAPIMG, FactoryOf<TVeskMapImage>(services));
  registry.Register(lang::LT_BUTTON, FactoryOf<TVeskButton>(services));
  registry.Register(lang::LT_MES, FactoryOf<TVeskMes>(services));
  registry.Register(lang::LT_CGLABEL, FactoryOf<TVeskCGLabel>(services));
  registry.Register(lang::LT_LABEL, FactoryOf<TVeskLabel>(services));
  registry.Register(lang::LT_EDIT, FactoryOf<TVeskEdit>(services));
  registry.Register(lang::LT_MEMO, FactoryOf<TVeskMemo>(services));
  registry.Register(lang::LT_MENU, FactoryOf<TVeskMenu>(services));
  registry.Register(lang::LT_SLIDER, FactoryOf<TVeskSlider>(services));
  registry.Register(lang::LT_SCROLLBAR, FactoryOf<TVeskScrollbar>(services));
  registry.Register(lang::LT_GAUGE, FactoryOf<TVeskGauge>(services));
  registry.Register(lang::LT_PREVMENU, FactoryOf<TVeskPrevMenu>(services));
  registry.Register(lang::LT_PARTICLE, FactoryOf<TVeskParticle>(services));
  registry.Register(lang::LT_FIRE, FactoryOf<TVeskFire>(services));
  registry.Register(lang::LT_WAVE, FactoryOf<TVeskWave>(services));
  registry.Register(lang::LT_CINEMA, FactoryOf<TVeskCinema>(services));
  registry.Register(lang::LT_TIMER, FactoryOf<TVeskTimer>(services));
  registry.Register(lang::LT_PROPMOTION, FactoryOf<TVeskPropMotion>(services));
  registry.Register(lang::LT_SOUND, FactoryOf<TVeskSound>(services));
  registry.Register(lang::LT_VIDEO, FactoryOf<TVeskVideo>(services));
  registry.Register(lang::LT_HTTP, FactoryOf<TVeskHttp>(services));
}

}  // namespace vesk::components
