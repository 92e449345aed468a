// What the commands that act on scene objects do: creation with the
// property order and defaults, property reads and writes, deletion and the
// cabinets. The scene is reached through ScenePort; without one these
// commands only move on.
#include <array>

#include "core/messages.h"
#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "script/callman.h"
#include "script/command_eval.h"
#include "script/commands.h"

namespace vesk::script {
namespace {

// The order in which a creation command applies its properties: names and
// parents first, zoom before the geometry it scales, the font hover
// settings with the other font settings.
const std::vector<int>& CreationOrder() {
  static const std::vector<int> order = [] {
    std::vector<int> o{0, 1, 2, 7, 132, 100, 5, 6, 3, 4, 8, 157};
    for (int p = 9; p <= 24; ++p) o.push_back(p);
    for (int p = 153; p <= 156; ++p) o.push_back(p);
    for (int p = 25; p <= 99; ++p) o.push_back(p);
    for (int p = 101; p <= 131; ++p) o.push_back(p);
    for (int p = 133; p <= 152; ++p) o.push_back(p);
    o.push_back(158);
    return o;
  }();
  return order;
}

enum class ReadAs { kStr, kFlag, kReal, kInt, kNever };

// How a creation command reads each property, which is not always the
// property's own type.
ReadAs CreationType(int p) {
  static const std::array<ReadAs, kPropertyCount> table = [] {
    std::array<ReadAs, kPropertyCount> t{};
    t.fill(ReadAs::kInt);
    for (int p : {0,  1,   2,   15,  43,  46,  50,  69,  70,  72,  83,  84,
                  99, 101, 113, 121, 122, 129, 133, 135, 136, 148, 149, 151})
      t[static_cast<size_t>(p)] = ReadAs::kStr;
    for (int p = 32; p <= 41; ++p) t[static_cast<size_t>(p)] = ReadAs::kStr;
    for (int p = 54; p <= 62; ++p) t[static_cast<size_t>(p)] = ReadAs::kStr;
    for (int p : {74, 75, 76, 77, 103, 104, 105, 106, 144, 145, 146})
      t[static_cast<size_t>(p)] = ReadAs::kStr;
    for (int p : {25,  27,  29,  47,  71,  73,  81,  86,  87,  88, 98,
                  100, 111, 112, 134, 137, 139, 147, 150, 152, 158})
      t[static_cast<size_t>(p)] = ReadAs::kFlag;
    for (int p : {95, 96, 102}) t[static_cast<size_t>(p)] = ReadAs::kReal;
    for (int p : {78, 79, 92, 93, 138, 140}) t[static_cast<size_t>(p)] = ReadAs::kNever;
    return t;
  }();
  return table[static_cast<size_t>(p)];
}

int32_t IntDefault(int p) {
  switch (p) {
    case PR_ZOOMX:
    case PR_ZOOMY:
      return 256;
    case PR_COLOR:
    case PR_BORDERCOLOR:
    case PR_HOVERCOLOR:
      return -1;
    case PR_ALPHA:
      return 255;
    case PR_FONTHEIGHT:
      return 16;
    case PR_VOLUME:
      return 1000;
    case PR_COLCOUNT:
    case PR_ROWCOUNT:
    case PR_AMP:
    case PR_SMALLCHANGE:
    case PR_LARGECHANGE:
    case PR_GLYPHWIDTH:
    case PR_GLYPHHEIGHT:
      return 1;
    case PR_TEXTDELAY:
      return 256;
    case PR_WAVELEN:
      return 100;
    default:
      return 0;
  }
}

CreationValue ReadCreationValue(int p, const expr::TCustomParam* v) {
  switch (CreationType(p)) {
    case ReadAs::kStr:
      return v ? v->GetStr() : std::string();
    case ReadAs::kFlag:
      return v ? v->GetFlag() : (p == PR_VISIBLE || p == PR_OVERLAY);
    case ReadAs::kReal:
      return v ? v->GetFloat() : expr::Real{0};
    default:
      return v ? v->GetInt() : IntDefault(p);
  }
}

}  // namespace

SceneObject* TComComponent::CreateAndApply(TCallMan& man, int kind) {
  ScenePort* scene = man.env().scene;
  if (!scene) return nullptr;
  SceneObject* object = scene->CreateByKind(kind);
  if (!object) return nullptr;
  // An animated picture evaluates its delay after the last frame itself.
  if (ComType() == CMD_ImgNew)
    if (const TVeskParser* delay = Property(PR_DELAY))
      scene->TakeCreationExpression(*object, PR_DELAY, *delay);
  for (int p : CreationOrder()) {
    TVeskParser* e = Property(p);
    if (!e || CreationType(p) == ReadAs::kNever) continue;
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
  CreateAndApply(man, CreatedKind());
}

namespace {

// The object and property id of a property command; null when there is no
// scene or no such object. A property id without a value is an error.
SceneObject* PropertyTarget(TCallMan& man, TVeskParser& name, TVeskParser& property, int32_t* id) {
  ScenePort* scene = man.env().scene;
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
    man.env().scene->GetProp(*target->Value, *object, id);
}

void TComSetProp::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  int32_t id = 0;
  SceneObject* object = PropertyTarget(man, ObjectName, PropertyId, &id);
  if (!object) return;
  if (const expr::TCustomParam* value = Evaluate(Value, man))
    man.env().scene->SetProp(*object, id, *value);
}

void TComObjDel::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  ScenePort* scene = man.env().scene;
  const std::string name = EvaluateStr(ObjectName, man);
  if (!scene || name.empty()) return;
  if (SceneObject* object = scene->FindComponent(name)) scene->DeleteObject(*object);
}

void TComMenuClose::Execute(TCallMan& man, TPage*&, int32_t& index) {
  // A menu opened by a handler may not exist yet: without a name or an
  // object the index stays and the command runs again at its next turn.
  ScenePort* scene = man.env().scene;
  const std::string name = EvaluateStr(ObjectName, man);
  if (!scene || name.empty()) return;
  SceneObject* object = scene->FindComponent(name);
  if (!object) return;
  scene->CloseMenu(*object);
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
  if (ScenePort* scene = man.env().scene)
    scene->SaveCabinet(CabinetName(*this, man), Selection(*this, man));
}

void TComCabinetLoad::Execute(TCallMan& man, TPage*&, int32_t& index) {
  ++index;
  if (ScenePort* scene = man.env().scene)
    scene->LoadCabinet(CabinetName(*this, man), Selection(*this, man));
}

}  // namespace vesk::script
