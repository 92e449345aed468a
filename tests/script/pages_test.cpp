#include "script/pages.h"

#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/vesk_error.h"
#include "support/record_builder.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

namespace {

using Bytes = test_support::RecordBytes;

// Page head with K sets of S bytes, set i filled with the byte i + 1.
Bytes Head(int32_t version, int32_t sets, int32_t set_size) {
  Bytes p;
  p.I32(version).U8(4).I32(sets).I32(set_size);
  for (int32_t i = 0; i < sets; ++i)
    for (int32_t k = 0; k < set_size; ++k) p.U8(static_cast<uint8_t>(i + 1));
  return p;
}

TVeskParser Expr(int32_t value) {
  Bytes b;
  b.IntExpr(value);
  ByteReader in(b.b.data(), b.b.size());
  TVeskParser e;
  e.LoadFromStream(in);
  return e;
}

// Gives every expression and field of a command a value of its own, so a
// field read or written in the wrong place shows up.
void Fill(TCommand& c, int32_t seed) {
  c.Indent = seed % 5;
  c.Disabled = static_cast<uint8_t>(seed & 1);
  c.RunOn = static_cast<uint8_t>(seed >> 1 & 1);
  c.Line = seed * 7;
  int32_t n = seed * 100;
  auto e = [&n] { return Expr(++n); };
  if (auto* x = dynamic_cast<TComComponent*>(&c)) {
    for (int p : x->PropertyIds()) *x->Property(p) = e();
    if (auto* cab = dynamic_cast<TComCabinet*>(&c)) {
      cab->Mode = e();
      cab->Names.push_back(e());
      cab->Names.push_back(e());
    }
  } else if (auto* x = dynamic_cast<TComIf*>(&c)) {
    x->Condition = e();
  } else if (auto* x = dynamic_cast<TComLabel*>(&c)) {
    x->LabelName = "L" + std::to_string(seed);
  } else if (auto* x = dynamic_cast<TComJump*>(&c)) {
    x->PageName = "pg";
    x->Target = seed;
    x->Condition = e();
  } else if (auto* x = dynamic_cast<TComCall*>(&c)) {
    x->PageName = "sub";
    x->Target = 2;
    x->ResultVar = "r";
    x->Condition = e();
    x->Args.push_back(e());
    x->Args.push_back(e());
  } else if (auto* x = dynamic_cast<TComBreak*>(&c)) {
    x->Condition = e();
    x->Target = -1;
  } else if (auto* x = dynamic_cast<TComContinue*>(&c)) {
    x->Condition = e();
    x->Target = 9;
  } else if (auto* x = dynamic_cast<TComExit*>(&c)) {
    x->Condition = e();
  } else if (auto* x = dynamic_cast<TComWait*>(&c)) {
    x->Condition = e();
    x->Time = e();
    x->BlockEvents = e();
  } else if (auto* x = dynamic_cast<TComFlip*>(&c)) {
    x->Kind = e();
    x->Duration = e();
    x->Reverse = e();
    x->Placement = e();
    x->NameLists.push_back(e());
    x->ClearBack = e();
    x->Param1 = e();
    x->Param2 = e();
    x->MaskSource = e();
    x->BlockEvents = e();
  } else if (auto* x = dynamic_cast<TComCalc*>(&c)) {
    x->Expression = e();
  } else if (auto* x = dynamic_cast<TComVarNew*>(&c)) {
    x->VarName = "v";
    x->TypeCode = 2;
    x->InitialValue = e();
    x->Scope = 3;
  } else if (auto* x = dynamic_cast<TComVarDel*>(&c)) {
    x->VarName = "v";
  } else if (auto* x = dynamic_cast<TComGetProp*>(&c)) {
    x->ObjectName = e();
    x->PropertyId = e();
    x->VarName = "out";
  } else if (auto* x = dynamic_cast<TComSetProp*>(&c)) {
    x->ObjectName = e();
    x->PropertyId = e();
    x->Value = e();
  } else if (auto* x = dynamic_cast<TComObjDel*>(&c)) {
    x->ObjectName = e();
  } else if (auto* x = dynamic_cast<TComTextIns*>(&c)) {
    x->TextData = {1, 2, 0x82, 0xA0};
    x->WindowName = e();
    x->Record = e();
    x->Wait = e();
    x->BlockEvents = e();
  } else if (auto* x = dynamic_cast<TComMovieStop*>(&c)) {
    x->ObjectName = e();
    x->FadeTime = e();
    x->Wait = e();
    x->BlockEvents = e();
  } else if (auto* x = dynamic_cast<TComMenuClose*>(&c)) {
    x->ObjectName = e();
  } else if (auto* x = dynamic_cast<TComTextClr*>(&c)) {
    x->WindowName = e();
  } else if (auto* x = dynamic_cast<TComCallHist*>(&c)) {
    x->WindowName = e();
    x->StartIndex = e();
    x->Count = e();
    x->Packed = e();
  } else if (auto* x = dynamic_cast<TComWhile*>(&c)) {
    x->Condition = e();
    x->ExitIndex = 40;
  } else if (auto* x = dynamic_cast<TComWhileLoop*>(&c)) {
    x->Expression = e();
    x->LoopIndex = 30;
  } else if (auto* x = dynamic_cast<TComWhileInit*>(&c)) {
    x->Expression = e();
  } else if (auto* x = dynamic_cast<TComGameSave*>(&c)) {
    x->Slot = e();
    x->JumpPage = "j";
    x->JumpIndex = 6;
    x->Caption = e();
  } else if (auto* x = dynamic_cast<TComGameLoad*>(&c)) {
    x->Slot = e();
  } else if (auto* x = dynamic_cast<TComPCReset*>(&c)) {
    x->PageName = "t";
    x->Index = 8;
    x->Full = 1;
  } else if (auto* x = dynamic_cast<TComMediaPlay*>(&c)) {
    x->ObjectName = e();
  } else if (auto* x = dynamic_cast<TComPropMotion*>(&c)) {
    x->MotionName = e();
    x->TargetName = e();
    x->PropertyId = e();
    x->EndValue = e();
    x->Duration = e();
    x->Easing = e();
    x->Flag = e();
  } else if (auto* x = dynamic_cast<TComEntryHist*>(&c)) {
    x->ObjectName = e();
  }
}

// A page with one command of every id; every component id carries a few
// properties, different per id.
void BuildFullPage(TPage& page, int32_t version) {
  page.Version = version;
  page.ResultType = 4;
  for (int id = 0; id < kCommandCount; ++id) {
    SetPropertyBit(page.Schema[static_cast<size_t>(id)], id % 8);
    SetPropertyBit(page.Schema[static_cast<size_t>(id)], 98 + id);  // up to the last id, 158
  }
  for (int id = 0; id < kCommandCount; ++id) {
    page.Commands.push_back(CreateCommand(id, &page));
    Fill(*page.Commands.back(), id + 1);
  }
}

std::vector<uint8_t> Save(const TPage& page) {
  ByteWriter out;
  page.SaveToStream(out);
  return out.bytes();
}

// ---- Round trip ---------------------------------------------------------

TEST(PageRoundTrip, EveryCommandIdForEveryReadableVersion) {
  for (int32_t version = kPageVersionMin; version <= kPageVersionMax; ++version) {
    SCOPED_TRACE(version);
    TPage built;
    BuildFullPage(built, version);
    const std::vector<uint8_t> first = Save(built);
    TPage loaded;
    ASSERT_EQ(loaded.Load("full", first), PageLoad::kLoaded);
    ASSERT_EQ(loaded.Count(), kCommandCount);
    for (int id = 0; id < kCommandCount; ++id) {
      EXPECT_EQ(loaded.Commands[static_cast<size_t>(id)]->ComType(), id);
      EXPECT_EQ(loaded.Commands[static_cast<size_t>(id)]->Page, &loaded);
      EXPECT_EQ(loaded.Commands[static_cast<size_t>(id)]->Line, (id + 1) * 7);
    }
    EXPECT_EQ(loaded.ResultType, 4);
    EXPECT_EQ(loaded.Name, "full");
    EXPECT_EQ(Save(loaded), first);
  }
}

std::vector<uint8_t> Record(const TCommand& command, int32_t version) {
  ByteWriter out;
  command.SaveToStream(out, version);
  return out.bytes();
}

// Each command on its own: a record with values of its own (not the
// defaults, past the common header too) loads into a fresh command of its
// id, is consumed exactly, saves back byte for byte, and no shorter cut of
// it loads.
TEST(CommandRecordRoundTrip, EveryIdWithItsOwnValuesAtEverySupportedVersion) {
  constexpr size_t kHeaderBytes = 4 + 1 + 1 + 4;
  for (int32_t version = kPageVersionMin; version <= kPageVersionMax; ++version) {
    TPage page;
    BuildFullPage(page, version);
    for (int id = 0; id < kCommandCount; ++id) {
      SCOPED_TRACE(std::to_string(version) + " " + CommandClassName(id));
      const std::vector<uint8_t> bytes = Record(*page.Commands[static_cast<size_t>(id)], version);
      const std::vector<uint8_t> defaults = Record(*CreateCommand(id, &page), version);
      if (defaults.size() > kHeaderBytes) {
        EXPECT_NE(std::vector<uint8_t>(bytes.begin() + kHeaderBytes, bytes.end()),
                  std::vector<uint8_t>(defaults.begin() + kHeaderBytes, defaults.end()));
      }
      auto loaded = CreateCommand(id, &page);
      ByteReader in(bytes.data(), bytes.size());
      loaded->LoadFromStream(in, version);
      EXPECT_TRUE(in.at_end());
      EXPECT_EQ(Record(*loaded, version), bytes);
      for (size_t n = 0; n < bytes.size(); ++n) {
        ByteReader cut(bytes.data(), n);
        EXPECT_THROW(CreateCommand(id, &page)->LoadFromStream(cut, version), ETruncated) << n;
      }
    }
  }
}

TEST(PageRoundTrip, VersionConditionalFieldsChangeTheRecordLength) {
  TPage older, newer;
  BuildFullPage(older, 104);
  BuildFullPage(newer, 105);
  // Only the save command's jump index differs between 104 and 105.
  EXPECT_EQ(Save(newer).size(), Save(older).size() + 4);
  TPage v107, v108;
  BuildFullPage(v107, 107);
  BuildFullPage(v108, 108);
  EXPECT_GT(Save(v108).size(), Save(v107).size());
}

TEST(PageRoundTrip, ComponentPropertiesSurviveWithTheirIds) {
  TPage built;
  BuildFullPage(built, 109);
  TPage loaded;
  loaded.Load("p", Save(built));
  auto* box = dynamic_cast<TComBoxNew*>(loaded.Commands[CMD_BoxNew].get());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->PropertyIds(), (std::vector<int>{0, 106}));
}

