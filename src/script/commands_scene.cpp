// What the commands that act on scene objects do: creation with the
// property order and defaults, property reads and writes, deletion and the
// cabinets. The scene is reached through ScenePort; without one these
// commands only move on.
#include <array>

#include "core/messages.h"
#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "lang/properties.h"
#include "script/callman.h"
#include "script/command_eval.h"
#include "script/commands.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids
namespace {

// The order in which a creation command applies its properties: names and
// parents first, zoom before the geometry it scales, the font hover
// settings with the other font settings.
const std::vector<int>& CreationOrder() {
  static const std::vector<int> order = [] {
    std::vector<int> o{PR_NAME,  PR_PARENT, PR_SOURCE, PR_ZOOMX, PR_ZOOMY, PR_POSZOOMED,
                       PR_WIDTH, PR_HEIGHT, PR_LEFT,   PR_TOP,   PR_COLOR, PR_BARSIZE};
    const auto span = [&o](int first, int last) {
      for (int p = first; p <= last; ++p) o.push_back(p);
    };
    span(PR_BORDERWIDTH, PR_HOVERCOLOR);
    span(PR_FONTHOVERBORDER, PR_FONTHOVERSHADOWCOLOR);
    span(PR_ANTIALIAS, PR_CURSOR);
    span(PR_ONPLAYSTART, PR_GLYPHHEIGHT);
    span(PR_CLICKEDSOURCE, PR_CAPTURELINK);
    o.push_back(PR_MUTEONLOAD);
    return o;
  }();
  return order;
}

CreationValue ReadCreationValue(int p, const expr::TCustomParam* v) {
  const lang::PropertyInfo& info = lang::Property(p);
  switch (info.creation_read) {
    case lang::CreationRead::kReadStr:
      return v ? v->GetStr() : std::string();
    case lang::CreationRead::kReadFlag:
      return v ? v->GetFlag() : info.creation_default != 0;
    case lang::CreationRead::kReadReal:
      return v ? v->GetFloat() : expr::Real{0};
    default:
      return v ? v->GetInt() : info.creation_default;
  }
}

}  // namespace

SceneObject* TComComponent::CreateAndApply(TCallMan& man, int kind) {
  ScenePort* scene = man.env().ports.scene;
  if (!scene) return nullptr;
  SceneObject* object = scene->CreateByKind(kind);
  if (!object) return nullptr;
  // An animated picture evaluates its delay after the last frame itself.
  if (ComType() == CMD_ImgNew)
    if (const TVeskParser* delay = Property(PR_DELAY))
      scene->TakeCreationExpression(*object, PR_DELAY, *delay);
  // An emitter evaluates its place and interval anew for every particle.
  if (ComType() == CMD_ParticleNew)
    for (int p : {PR_APPEARX, PR_APPEARY, PR_DELAY})
      if (const TVeskParser* e = Property(p)) scene->TakeCreationExpression(*object, p, *e);
  for (int p : CreationOrder()) {
    TVeskParser* e = Property(p);
    if (!e || lang::Property(p).creation_read == lang::CreationRead::kNever) continue;
    scene->ApplyCreationProperty(*object, p, ReadCreationValue(p, Evaluate(*e, man)));
  }
  scene->CreationComplete(*object);
  return object;
}

int TComComponent::CreatedKind() const {
  switch (ComType()) {
    case CMD_BoxNew:
      return LT_BOX;
    case CMD_ImgNew:
      return LT_IMAGES;
    case CMD_MesNew:
      return LT_MES;
    case CMD_Timer:
      return LT_TIMER;
    case CMD_Movie:
      return LT_VIDEO;
    case CMD_Cinema:
      return LT_CINEMA;
    case CMD_Caption:
      return LT_LABEL;
    case CMD_Menu:
      return LT_MENU;
    case CMD_Button:
      return LT_BUTTON;
    case CMD_ParticleNew:
      return LT_PARTICLE;
    case CMD_FireNew:
      return LT_FIRE;
    case CMD_Sound:
      return LT_SOUND;
    case CMD_EditNew:
      return LT_EDIT;
    case CMD_MemoNew:
      return LT_MEMO;
    case CMD_MapImgNew:
      return LT_MAPIMG;
    case CMD_WaveNew:
      return LT_WAVE;
    case CMD_TileNew:
      return LT_TILE;
    case CMD_SliderNew:
      return LT_SLIDER;
    case CMD_ScrollbarNew:
      return LT_SCROLLBAR;
    case CMD_GaugeNew:
      return LT_GAUGE;
    case CMD_CGCaption:
      return LT_CGLABEL;
    case CMD_PrevMenuNew:
      return LT_PREVMENU;
    default:
      return LT_NONE;
  }
}

