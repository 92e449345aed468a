// Writes the seed inputs of the saved-game fuzz entries with the code's own
// writers: `fuzz_seed_writer fuzz/corpus` after a change to a stored form.
// Each seed is the first byte the entries read (the save version) and the
// stored form, as a saved game holds it.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "anim/film_file.h"
#include "call_pages.h"
#include "components/prev_menu_file.h"
#include "core/runtime_context.h"
#include "expr/sysfuncs.h"
#include "lang/vocabulary.h"
#include "platform/headless/headless_platform.h"
#include "script/callman.h"
#include "stored_forms.h"

namespace {

namespace fs = std::filesystem;
using namespace vesk;
using namespace vesk::lang;
using namespace vesk::script;

fs::path g_root;

void Put(const std::string& dir, const std::string& name, uint8_t first,
         const std::vector<uint8_t>& body) {
  fs::create_directories(g_root / dir);
  std::ofstream out(g_root / dir / name, std::ios::binary | std::ios::trunc);
  out.put(static_cast<char>(first));
  out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
}
void PutRaw(const std::string& dir, const std::string& name, const std::string& body) {
  fs::create_directories(g_root / dir);
  std::ofstream(g_root / dir / name, std::ios::binary | std::ios::trunc) << body;
}

template <class T = scene::TVeskControl>
scene::TVeskControl& Make(scene::TVeskBaseList& root, int kind, const std::string& name,
                          scene::TVeskControl* parent = nullptr) {
  auto* c = root.CreateByKind(kind)->AsControl();
  c->SetName(name);
  c->SetParent(parent ? parent : root.ShownBase());
  return *c;
}

void Scenes() {
  fuzz::SceneRig rig;
  auto save = [&](const std::string& name, scene::TVeskBaseList& root) {
    ByteWriter out;
    root.SaveToStream(out);
    Put("scene", name, fuzz::VersionByte(fuzz::kNewestSave), out.bytes());
  };
  {
    scene::TVeskBaseList root(rig.Env());
    root.SetSceneSize(64, 48);
    save("empty", root);
  }
  {
    scene::TVeskBaseList root(rig.Env());
    root.SetSceneSize(64, 48);
    auto& box = Make(root, LT_BOX, "box");
    box.SetInt(PR_LEFT, 3);
    box.SetInt(PR_WIDTH, 20);
    box.SetInt(PR_COLOR, 0x00FF00);
    box.SetInt(PR_BORDERWIDTH, 2);
    box.SetStr(PR_SOURCE, "three.orl");
    box.SetFlag(PR_REPEAT, true);
    auto& inner = Make(root, LT_BOX, "inner", &box);
    inner.SetStr(PR_ONMOUSEIN, "p.lsb:in");
    inner.SetFlag(PR_HANDLEKEY, true);
    root.SetFocus(&inner);
    auto& images = Make(root, LT_IMAGES, "anim");
    images.SetStr(PR_SOURCE, "three.orl");
    images.SetInt(PR_ZOOMX, 300);
    images.SetInt(PR_INDEX, 1);
    images.SetFlag(PR_AUTOSCRAP, true);
    auto& tile = Make(root, LT_TILE, "tile");
    tile.SetStr(PR_SOURCE, "k.orl");
    tile.SetInt(PR_SCROLLX, 5);
    tile.SetInt(PR_DISTANCEX, 2);
    root.Events.Enqueue("box", "p.lsb:ev", {"1", "two"}, 3);
    save("every_kind", root);
  }
  {
    scene::TVeskBaseList root(rig.Env());
    root.SetSceneSize(64, 48);
    auto& map = Make(root, LT_MAPIMG, "map");
    map.SetStr(PR_SOURCE, "n.orl");
    map.SetStr(PR_HOVERSOURCE, "k.orl");
    map.SetStr(PR_MAPSOURCE, "m.map");
    map.SetStr(PR_ONSELECT, "p.lsb:sel");
    auto& a = Make(root, LT_BUTTON, "a");
    a.SetStr(PR_SOURCE, "n.orl");
    a.SetStr(PR_HOVERSOURCE, "k.orl");
    a.SetInt(PR_GROUPINDEX, 4);
    a.SetFlag(PR_SELECTED, true);
    a.SetStr(PR_ONNOTIFY, "p.lsb:a");
    save("map_and_buttons", root);
  }
  {
    scene::TVeskBaseList root(rig.Env());
    root.SetSceneSize(64, 48);
    auto& slider = Make(root, LT_SLIDER, "volume");
    slider.SetStr(PR_SOURCE, "k.orl");
    slider.SetStr(PR_THUMBSOURCE, "n.orl");
    slider.SetInt(PR_MAX, 10);
    slider.SetInt(PR_VALUE, 4);
    slider.SetStr(PR_ONNOTIFY, "p.lsb:changed");
    auto& bar = Make(root, LT_SCROLLBAR, "bar");
    bar.SetInt(PR_ORIENTATION, 1);
    bar.SetInt(PR_MAX, 100);
    bar.SetInt(PR_LARGECHANGE, 10);
    auto& gauge = Make(root, LT_GAUGE, "life");
    gauge.SetStr(PR_SOURCE, "n.orl");
    gauge.SetInt(PR_MAX, 100);
    gauge.SetInt(PR_VALUE, 100);
    gauge.SetInt(PR_DURATION, 500);
    gauge.SetInt(PR_DELAY, 300);
    gauge.SetInt(PR_VALUE, 30);
    Make(root, LT_PREVMENU, "choices").SetFlag(PR_RCLICKSCRAP, true);
    save("sliders_and_gauges", root);
  }
}

struct Call {
  RuntimeContext ctx;
  platform::HeadlessPlatform platform;
  storage::TVrFileManager files;
  expr::TParamCollection vars;
  expr::TSysFuncMan functions{vars};
  TTimerList events;
  std::unique_ptr<TCallMan> man;
  Call() {
    fuzz::MountPages(files, fuzz::CallPages());
    CallEnvironment env;
    env.ctx = &ctx;
    env.files = &files;
    env.variables = &vars;
    env.functions = &functions;
    env.dialogs = &platform.dialogs();
    env.events = &events;
    man = std::make_unique<TCallMan>(env);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      ctx.frame_delta_ms = 20;
      ctx.game_clock_ms += 20;
      man->Step();
    }
  }
  void Save(const std::string& name) {
    ByteWriter out;
    man->SaveToStream(out);
    Put("callman", name, fuzz::VersionByte(fuzz::kNewestSave), out.bytes());
  }
};