// ---- Header and schema --------------------------------------------------

TEST(PageSchema, FewerSetsLeaveLaterIdsWithoutProperties) {
  Bytes p = Head(109, 40, 20);
  p.I32(2).U8(CMD_BoxNew).Header(1);
  for (int i = 0; i < 40; ++i) p.IntExpr(i);  // set 8 is 0x09 in each byte: two bits per byte
  p.U8(CMD_GaugeNew).Header(2);
  TPage page;
  ASSERT_EQ(page.Load("k40", p.b), PageLoad::kLoaded);
  EXPECT_EQ(page.Schema[39][0], 40);
  EXPECT_EQ(page.Schema[40], PropertySet{});
  EXPECT_EQ(page.Schema[60], PropertySet{});
  auto* gauge = dynamic_cast<TComGaugeNew*>(page.Commands[1].get());
  ASSERT_NE(gauge, nullptr);
  EXPECT_TRUE(gauge->PropertyIds().empty());
  auto* box = dynamic_cast<TComBoxNew*>(page.Commands[0].get());
  EXPECT_EQ(box->PropertyIds().size(), 40u);
}

TEST(PageSchema, LongerSetsSkipTheExcessAndShorterOnesLeaveZeros) {
  Bytes wide = Head(109, 61, 24);
  wide.I32(0);
  TPage page;
  ASSERT_EQ(page.Load("s24", wide.b), PageLoad::kLoaded);
  PropertySet expected;
  expected.fill(61);
  EXPECT_EQ(page.Schema[60], expected);
  expected.fill(1);
  EXPECT_EQ(page.Schema[0], expected);

  Bytes narrow = Head(109, 61, 10);
  narrow.I32(0);
  TPage small;
  ASSERT_EQ(small.Load("s10", narrow.b), PageLoad::kLoaded);
  for (size_t k = 0; k < 20; ++k) EXPECT_EQ(small.Schema[5][k], k < 10 ? 6 : 0) << k;
}

