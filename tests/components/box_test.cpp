// Boxes on a real scene: creation through the command port, drawing through
// the draw pass into a 32-bit picture, and their saved fields.
#include <gtest/gtest.h>

#include "components/box.h"
#include "components/component_services.h"
#include "components/kinds.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"
#include "scene/scene_port.h"

namespace vesk::components {
namespace {

using namespace vesk::lang;
using scene::TVeskBaseList;

class BoxScene : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.SetSceneSize(40, 30);
    screen_.SetSize(40, 30, 32);
    screen_.Fill(0x123456);
  }

  TVeskBox& Box(const std::string& name, int x, int y, int w, int h, int32_t color) {
    scene::SceneCommandPort port(root_);
    auto* box = static_cast<TVeskBox*>(port.CreateByKind(LT_BOX));
    port.ApplyCreationProperty(*box, PR_NAME, std::string(name));
    port.ApplyCreationProperty(*box, PR_PARENT, std::string());
    box->SetBounds(x, y, w, h);
    box->SetInt(PR_COLOR, color);
    port.CreationComplete(*box);
    return *box;
  }

  uint32_t Pixel(int x, int y) const { return screen_.GetPixel(x, y); }
  void DrawFrame() {
    root_.DrawPass(&screen_);
    root_.ClearDirtyRects();
  }

  // The component kinds, made without services (a box needs none).
  scene::SceneEnvironment Env() {
    auto kinds = std::make_shared<scene::KindRegistry>();
    RegisterComponentKinds(*kinds, services_);
    scene::SceneEnvironment env;
    env.kinds = kinds;
    return env;
  }

  ComponentServices services_;
  TVeskBaseList root_{Env()};
  graphics::TDIBX screen_;
};

TEST_F(BoxScene, OpaqueFillBorderAndTheBaseBehind) {
  TVeskBox& box = Box("b", 5, 4, 10, 8, 0x0000FF);  // colour values are 0x00BBGGRR
  box.SetInt(PR_BORDERWIDTH, 2);
  box.SetInt(PR_BORDERCOLOR, 0x00FF00);
  DrawFrame();
  EXPECT_EQ(Pixel(0, 0), 0x000000u);  // the base fills black
  EXPECT_EQ(Pixel(5, 4), 0x00FF00u);  // border corner
  EXPECT_EQ(Pixel(6, 5), 0x00FF00u);  // second border ring
  EXPECT_EQ(Pixel(7, 6), 0xFF0000u);  // inside, red in 0x00RRGGBB
  EXPECT_EQ(Pixel(14, 11), 0x00FF00u);
  EXPECT_EQ(Pixel(15, 12), 0x000000u);  // right and bottom are exclusive
}

TEST_F(BoxScene, OnlyDirtyPartsAreRepaintedAndHiddenBoxesVanish) {
  TVeskBox& box = Box("b", 0, 0, 4, 4, 0xFFFFFF);
  DrawFrame();
  screen_.SetPixel(30, 20, 0xABCDEF);  // outside every dirty rectangle from now on
  box.SetVisible(false);
  DrawFrame();
  EXPECT_EQ(Pixel(1, 1), 0x000000u);
  EXPECT_EQ(Pixel(30, 20), 0xABCDEFu);
  box.SetVisible(true);
  box.SetInt(PR_LEFT, 2);
  DrawFrame();
  EXPECT_EQ(Pixel(1, 1), 0x000000u);
  EXPECT_EQ(Pixel(2, 1), 0xFFFFFFu);
}

TEST_F(BoxScene, DeletedBoxesAndTheirChildrenVanish) {
  TVeskBox& box = Box("b", 2, 2, 10, 10, 0xFFFFFF);
  TVeskBox& child = Box("c", 20, 20, 5, 5, 0x0000FF);
  child.SetParent(&box);  // outside its parent: clipped away
  TVeskBox& other = Box("o", 25, 2, 4, 4, 0x00FF00);
  DrawFrame();
  ASSERT_EQ(Pixel(5, 5), 0xFFFFFFu);
  scene::SceneCommandPort(root_).DeleteObject(box);  // what ObjDel does
  ASSERT_EQ(root_.FindComponent("c"), nullptr);
  for (int i = 0; i < 20; ++i) DrawFrame();
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 25; ++x) ASSERT_EQ(Pixel(x, y), 0x000000u) << x << "," << y;
  EXPECT_EQ(Pixel(26, 3), 0x00FF00u);
  root_.ScheduleDelete(&other);  // deleted at the end of the update pass
  root_.UpdatePass(16);
  DrawFrame();
  EXPECT_EQ(Pixel(26, 3), 0x000000u);
}

TEST_F(BoxScene, AlphaBlendsAndAdditiveLevelsTheFill) {
  TVeskBox& half = Box("half", 0, 0, 4, 4, 0xFFFFFF);
  half.SetInt(PR_ALPHA, 128);
  TVeskBox& add = Box("add", 10, 0, 4, 4, 0x404040);
  add.SetInt(PR_ALPHA, 256 + 128);
  TVeskBox& none = Box("none", 20, 0, 4, 4, 0xFFFFFF);
  none.SetInt(PR_ALPHA, 0);
  DrawFrame();
  const uint32_t blended = Pixel(1, 1) & 0xFF;
  EXPECT_GE(blended, 0x7Fu);  // half of white over black
  EXPECT_LE(blended, 0x80u);
  EXPECT_EQ(Pixel(11, 1), 0x202020u);  // 0x40 at level 128 added to black
  EXPECT_EQ(Pixel(21, 1), 0x000000u);
}

TEST_F(BoxScene, ClippedChildrenAndFieldsSurviveASave) {
  TVeskBox& parent = Box("p", 0, 0, 20, 20, 0xFFFFFF);
  TVeskBox& child = Box("c", 15, 15, 10, 10, 0x0000FF);
  child.SetParent(&parent);
  child.SetInt(PR_BORDERWIDTH, 3);
  child.SetInt(PR_ALPHA, 200);
  child.SetStr(PR_SOURCE, "walk.lmt");
  child.SetStr(PR_ONPLAYEND, "p.lsb:end");
  DrawFrame();
  EXPECT_EQ(Pixel(22, 22), 0x000000u);  // outside the parent: not drawn

  ByteWriter out;
  root_.SaveToStream(out);
  TVeskBaseList copy(Env());
  ByteReader in(out.bytes().data(), out.bytes().size());
  copy.LoadFromStream(in, 120);
  auto* loaded = dynamic_cast<TVeskBox*>(copy.FindComponent("c"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->BorderWidth, 3);
  EXPECT_EQ(loaded->Alpha, 200);
  EXPECT_EQ(loaded->Source, "walk.lmt");
  EXPECT_EQ(loaded->OnPlayEnd, "p.lsb:end");
  ASSERT_NE(loaded->Parent, nullptr);
  EXPECT_EQ(loaded->Parent->Name, "p");
  EXPECT_EQ(in.remaining(), 0u);
}

}  // namespace
}  // namespace vesk::components