void TComComponent::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  SceneObject* object = CreateAndApply(man, CreatedKind());
  // A menu is made closed and starts opening once its properties are set.
  if (object && ComType() == CMD_Menu)
    if (MenuPort* menus = man.env().ports.menus) menus->OpenMenu(*object);
}

namespace {

// The object and property id of a property command; null when there is no
// scene or no such object. A property id without a value is an error.
SceneObject* PropertyTarget(TCallMan& man, TVeskParser& name, TVeskParser& property, int32_t* id) {
  ScenePort* scene = man.env().ports.scene;
  if (!scene) return nullptr;
  SceneObject* object = scene->FindComponent(EvaluateStr(name, man));
  if (!object) return nullptr;
  const expr::TCustomParam* value = Evaluate(property, man);
  if (!value) throw EVeskError(MessageCp932(Msg::kBadPropertyId));
  *id = value->GetInt();
  return object;
}

}  // namespace

void TComGetProp::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  int32_t id = 0;
  SceneObject* object = PropertyTarget(man, ObjectName, PropertyId, &id);
  if (!object || VarName.empty()) return;
  if (expr::TParamCollectionItem* target = man.env().variables->Find(VarName))
    man.env().ports.scene->GetProp(*target->Value, *object, id);
}

void TComSetProp::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  int32_t id = 0;
  SceneObject* object = PropertyTarget(man, ObjectName, PropertyId, &id);
  if (!object) return;
  if (const expr::TCustomParam* value = Evaluate(Value, man))
    man.env().ports.scene->SetProp(*object, id, *value);
}

// Everything is evaluated before the motion is made, so a bad property id
// leaves no motion behind.
void TComPropMotion::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  ScenePort* scene = man.env().ports.scene;
  if (!scene) return;
  const std::string name = EvaluateStr(MotionName, man);
  PropertyMotionSetup setup;
  setup.target_name = EvaluateStr(TargetName, man);
  const expr::TCustomParam* id = Evaluate(PropertyId, man);
  if (!id) throw EVeskError(MessageCp932(Msg::kBadPropertyId));
  setup.property_id = id->GetInt();
  if (const expr::TCustomParam* v = Evaluate(EndValue, man)) setup.end_value = v->GetFloat();
  if (const expr::TCustomParam* v = Evaluate(Duration, man)) setup.duration_ms = v->GetInt();
  if (const expr::TCustomParam* v = Evaluate(Easing, man)) setup.easing = v->GetInt();
  if (const expr::TCustomParam* v = Evaluate(Flag, man)) setup.paused = v->GetFlag();
  SceneObject* motion = scene->CreateByKind(LT_PROPMOTION);
  if (!motion) return;
  if (!name.empty()) scene->ApplyCreationProperty(*motion, PR_NAME, name);
  scene->SetUpPropertyMotion(*motion, setup);
}

void TComObjDel::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  ScenePort* scene = man.env().ports.scene;
  const std::string name = EvaluateStr(ObjectName, man);
  if (!scene || name.empty()) return;
  if (SceneObject* object = scene->FindComponent(name)) scene->DeleteObject(*object);
}

void TComMenuClose::Execute(TCallMan& man, TPage*&, int32_t& index) {
  // A menu opened by a handler may not exist yet: without a name or an
  // object the index stays and the command runs again at its next turn.
  ScenePort* scene = man.env().ports.scene;
  MenuPort* menus = man.env().ports.menus;
  const std::string name = EvaluateStr(ObjectName, man);
  if (!scene || !menus || name.empty()) return;
  SceneObject* object = scene->FindComponent(name);
  if (!object) return;
  menus->CloseMenu(*object);
  ++index;
}

namespace {

// A name is selected when one of the name expressions gives it exactly;
// mode true selects the others instead.
ScenePort::NameFilter Selection(TComCabinet& c, TCallMan& man) {
  std::vector<std::string> names;
  for (TVeskParser& e : c.Names)
    if (const expr::TCustomParam* v = Evaluate(e, man)) names.push_back(v->GetStr());
  const expr::TCustomParam* mode = Evaluate(c.Mode, man);
  const bool invert = mode && mode->GetFlag();
  return [names = std::move(names), invert](const std::string& name) {
    const bool listed = std::find(names.begin(), names.end(), name) != names.end();
    return listed != invert;
  };
}

std::string CabinetName(TComCabinet& c, TCallMan& man) {
  TVeskParser* e = c.Property(PR_NAME);
  return e ? EvaluateStr(*e, man) : std::string();
}

}  // namespace

void TComCabinetSave::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (ScenePort* scene = man.env().ports.scene)
    scene->SaveCabinet(CabinetName(*this, man), Selection(*this, man));
}

void TComCabinetLoad::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (ScenePort* scene = man.env().ports.scene)
    scene->LoadCabinet(CabinetName(*this, man), Selection(*this, man));
}

}  // namespace vesk::script
