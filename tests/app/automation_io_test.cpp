// The automation interface: scripted input and the variable dump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/input_script.h"
#include "app/var_dump.h"
#include "platform/vkeys.h"

namespace vesk::app {
namespace {

using platform::EventType;
using platform::MouseButton;

TEST(InputScript, ClickAndKeyReleaseOnTheNextFrame) {
  std::vector<ScriptedEvent> ev;
  std::string err;
  ASSERT_TRUE(ParseInputScript("# comment\n5 click 10 20\n\n3 key 13  # enter\n", &ev, &err))
      << err;
  ASSERT_EQ(ev.size(), 5u);
  EXPECT_EQ(ev[0].frame, 3);
  EXPECT_EQ(ev[0].event.type, EventType::kKeyDown);
  EXPECT_EQ(ev[0].event.vk, 13);
  EXPECT_EQ(ev[1].frame, 4);
  EXPECT_EQ(ev[1].event.type, EventType::kKeyUp);
  EXPECT_EQ(ev[2].event.type, EventType::kMouseMove);
  EXPECT_EQ(ev[3].event.type, EventType::kMouseDown);
  EXPECT_EQ(ev[3].frame, 5);
  EXPECT_EQ(ev[4].event.type, EventType::kMouseUp);
  EXPECT_EQ(ev[4].frame, 6);
  EXPECT_EQ(ev[4].event.x, 10);
  EXPECT_EQ(ev[4].event.y, 20);
}

TEST(InputScript, EveryEventKind) {
  std::vector<ScriptedEvent> ev;
  std::string err;
  ASSERT_TRUE(
      ParseInputScript("0 move 7 8\n0 ldown\n1 lup\n1 rdown\n1 rup\n2 rclick 1 2\n"
                       "2 keydown 0x41\n2 keyup Return\n3 wheel up\n3 wheel down\n"
                       "4 text こんにちは 世界\n5 deactivate\n6 activate\n7 quit\n",
                       &ev, &err))
      << err;
  ASSERT_EQ(ev.size(), 16u);
  EXPECT_EQ(ev[1].event.type, EventType::kMouseDown);
  EXPECT_EQ(ev[1].event.x, 7);  // ldown where the pointer is
  EXPECT_EQ(ev[4].event.button, MouseButton::kRight);
  EXPECT_EQ(ev[7].event.vk, 0x41);
  EXPECT_EQ(ev[8].event.vk, platform::vk::kReturn);
  EXPECT_EQ(ev[9].frame, 3);  // the rclick's release
  EXPECT_FALSE(ev[10].event.wheel_down);
  EXPECT_TRUE(ev[11].event.wheel_down);
  EXPECT_EQ(ev[12].event.text, "こんにちは 世界");
  EXPECT_EQ(ev[15].event.type, EventType::kQuit);
}

TEST(InputScript, KeysCarryTheModifiersHeldAtTheirFrame) {
  std::vector<ScriptedEvent> ev;
  std::string err;
  // Lines out of frame order: the modifiers follow the order of delivery.
  ASSERT_TRUE(
      ParseInputScript("3 keyup Shift\n1 keydown Shift\n2 key Left\n2 keydown Control\n"
                       "2 key C\n4 key Right\n5 keyup 0x11\n",
                       &ev, &err))
      << err;
  ASSERT_EQ(ev.size(), 10u);
  auto mods_of = [&](int frame, EventType type, int vk) {
    for (const ScriptedEvent& s : ev)
      if (s.frame == frame && s.event.type == type && s.event.vk == vk) return int{s.event.mods};
    return -1;
  };
  EXPECT_EQ(mods_of(2, EventType::kKeyDown, platform::vk::kLeft), platform::kModShift);
  EXPECT_EQ(mods_of(2, EventType::kKeyDown, 'C'), platform::kModShift | platform::kModControl);
  EXPECT_EQ(mods_of(4, EventType::kKeyDown, platform::vk::kRight), platform::kModControl);
  EXPECT_EQ(mods_of(5, EventType::kKeyUp, platform::vk::kControl), platform::kModControl);
}

TEST(InputScript, ErrorsNameTheLine) {
  std::vector<ScriptedEvent> ev;
  std::string err;
  EXPECT_FALSE(ParseInputScript("0 move 1 2\n1 click 5\n", &ev, &err));
  EXPECT_THAT(err, ::testing::HasSubstr("line 2"));
  EXPECT_FALSE(ParseInputScript("-1 ldown\n", &ev, &err));
  EXPECT_FALSE(ParseInputScript("0 key 256\n", &ev, &err));
  EXPECT_FALSE(ParseInputScript("0 key NoSuchKey\n", &ev, &err));
  EXPECT_FALSE(ParseInputScript("0 wheel sideways\n", &ev, &err));
  EXPECT_FALSE(ParseInputScript("0 jump\n", &ev, &err));
  EXPECT_THAT(err, ::testing::HasSubstr("jump"));
}

TEST(VarDump, EmptyTableAndEscapedNames) {
  EXPECT_EQ(VarDumpJson(12, 192, {}), "{\"frames\":12,\"tick\":192,\"variables\":[]}\n");
  DumpedVariable v;
  v.name_cp932 = "\x95\xCF\x90\x94";  // 変数
  v.type = 4;
  v.dims = {2};
  v.values_json = {JsonString("a\"b"), JsonString("\x01")};
  EXPECT_EQ(VarDumpJson(1, 2, {v}),
            "{\"frames\":1,\"tick\":2,\"variables\":[\n{\"name\":\"変数\",\"type\":4,"
            "\"status\":false,\"scope\":0,\"local\":false,\"dims\":[2],"
            "\"values\":[\"a\\\"b\",\"\\u0001\"]}]}\n");
}

}  // namespace
}  // namespace vesk::app

#include "expr/param_collection.h"

namespace vesk::app {
namespace {

TEST(VarDump, CollectsTheNonSystemVariablesInTableOrder) {
  expr::TParamCollection table;
  table.Declare("n", lang::PT_INT, expr::VarScope::kGlobal, 0)->Value->SetInt(-3);
  auto* arr = table.Declare("r", lang::PT_FLOAT, expr::VarScope::kLocal, 2);
  arr->Value->SetDims({2});
  arr->Value->SetFloatAt(1, 0.5L);
  table.Declare("\x83\x74\x83\x89\x83\x4F", lang::PT_BOOL, expr::VarScope::kStatus, 0)
      ->Value->SetFlag(true);
  table.Declare("s", lang::PT_STR, expr::VarScope::kGlobal, 0)->Value->SetStr("\x82\xA0");
  EXPECT_EQ(VarDumpJson(1, 2, CollectVariables(table)),
            "{\"frames\":1,\"tick\":2,\"variables\":[\n"
            "{\"name\":\"n\",\"type\":1,\"status\":false,\"scope\":-1,\"local\":false,\"dims\":[],"
            "\"values\":[-3]},\n"
            "{\"name\":\"r\",\"type\":2,\"status\":false,\"scope\":2,\"local\":true,\"dims\":[2],"
            "\"values\":[0,0.5]},\n"
            "{\"name\":\"フラグ\",\"type\":3,\"status\":true,\"scope\":-1,\"local\":false,\"dims\":"
            "[],\"values\":[true]},\n"
            "{\"name\":\"s\",\"type\":4,\"status\":false,\"scope\":-1,\"local\":false,\"dims\":[],"
            "\"values\":[\"あ\"]}]}\n");
}

}  // namespace
}  // namespace vesk::app