void CallStacks() {
  {
    Call c;
    c.man->Start("main.lsb");
    c.Save("at_start");
  }
  {
    Call c;
    c.man->Start("main.lsb");
    c.Frames(3);  // inside the call, the wait under way
    c.Save("waiting_in_call");
  }
  {
    Call c;
    c.man->Start("main.lsb");
    c.Frames(12);  // back in the main page's own wait
    c.Save("waiting_after_call");
  }
}

void Declare(expr::TParamCollection& vars, const std::string& name, int type,
             expr::VarScope scope) {
  expr::TParamCollectionItem* item = vars.Declare(name, type, scope, 0);
  if (type == lang::PT_INT) item->Value->SetInt(42);
  if (type == lang::PT_FLOAT) item->Value->SetFloat(2.5);
  if (type == lang::PT_BOOL) item->Value->SetFlag(true);
  if (type == lang::PT_STR) item->Value->SetStr("text");
}

void VariableTables() {
  expr::TParamCollection vars;
  Declare(vars, "count", lang::PT_INT, expr::VarScope::kGlobal);
  Declare(vars, "ratio", lang::PT_FLOAT, expr::VarScope::kGlobal);
  Declare(vars, "seen", lang::PT_BOOL, expr::VarScope::kAutoDelete);
  Declare(vars, "name", lang::PT_STR, expr::VarScope::kGlobal);
  Declare(vars, "cleared", lang::PT_BOOL, expr::VarScope::kStatus);
  Declare(vars, "plays", lang::PT_INT, expr::VarScope::kStatus);
  auto* list = vars.Declare("list", lang::PT_INT, expr::VarScope::kGlobal, 0);
  list->Value->SetDims({2, 3});
  list->Value->SetIntAt(4, 9);
  auto* ref = vars.AddParam(lang::PT_NONE);
  vars.SetName(*ref, "alias");
  auto* var = static_cast<expr::TParamVar*>(ref->Value.get());
  var->RefName = "count";
  var->Target = vars.Find("count");
  vars.TextDelay = 30;
  vars.CursorFile = "hand.cur";
  vars.SelStr = "yes";
  vars.HistoryFormat = {16, 1, 1, 400, 300, 2};
  ByteWriter game, status;
  vars.SaveToStream(game);
  vars.SaveStatus(status);
  Put("variables", "game_data", fuzz::VersionByte(fuzz::kNewestSave), game.bytes());
  Put("variables", "status", fuzz::VersionByte(fuzz::kNewestSave, true), status.bytes());
}