TEST(PageSchema, ExtraSetsBeyondTheLastIdAreSkipped) {
  Bytes p = Head(109, 64, 20);
  p.I32(1).U8(CMD_Else).Header(4);
  TPage page;
  ASSERT_EQ(page.Load("k64", p.b), PageLoad::kLoaded);
  ASSERT_EQ(page.Count(), 1);
  EXPECT_EQ(page.Commands[0]->Line, 4);
}

TEST(PageSchema, TwoBillionEmptySetsAreSkippedAtOnce) {
  // Each set beyond the last id once cost a turn of the reader, however
  // little it held: this page took minutes.
  Bytes p;
  p.I32(109).U8(1).I32(0x7fffffff).I32(0);
  p.I32(1).U8(CMD_Else).Header(9);
  TPage page;
  ASSERT_EQ(page.Load("k2g", p.b), PageLoad::kLoaded);
  ASSERT_EQ(page.Count(), 1);
  EXPECT_EQ(page.Commands[0]->Line, 9);
  EXPECT_EQ(page.StoredSets, 61);
  EXPECT_EQ(page.Schema[60], PropertySet{});
}

TEST(PageSchema, ReloadClearsTheSetsOfTheLastPage) {
  TPage page;
  Bytes full = Head(109, 61, 20);
  full.I32(0);
  page.Load("a", full.b);
  Bytes none = Head(109, 0, 20);
  none.I32(0);
  page.Load("b", none.b);
  EXPECT_EQ(page.Schema[0], PropertySet{});
}

