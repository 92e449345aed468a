#include "script/commands.h"

#include <gtest/gtest.h>

#include "script/pages.h"
#include "support/record_builder.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

namespace {

// Hand-written record bytes, in the stored little-endian form.
using Rec = test_support::RecordBytes;

// The integer an IntExpr expression assigns, -1 for anything else.
int32_t IntOf(const TVeskParser& e) {
  if (e.Ops.size() != 1 || e.Ops[0]->Operands.size() != 1) return -1;
  return e.Ops[0]->Operands[0]->GetInt();
}
std::string StrOf(const TVeskParser& e) {
  if (e.Ops.size() != 1 || e.Ops[0]->Operands.size() != 1) return "?";
  return e.Ops[0]->Operands[0]->GetStr();
}

template <class T>
std::unique_ptr<T> Read(const Rec& r, int32_t version, TPage* page = nullptr) {
  auto command = std::make_unique<T>(page);
  ByteReader in(r.b.data(), r.b.size());
  command->LoadFromStream(in, version);
  EXPECT_TRUE(in.at_end()) << "record not consumed exactly";
  return command;
}

std::vector<uint8_t> Write(const TCommand& command, int32_t version) {
  ByteWriter out;
  command.SaveToStream(out, version);
  return out.bytes();
}

// ---- Factory and fixed answers ------------------------------------------

TEST(CommandFactory, EveryIdGetsItsOwnClass) {
  for (int id = 0; id < kCommandCount; ++id) {
    auto command = CreateCommand(id, nullptr);
    ASSERT_NE(command, nullptr) << id;
    EXPECT_EQ(command->ComType(), id) << CommandClassName(id);
  }
  EXPECT_EQ(CreateCommand(kCommandCount, nullptr), nullptr);
  EXPECT_EQ(CreateCommand(-1, nullptr), nullptr);
  EXPECT_EQ(CreateCommand(255, nullptr), nullptr);
}

TEST(CommandFactory, ClassTreeFollowsTheCommandFamilies) {
  TPage page;
  EXPECT_NE(dynamic_cast<TComIf*>(CreateCommand(CMD_Elseif, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComLabel*>(CreateCommand(CMD_Comment, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComExit*>(CreateCommand(CMD_Break, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComExit*>(CreateCommand(CMD_Continue, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComWhileInit*>(CreateCommand(CMD_WhileLoop, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComRuntime*>(CreateCommand(CMD_WhileInit, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComPCReset*>(CreateCommand(CMD_Reset, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComCabinet*>(CreateCommand(CMD_SaveCabinet, &page).get()), nullptr);
  EXPECT_NE(dynamic_cast<TComCabinet*>(CreateCommand(CMD_LoadCabinet, &page).get()), nullptr);
  for (int id : {8, 9, 10, 12, 23, 24, 25, 30, 36, 37, 43, 44, 48, 49, 50, 51, 52, 53, 54, 56})
    EXPECT_NE(dynamic_cast<TComControl*>(CreateCommand(id, &page).get()), nullptr) << id;
  for (int id : {11, 42}) {
    auto command = CreateCommand(id, &page);
    EXPECT_NE(dynamic_cast<TComComponent*>(command.get()), nullptr) << id;
    EXPECT_EQ(dynamic_cast<TComControl*>(command.get()), nullptr) << id;
  }
  EXPECT_EQ(dynamic_cast<TComComponent*>(CreateCommand(CMD_Flip, &page).get()), nullptr);
}

TEST(CommandFixedAnswers, RunOnAndDisabledOverrideTheStoredBytes) {
  for (int id = 0; id < kCommandCount; ++id) {
    for (uint8_t stored : {0, 1}) {
      auto command = CreateCommand(id, nullptr);
      command->RunOn = stored;
      command->Disabled = stored;
      uint8_t run_on = stored;
      if (id == CMD_Else || id == CMD_WhileInit || id == CMD_WhileLoop) run_on = 1;
      if (id == CMD_Comment || id == CMD_DoEvent || id == CMD_GameSave || id == CMD_GameLoad)
        run_on = 0;
      EXPECT_EQ(command->GetRunOn(), run_on) << id;
      EXPECT_EQ(command->GetDisabled(), id == CMD_Comment ? 1 : stored) << id;
    }
  }
}

TEST(CommandFixedAnswers, OnlyLabelsAnswerToTheirNameByteForByte) {
  TComLabel label(nullptr);
  label.LabelName = "\x83\x89\x83x\x83\x8B";  // CP932 bytes
  EXPECT_TRUE(label.IsLabel("\x83\x89\x83x\x83\x8B"));
  EXPECT_FALSE(label.IsLabel("\x83\x89\x83x"));
  EXPECT_FALSE(label.IsLabel(std::string("\x83\x89\x83x\x83\x8B\0", 7)));
  TComComment comment(nullptr);
  comment.LabelName = "start";
  EXPECT_TRUE(comment.IsLabel("start"));  // inherited from the label
  EXPECT_EQ(comment.Text(), "start");
  EXPECT_FALSE(TComJump(nullptr).IsLabel(""));
}

// ---- Records in file order ----------------------------------------------

TEST(CommandRecord, HeaderComesFirstInEveryRecord) {
  Rec r;
  r.Header(3, 1, 0, 77).Str("top");
  auto label = Read<TComLabel>(r, 109);
  EXPECT_EQ(label->Indent, 3);
  EXPECT_EQ(label->Disabled, 1);
  EXPECT_EQ(label->RunOn, 0);
  EXPECT_EQ(label->Line, 77);
  EXPECT_EQ(label->LabelName, "top");
  EXPECT_EQ(Write(*label, 109), r.b);
}

TEST(CommandRecord, JumpAndCallFieldsInFileOrder) {
  Rec jump;
  jump.Header(0, 0, 1, 2).Str("p2").I32(14).IntExpr(1);
  auto j = Read<TComJump>(jump, 109);
  EXPECT_EQ(j->PageName, "p2");
  EXPECT_EQ(j->Target, 14);
  EXPECT_EQ(IntOf(j->Condition), 1);
  EXPECT_EQ(Write(*j, 109), jump.b);

  Rec call;
  call.Header(1, 0, 0, 9).Str("sub").I32(3).Str("r").IntExpr(1).I32(2).StrExpr("a").IntExpr(7);
  auto c = Read<TComCall>(call, 109);
  EXPECT_EQ(c->PageName, "sub");
  EXPECT_EQ(c->Target, 3);
  EXPECT_EQ(c->ResultVar, "r");
  ASSERT_EQ(c->Args.size(), 2u);
  EXPECT_EQ(StrOf(c->Args[0]), "a");
  EXPECT_EQ(IntOf(c->Args[1]), 7);
  EXPECT_EQ(Write(*c, 109), call.b);
}

TEST(CommandRecord, LoopTargetsFollowTheirExpressions) {
  Rec r;
  r.Header(0, 0, 0, 0).IntExpr(5).I32(-1);
  EXPECT_EQ(Read<TComBreak>(r, 109)->Target, -1);
  EXPECT_EQ(Read<TComContinue>(r, 109)->Target, -1);
  EXPECT_EQ(Read<TComWhile>(r, 109)->ExitIndex, -1);
  EXPECT_EQ(Read<TComWhileLoop>(r, 109)->LoopIndex, -1);
  EXPECT_EQ(IntOf(Read<TComWhileLoop>(r, 109)->Expression), 5);
}

TEST(CommandRecord, VarNewAndResetsKeepTheirBytes) {
  Rec v;
  v.Header(0, 0, 0, 0).Str("x").U8(4).StrExpr("init").U8(2);
  auto var = Read<TComVarNew>(v, 109);
  EXPECT_EQ(var->VarName, "x");
  EXPECT_EQ(var->TypeCode, 4);
  EXPECT_EQ(StrOf(var->InitialValue), "init");
  EXPECT_EQ(var->Scope, 2);

  Rec reset;
  reset.Header(0, 0, 0, 0).Str("title").I32(12).U8(1);
  auto pc = Read<TComReset>(reset, 103);
  EXPECT_EQ(pc->PageName, "title");
  EXPECT_EQ(pc->Index, 12);
  EXPECT_EQ(pc->Full, 1);
  EXPECT_EQ(Write(*pc, 103), reset.b);
}

TEST(CommandRecord, TextInsCarriesItsDataUntouched) {
  Rec r;
  r.Header(0, 0, 0, 0).I32(3).U8(0).U8(0x82).U8(0xA0).StrExpr("mes").IntExpr(1).IntExpr(0);
  auto t = Read<TComTextIns>(r, 106);
  EXPECT_EQ(t->TextData, (std::vector<uint8_t>{0, 0x82, 0xA0}));
  EXPECT_EQ(StrOf(t->WindowName), "mes");
  EXPECT_TRUE(t->BlockEvents.Ops.empty());
  EXPECT_EQ(Write(*t, 106), r.b);

  Rec empty;
  empty.Header(0, 0, 0, 0).I32(-5).NoExpr().NoExpr().NoExpr();
  EXPECT_TRUE(Read<TComTextIns>(empty, 106)->TextData.empty());

  Rec huge;
  huge.Header(0, 0, 0, 0).I32(0x7fffffff).NoExpr();
  auto t2 = std::make_unique<TComTextIns>(nullptr);
  ByteReader in(huge.b.data(), huge.b.size());
  EXPECT_THROW(t2->LoadFromStream(in, 109), ETruncated);
}

// ---- Page version conditions --------------------------------------------

TEST(CommandVersion, WaitMovieStopAndTextInsBlockEventsFrom107) {
  Rec old_wait;
  old_wait.Header(0, 0, 0, 0).IntExpr(1).IntExpr(100);
  auto w = Read<TComWait>(old_wait, 106);
  EXPECT_EQ(IntOf(w->Time), 100);
  EXPECT_TRUE(w->BlockEvents.Ops.empty());
  Rec new_wait = old_wait;
  new_wait.IntExpr(1);
  EXPECT_EQ(IntOf(Read<TComWait>(new_wait, 107)->BlockEvents), 1);
  EXPECT_EQ(Write(*Read<TComWait>(new_wait, 107), 107), new_wait.b);
  // The same command written for an older page drops the field.
  EXPECT_EQ(Write(*Read<TComWait>(new_wait, 107), 106), old_wait.b);

  Rec stop;
  stop.Header(0, 0, 0, 0).StrExpr("bgm").IntExpr(500).IntExpr(1);
  EXPECT_TRUE(Read<TComMovieStop>(stop, 106)->BlockEvents.Ops.empty());
  stop.IntExpr(1);
  EXPECT_EQ(IntOf(Read<TComMovieStop>(stop, 107)->BlockEvents), 1);
}

TEST(CommandVersion, GameSaveJumpIndexFrom105) {
  Rec old_save;
  old_save.Header(0, 0, 0, 0).IntExpr(2).Str("back").StrExpr("cap");
  auto s = Read<TComGameSave>(old_save, 104);
  EXPECT_EQ(s->JumpPage, "back");
  EXPECT_EQ(s->JumpIndex, 0);
  EXPECT_EQ(StrOf(s->Caption), "cap");
  Rec new_save;
  new_save.Header(0, 0, 0, 0).IntExpr(2).Str("back").I32(33).StrExpr("cap");
  auto s2 = Read<TComGameSave>(new_save, 105);
  EXPECT_EQ(s2->JumpIndex, 33);
  EXPECT_EQ(Write(*s2, 105), new_save.b);
}

TEST(CommandVersion, FlipMaskFrom101AndBlockEventsFrom107) {
  auto flip_record = [](bool mask, bool blocks) {
    Rec r;
    r.Header(0, 0, 0, 0).IntExpr(3).IntExpr(500).IntExpr(0).IntExpr(1);
    r.I32(2).StrExpr("a").StrExpr("b");
    r.IntExpr(1).IntExpr(10).IntExpr(20);
    if (mask) r.StrExpr("mask.png");
    if (blocks) r.IntExpr(1);
    return r;
  };
  auto f100 = Read<TComFlip>(flip_record(false, false), 100);
  EXPECT_TRUE(f100->MaskSource.Ops.empty());
  auto f106 = Read<TComFlip>(flip_record(true, false), 106);
  EXPECT_EQ(StrOf(f106->MaskSource), "mask.png");
  EXPECT_TRUE(f106->BlockEvents.Ops.empty());
  auto f107 = Read<TComFlip>(flip_record(true, true), 107);
  ASSERT_EQ(f107->NameLists.size(), 2u);
  EXPECT_EQ(StrOf(f107->NameLists[1]), "b");
  EXPECT_EQ(IntOf(f107->ClearBack), 1);
  EXPECT_EQ(IntOf(f107->Param1), 10);
  EXPECT_EQ(IntOf(f107->Param2), 20);
  EXPECT_EQ(IntOf(f107->BlockEvents), 1);
  EXPECT_EQ(Write(*f107, 107), flip_record(true, true).b);
}

TEST(CommandVersion, PropMotionFlagFrom108) {
  Rec r;
  r.Header(0, 0, 0, 0).StrExpr("m").StrExpr("img").IntExpr(3).IntExpr(100).IntExpr(1000).IntExpr(2);
  EXPECT_TRUE(Read<TComPropMotion>(r, 107)->Flag.Ops.empty());
  r.IntExpr(1);
  auto m = Read<TComPropMotion>(r, 108);
  EXPECT_EQ(StrOf(m->TargetName), "img");
  EXPECT_EQ(IntOf(m->Easing), 2);
  EXPECT_EQ(IntOf(m->Flag), 1);
}

// ---- Component commands -------------------------------------------------

TEST(ComponentCommand, SlotsFollowTheSchemaBitsInIncreasingOrder) {
  TPage page;
  PropertySet& set = page.Schema[CMD_ImgNew];
  for (int p : {0, 3, 7, 8, 132, 158}) SetPropertyBit(set, p);
  set[19] |= 0x80;  // bit 159: no such property
  TComImgNew img(&page);
  EXPECT_EQ(img.PropertyIds(), (std::vector<int>{0, 3, 7, 8, 132, 158}));
  EXPECT_FALSE(img.HasProperty(1));
  EXPECT_EQ(img.Property(159), nullptr);
  EXPECT_EQ(img.Property(-1), nullptr);

  Rec r;
  r.Header(0, 0, 0, 5);
  for (int p : {0, 3, 7, 8, 132, 158}) r.IntExpr(p * 10);
  TComImgNew read(&page);
  ByteReader in(r.b.data(), r.b.size());
  read.LoadFromStream(in, 109);
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(IntOf(*read.Property(132)), 1320);
  EXPECT_EQ(IntOf(*read.Property(158)), 1580);
  EXPECT_EQ(Write(read, 109), r.b);
}

TEST(ComponentCommand, TakesTheEntryOfItsOwnId) {
  TPage page;
  SetPropertyBit(page.Schema[CMD_BoxNew], 2);
  SetPropertyBit(page.Schema[CMD_Sound], 28);
  EXPECT_EQ(TComBoxNew(&page).PropertyIds(), std::vector<int>{2});
  EXPECT_EQ(TComSound(&page).PropertyIds(), std::vector<int>{28});
  EXPECT_TRUE(TComMesNew(&page).PropertyIds().empty());
  EXPECT_TRUE(TComBoxNew(nullptr).PropertyIds().empty());
}

TEST(ComponentCommand, CabinetAddsModeAndNamesAfterTheProperties) {
  TPage page;
  SetPropertyBit(page.Schema[CMD_LoadCabinet], PR_NAME);
  Rec r;
  r.Header(0, 0, 0, 0).StrExpr("cab").IntExpr(0).I32(2).StrExpr("a").StrExpr("b");
  auto cab = Read<TComCabinetLoad>(r, 109, &page);
  EXPECT_EQ(StrOf(*cab->Property(PR_NAME)), "cab");
  ASSERT_EQ(cab->Names.size(), 2u);
  EXPECT_EQ(StrOf(cab->Names[0]), "a");
  EXPECT_EQ(Write(*cab, 109), r.b);
}

TEST(ComponentCommand, HugeOrNegativeListCountsAreHandled) {
  TPage page;
  Rec huge;
  huge.Header(0, 0, 0, 0).NoExpr().I32(0x40000000).NoExpr();
  auto cab = std::make_unique<TComCabinetSave>(&page);
  ByteReader in(huge.b.data(), huge.b.size());
  EXPECT_THROW(cab->LoadFromStream(in, 109), ETruncated);

  Rec negative;
  negative.Header(0, 0, 0, 0).Str("p").I32(0).Str("").NoExpr().I32(-3);
  EXPECT_TRUE(Read<TComCall>(negative, 109)->Args.empty());
}

}  // namespace
}  // namespace vesk::script