void MapFiles() {
  const auto two = fuzz::MapFileBytes();
  PutRaw("map_file", "rect_and_triangle.map", std::string(two.begin(), two.end()));
  ByteWriter ellipse;
  ellipse.I32(1);
  ellipse.Str("round");
  ellipse.U8(1);
  for (int32_t v : {2, 2, 40, 20}) ellipse.I32(v);
  PutRaw("map_file", "ellipse.map", std::string(ellipse.bytes().begin(), ellipse.bytes().end()));
}

void PrevMenuFiles() {
  using components::PrevMenuFile;
  using components::PrevMenuItem;
  PrevMenuFile menu;
  menu.Width = 320;
  menu.Height = 64;
  PrevMenuItem yes;
  yes.Source = "yes.orl";
  yes.Caption = "\x82\xCD\x82\xA2";  // はい
  yes.HoverSource = "yes_h.orl";
  yes.HoverSound = "tick.wav";
  yes.ClickedSource = "flash.orl";
  yes.ClickedX = -4;
  PrevMenuItem no;
  no.X = 160;
  no.CaptureMask = 1;
  no.Source = "no.orl";
  no.UncheckedSource = "no_u.orl";
  no.Cursor = "hand.cur";
  menu.Items = {yes, no};
  const auto bytes = WritePrevMenuFile(menu);
  PutRaw("prev_menu", "two_items.pmn", std::string(bytes.begin(), bytes.end()));
  menu.Version = 100;
  menu.Items[1].UncheckedSource.clear();
  const auto old = WritePrevMenuFile(menu);
  PutRaw("prev_menu", "version_100.pmn", std::string(old.begin(), old.end()));
  PutRaw("prev_menu", "cut.pmn", std::string(bytes.begin(), bytes.end() - 7));
}

// A cinema with one list of each kind (a chain among them), the same film
// in the oldest layouts, a motion, and one cut short.
void FilmFiles() {
  using namespace anim;
  auto list = [](int32_t parent, int32_t start, int32_t length, FrameListData data) {
    FrameList l;
    l.Parent = parent;
    l.OwnStart = start;
    l.Length = length;
    l.Data = std::move(data);
    return l;
  };
  FilmData film;
  film.Size = {320, 240};
  film.LoopStart = 20;
  ImageListData image;
  image.Source = "girl.orl";
  image.Image.EndPos = {100, 0};
  image.Image.Clip.StartClipSize = {8, 8};
  LabelListData label;
  label.Text = "\x82\xA0";  // あ
  BoxListData box;
  box.EndColor = 0xFF;
  WipeListData wipe{1, "rule.orl", 2, 3, 1};
  SoundListData sound;
  sound.Source = "bell.wav";
  TileListData tile;
  tile.Source = "sky.orl";
  tile.Clip.EndClipSize = {4, 4};
  ParticleListData particle;  // an empty Source still stores every field
  particle.StartParam1 = 0.5;
  FireListData fire;
  fire.Power = 80;
  film.Lists = {list(-1, 0, 30, image), list(0, 0, 10, image),     list(-1, 4, 20, label),
                list(-1, 0, 8, box),    list(-1, 30, 10, wipe),    list(-1, 0, 40, sound),
                list(-1, 2, 6, tile),   list(-1, 0, 12, particle), list(-1, 0, 12, fire)};
  auto put = [](const std::string& name, const std::vector<uint8_t>& bytes) {
    PutRaw("film", name, std::string(bytes.begin(), bytes.end()));
  };
  const auto current = WriteFilm(film);
  put("every_kind.lcm", current);
  put("cut.lcm", std::vector<uint8_t>(current.begin(), current.end() - 9));
  film.Version = 100;
  put("version_100.lcm", WriteFilm(film));
  film.Version = 106;
  put("version_106.lcm", WriteFilm(film));
  FilmData motion;
  motion.FileKind = FilmFileKind::kMotion;
  motion.Relative = 1;
  motion.DesignOrigin = {10, 10};
  motion.Lists = {list(-1, 0, 60, image)};
  put("motion.lmt", WriteFilm(motion));
}

void Settings() {
  PutRaw("settings", "registry.ini",
         "[Software\\\\Vesk\\\\Game]\nCDDrive=Q:\\\\\nVolume=80\n[Other]\nmulti=line\\none\\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR (the fuzz/corpus folder)\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  Scenes();
  CallStacks();
  VariableTables();
  MapFiles();
  PrevMenuFiles();
  FilmFiles();
  Settings();
  std::printf("seeds written under %s\n", argv[1]);
  return 0;
}