// ---- Versions -----------------------------------------------------------

TEST(PageVersion, OlderThan103AsksForARebuild) {
  Bytes p;
  p.I32(102).U8(1);
  TPage page;
  EXPECT_EQ(page.Load("old", p.b), PageLoad::kRebuild);
  EXPECT_EQ(page.Count(), 0);
  EXPECT_EQ(page.Version, 102);
  EXPECT_STREQ(MessageUtf8(Msg::kRebuild), "リビルドしてください");
}

TEST(PageVersion, NewerThan109PlaysAsAnEmptyPage) {
  Bytes p;
  p.I32(110).U8(1).I32(0xffff);
  TPage page;
  EXPECT_EQ(page.Load("new", p.b), PageLoad::kNewer);
  EXPECT_EQ(page.Count(), 0);
  EXPECT_EQ(page.IndexOfLabel("x"), -1);
}

// ---- Command ids --------------------------------------------------------

TEST(PageCommandIds, IdsAboveSixtyAreRejected) {
  for (uint8_t id : {61, 127, 189, 255}) {
    Bytes p = Head(109, 0, 20);
    p.I32(1).U8(id).Header(0);
    TPage page;
    try {
      page.Load("bad", p.b);
      ADD_FAILURE() << int(id);
    } catch (const EVeskError& e) {
      EXPECT_EQ(e.Message(), MessageCp932(Msg::kBadCommand));
    }
    EXPECT_EQ(page.Count(), 0);
  }
  EXPECT_STREQ(MessageUtf8(Msg::kBadCommand), "不正なコマンド");
}

TEST(PageCommandIds, HighBitIsIgnored) {
  Bytes p = Head(109, 0, 20);
  p.I32(2).U8(130).Header(1).U8(128 + CMD_Label).Header(2).Str("x");
  TPage page;
  ASSERT_EQ(page.Load("hi", p.b), PageLoad::kLoaded);
  EXPECT_EQ(page.Commands[0]->ComType(), CMD_Else);
  EXPECT_EQ(page.IndexOfLabel("x"), 1);
}

// ---- Labels -------------------------------------------------------------

TEST(PageLabels, FirstExactLabelWins) {
  Bytes p = Head(109, 0, 20);
  p.I32(5);
  p.U8(CMD_Comment).Header(0).Str("end");
  p.U8(CMD_Label).Header(0).Str("End");
  p.U8(CMD_Label).Header(0).Str("end");
  p.U8(CMD_Label).Header(0).Str("end");
  p.U8(CMD_Label).Header(0).Str("\x83\x5c");  // CP932 with a trail byte of '\'
  TPage page;
  ASSERT_EQ(page.Load("labels", p.b), PageLoad::kLoaded);
  EXPECT_EQ(page.IndexOfLabel("end"), 0);  // a comment answers like the label it derives from
  EXPECT_EQ(page.IndexOfLabel("End"), 1);
  EXPECT_EQ(page.IndexOfLabel("END"), -1);
  EXPECT_EQ(page.IndexOfLabel("en"), -1);
  EXPECT_EQ(page.IndexOfLabel("\x83\x5c"), 4);
  EXPECT_EQ(page.IndexOfLabel(""), -1);
  EXPECT_EQ(page.IndexOf(page.Commands[3].get()), 3);
  TComLabel stranger(&page);
  EXPECT_EQ(page.IndexOf(&stranger), -1);
}

// ---- Hostile input ------------------------------------------------------

TEST(PageHostile, EveryTruncationThrowsTruncated) {
  TPage built;
  BuildFullPage(built, 109);
  const std::vector<uint8_t> full = Save(built);
  for (size_t n = 0; n < full.size(); ++n) {
    TPage page;
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(page.Load("cut", cut), ETruncated) << n;
    EXPECT_EQ(page.Count(), 0);
  }
}

TEST(PageHostile, HugeCountsAreRejectedBeforeAllocating) {
  for (auto [k, s] :
       {std::pair{0x7fffffff, 20}, {61, 0x7fffffff}, {0x10000, 0x10000}, {-1, 20}, {1, -1}}) {
    Bytes p;
    p.I32(109).U8(1).I32(k).I32(s);
    TPage page;
    EXPECT_THROW(page.Load("sets", p.b), ETruncated) << k << " " << s;
  }
  for (int32_t c : {0x7fffffff, -1, 2}) {
    Bytes p = Head(109, 0, 20);
    p.I32(c).U8(CMD_Else).Header(0);
    TPage page;
    EXPECT_THROW(page.Load("count", p.b), ETruncated) << c;
  }
}

TEST(PageHostile, EmptyFileIsTruncated) {
  TPage page;
  EXPECT_THROW(page.Load("empty", std::vector<uint8_t>{}), ETruncated);
}

}  // namespace
}  // namespace vesk::script
