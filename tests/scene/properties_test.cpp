// The property catalogue, GetProp/SetProp over all 159 ids, and the system
// functions that act on scene objects.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "lang/properties.h"
#include "platform/cp932.h"
#include "scene/prop_dispatch.h"
#include "scene/scene_port.h"
#include "scene_fixture.h"

namespace vesk::scene::test {
namespace {

using expr::MakeParam;
using namespace vesk::lang;
using expr::TCustomParam;

// The catalogue written out independently: per id its value type (s string,
// i integer, f flag, r real) and level (o object, c control, k kind), and
// the integer and flag answers that are not 0.
constexpr char kTypes[] =
    "sssiiiiiiiiiiiisiiiiiiiiifififiifsssssssssisiisfiisiiisssssssssiiiiiissfsfssssiiifissifffiiiii"
    "irrifs"
    "fsrssssiiiiffsiiiiiiissiiiiiisiiisfssfffiiiisssissfsfiiiiif";
constexpr char kLevels[] =
    "ockcccckckkkocckkkkkkkkkkkkkkkkkkkcccccccckkkkkckkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkckkkkkkkkkkkkk"
    "kkkkkc"
    "ckkckkkkkkkkkkkkcccckkkkkkkkkkkkkkckkkckokkkcccccckokkkkkkk";
const std::map<int, int32_t> kDefaults = {
    {7, 256},  {8, 0xFFFFFF}, {10, -1}, {11, 255}, {24, -1},   {42, 255}, {44, -1}, {47, 1},
    {82, 256}, {94, 1},       {127, 1}, {128, 1},  {132, 256}, {139, 1},  {150, 1}};
const std::set<int> kReadOnly = {PR_CARETX, PR_CARETY, PR_PLAYING, PR_COMPOTYPE};

int TypeCode(int id) {
  switch (kTypes[id]) {
    case 's':
      return lang::PT_STR;
    case 'i':
      return lang::PT_INT;
    case 'f':
      return lang::PT_BOOL;
    default:
      return lang::PT_FLOAT;
  }
}
int32_t Default(int id) {
  return kDefaults.count(id) ? kDefaults.at(id) : 0;
}

std::unique_ptr<TCustomParam> Value(int type, const std::string& text) {
  auto p = MakeParam(type);
  p->SetStr(text);
  return p;
}
std::unique_ptr<TCustomParam> Int(int32_t v) {
  auto p = MakeParam(lang::PT_INT);
  p->SetInt(v);
  return p;
}
std::unique_ptr<TCustomParam> Str(const std::string& s) {
  return Value(lang::PT_STR, s);
}

// The UTF-8 text of the error `f` raises, "" when none.
template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const EVeskError& e) {
    return platform::Cp932ToUtf8(e.Message());
  }
  return "";
}

class PlainControl : public TVeskControl {
 public:
  using TVeskControl::TVeskControl;
  int GetCompoType() const override { return LT_LABEL; }
};

class PropertyTest : public SceneTest {
 protected:
  PropertyTest() : control(*root.Make<PlainControl>()) {
    control.SetName("ctl");
    control.SetBounds(5, 6, 70, 80);
    control.SetParent(&Shown());
  }
  std::unique_ptr<TCustomParam> Read(TVeskObject& o, int32_t id, int type) {
    auto dest = MakeParam(type);
    GetProp(*dest, o, id);
    return dest;
  }
  std::string ReadStr(TVeskObject& o, int32_t id) { return Read(o, id, lang::PT_STR)->GetStr(); }
  PlainControl& control;
};

TEST(PropertyCatalogueTest, EveryRowHasTheDocumentedTypeLevelAndDefault) {
  ASSERT_EQ(sizeof kTypes - 1, static_cast<size_t>(kPropertyCount));
  ASSERT_EQ(sizeof kLevels - 1, static_cast<size_t>(kPropertyCount));
  for (int id = 0; id < kPropertyCount; ++id) {
    SCOPED_TRACE(id);
    const PropertyInfo& p = Property(id);
    EXPECT_EQ(PropertyTypeCode(id), TypeCode(id));
    const PropLevel level = kLevels[id] == 'o'   ? PropLevel::kObject
                            : kLevels[id] == 'c' ? PropLevel::kControl
                                                 : PropLevel::kKind;
    EXPECT_EQ(p.level, level);
    if (kTypes[id] == 'i' || kTypes[id] == 'f') {
      EXPECT_EQ(p.default_int, Default(id));
    }
    EXPECT_EQ(p.read_only, kReadOnly.count(id) > 0);
  }
}

TEST_F(PropertyTest, EveryIdRoundTripsOrKeepsItsDefaultOnAControl) {
  const std::set<int> special = {PR_NAME,      PR_PARENT,    PR_VISIBLE,   PR_APPEARX,
                                 PR_APPEARY,   PR_CARETX,    PR_CARETY,    PR_PLAYING,
                                 PR_COMPOTYPE, PR_ORIGWIDTH, PR_ORIGHEIGHT};
  for (int id = 0; id < kPropertyCount; ++id) {
    if (special.count(id)) continue;
    SCOPED_TRACE(id);
    const int type = TypeCode(id);
    const bool kept = kLevels[id] != 'k';
    auto value = MakeParam(type);
    const int32_t number = id == PR_IGNOREMOUSE || id == PR_HANDLEKEY ? 3 : 1000 + id;
    const std::string text = "text" + std::to_string(id);
    const bool flag = Default(id) == 0;  // the opposite of the initial answer
    switch (kTypes[id]) {
      case 's':
        value->SetStr(text);
        break;
      case 'i':
        value->SetInt(number);
        break;
      case 'f':
        value->SetFlag(flag);
        break;
      default:
        value->SetFloat(1.5L);
        break;
    }
    SetProp(control, id, *value);
    const auto read = Read(control, id, type);
    switch (kTypes[id]) {  // kinds ignore the write at this level
      case 's':
        EXPECT_EQ(read->GetStr(), kept ? text : "");
        break;
      case 'i':
        EXPECT_EQ(read->GetInt(), kept ? number : Default(id));
        break;
      case 'f':
        EXPECT_EQ(read->GetFlag(), kept ? flag : !flag);
        break;
      default:
        EXPECT_EQ(read->GetFloat(), kept ? 1.5L : 0.0L);
        break;
    }
  }
}

TEST_F(PropertyTest, IdentityTreeAndVisibilityProperties) {
  EXPECT_EQ(Read(control, PR_COLOR, lang::PT_INT)->GetInt(), 0);  // controls start black
  EXPECT_EQ(Read(control, PR_COMPOTYPE, lang::PT_INT)->GetInt(), LT_LABEL);
  EXPECT_EQ(Read(control, PR_ORIGWIDTH, lang::PT_INT)->GetInt(), 70);
  EXPECT_EQ(Read(control, PR_ORIGHEIGHT, lang::PT_INT)->GetInt(), 80);
  EXPECT_EQ(ReadStr(control, PR_PARENT), Shown().Name);

  SetProp(control, PR_NAME, *Str("renamed"));
  EXPECT_EQ(root.FindControl("renamed"), &control);
  TestBox& box = Box("box");
  SetProp(control, PR_PARENT, *Str("box"));
  EXPECT_EQ(ReadStr(control, PR_PARENT), "box");
  box.SetFlag(PR_VISIBLE, false);
  EXPECT_FALSE(Read(control, PR_VISIBLE, lang::PT_BOOL)->GetFlag());
  SetProp(control, PR_VISIBLE, *Int(0));
  EXPECT_EQ(control.Visible, 0);
}

TEST_F(PropertyTest, ReadOnlyIdsIgnoreWritesAndAppearPositionsRefuseThem) {
  for (int id : kReadOnly) {
    SCOPED_TRACE(id);
    const std::string before = ReadStr(control, id);
    EXPECT_EQ(ErrorOf([&] { SetProp(control, id, *Int(77)); }), "");
    EXPECT_EQ(ReadStr(control, id), before);
  }
  for (int32_t id : {int32_t{PR_APPEARX}, int32_t{PR_APPEARY}, int32_t{PR_APPEARX + 256}}) {
    EXPECT_EQ(ErrorOf([&] { SetProp(control, id, *Int(1)); }), "SetPropエラー");
    EXPECT_EQ(Read(control, id, lang::PT_INT)->GetInt(), 0);
  }
}

TEST_F(PropertyTest, IdsAreTakenModulo256AndThoseAbove158FailValuesAreConverted) {
  control.SetStr(PR_ONLBTNDOWN, "down.lsb");
  EXPECT_EQ(ReadStr(control, 256 + PR_ONLBTNDOWN), "down.lsb");
  EXPECT_EQ(ReadStr(control, 258), "");  // PR_SOURCE
  SetProp(control, 259, *Int(123));
  EXPECT_EQ(control.Left, 123);
  SetProp(control, -256 + PR_TOP, *Int(9));
  EXPECT_EQ(control.Top, 9);
  for (int32_t id : {159, 255, 256 + 159, -1}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(ErrorOf([&] { Read(control, id, lang::PT_INT); }), "GetPropエラー");
    EXPECT_EQ(ErrorOf([&] { SetProp(control, id, *Int(1)); }), "SetPropエラー");
  }
  // Values pass through the conversions of the destination's type.
  control.SetInt(PR_LEFT, -39);
  EXPECT_EQ(ReadStr(control, PR_LEFT), "-39");
  SetProp(control, PR_TOP, *Str("42"));
  EXPECT_EQ(control.Top, 42);
  SetProp(control, PR_TOP, *Str("forty"));
  EXPECT_EQ(control.Top, 0);
  SetProp(control, PR_TAG, *Int(17));
  EXPECT_EQ(control.Tag, "17");
}

TEST_F(PropertyTest, ANonVisualObjectAnswersTheDefaultsOfTheObjectLevel) {
  TestTicker& ticker = Ticker("ticker");
  SetProp(ticker, PR_LEFT, *Int(50));
  EXPECT_EQ(Read(ticker, PR_LEFT, lang::PT_INT)->GetInt(), 0);
  EXPECT_EQ(Read(ticker, PR_COLOR, lang::PT_INT)->GetInt(), 0xFFFFFF);
  EXPECT_EQ(Read(ticker, PR_COMPOTYPE, lang::PT_INT)->GetInt(), LT_TIMER);
  EXPECT_FALSE(Read(ticker, PR_VISIBLE, lang::PT_BOOL)->GetFlag());
  SetProp(ticker, PR_PARENT, *Str("ctl"));
  EXPECT_EQ(ReadStr(ticker, PR_PARENT), "");
  SetProp(ticker, PR_PRIORITY, *Int(4));
  SetProp(ticker, PR_TAG, *Str("tagged"));
  EXPECT_EQ(Read(ticker, PR_PRIORITY, lang::PT_INT)->GetInt(), 4);
  EXPECT_EQ(ReadStr(ticker, PR_TAG), "tagged");
}

// ---- System functions ------------------------------------------------------------

class SceneFunctionTest : public SceneTest {
 protected:
  SceneFunctionTest() {
    TestBox& a = Box("a", 100, 50, 10, 10);
    Box("b", 0, 0, 10, 10, &a);
    Box("c", 0, 0, 10, 10, root.BackBase());
    Ticker("t");
  }
  // Calls `id` with a destination of `type`.
  template <typename... Ops>
  TCustomParam& Call(int id, int type, Ops... operands) {
    ops_.clear();
    (ops_.push_back(std::move(operands)), ...);
    dest_.Value = MakeParam(type);
    EXPECT_TRUE(CallSceneFunction(root, id, dest_, ops_));
    return *dest_.Value;
  }
  // ListCompo's answer and the list it filled.
  template <typename... Ops>
  std::pair<int32_t, Lines> List(Ops... operands) {
    const int32_t n =
        Call(FN_ListCompo, lang::PT_INT, MakeParam(lang::PT_STR), std::move(operands)...).GetInt();
    Lines names;
    for (int32_t i = 0; i < ops_[0]->Count(); ++i) names.push_back(ops_[0]->GetStrAt(i));
    return {n, names};
  }

 private:
  expr::TParamCollectionItem dest_;
  expr::Operands ops_;
};

using Listed = std::pair<int32_t, Lines>;

TEST_F(SceneFunctionTest, ListCompoFiltersByKindAndParent) {
  EXPECT_EQ(List(), (Listed{4, {"a", "b", "c", "t"}}));
  EXPECT_EQ(List(Int(0)), (Listed{4, {"a", "b", "c", "t"}}));
  EXPECT_EQ(List(Int(99)), (Listed{4, {"a", "b", "c", "t"}}));  // no such kind: every kind
  EXPECT_EQ(List(Int(LT_TIMER)), (Listed{1, {"t"}}));
  EXPECT_EQ(List(Int(0x100 + LT_BOX)), (Listed{3, {"a", "b", "c"}}));
  EXPECT_EQ(List(Int(LT_BOX), Str("a")), (Listed{1, {"b"}}));
  EXPECT_EQ(List(Int(0), Str("")), (Listed{1, {"a"}}));                      // the shown base
  EXPECT_EQ(List(Int(0), Str(std::string(1, '\x01'))), (Listed{1, {"c"}}));  // the back base
  EXPECT_EQ(List(Int(0), Str("nobody")), (Listed{1, {"t"}}));  // objects without parent
  EXPECT_EQ(List(Int(LT_SOUND)), (Listed{0, {""}}));
}

TEST_F(SceneFunctionTest, ExistsInPrimaryAndCoordinateConversions) {
  const auto exists = [&](const std::string& n) {
    return Call(FN_Exists, lang::PT_BOOL, Str(n)).GetFlag();
  };
  EXPECT_TRUE(exists("a"));
  EXPECT_TRUE(exists("t"));
  EXPECT_TRUE(
      exists("\x01"
             "BASE1"));
  EXPECT_FALSE(exists(""));
  EXPECT_FALSE(exists("A"));

  const auto primary = [&](const std::string& n) {
    return Call(FN_InPrimary, lang::PT_BOOL, Str(n)).GetFlag();
  };
  EXPECT_TRUE(primary("a"));
  EXPECT_TRUE(primary("b"));
  EXPECT_FALSE(primary("c"));  // on the back base
  EXPECT_FALSE(primary("t"));  // not a control
  EXPECT_FALSE(primary(""));
  TVeskCabinet* cabinet = root.Make<TVeskCabinet>();
  cabinet->SetParent(&Shown());
  root.FindControl("b")->SetParent(cabinet);
  EXPECT_FALSE(primary("b"));

  const auto convert = [&](int fn, const std::string& n, int32_t v) {
    return Call(fn, lang::PT_INT, Str(n), Int(v)).GetInt();
  };
  EXPECT_EQ(convert(FN_ToClientX, "a", 110), 10);
  EXPECT_EQ(convert(FN_ToClientY, "a", 110), 60);
  EXPECT_EQ(convert(FN_ToScreenX, "a", 10), 110);
  EXPECT_EQ(convert(FN_ToScreenY, "a", 10), 60);
  EXPECT_EQ(convert(FN_ToClientX, "t", 110), 110);  // not a control: unchanged
  EXPECT_EQ(convert(FN_ToScreenY, "nobody", 7), 7);
}

TEST_F(SceneFunctionTest, GetPropAndSetPropReachTheDispatch) {
  EXPECT_EQ(Call(FN_GetProp, lang::PT_INT, Str("a"), Int(PR_LEFT)).GetInt(), 100);
  Call(FN_SetProp, lang::PT_INT, Str("a"), Int(256 + PR_TOP), Str("7"));
  EXPECT_EQ(root.FindControl("a")->Top, 7);
  EXPECT_EQ(Call(FN_GetProp, lang::PT_INT, Str("nobody"), Int(PR_LEFT)).GetInt(), 0);
  EXPECT_EQ(ErrorOf([&] { Call(FN_GetProp, lang::PT_INT, Str("a"), Int(200)); }), "GetPropエラー");
  expr::TParamCollectionItem dest;
  dest.Value = MakeParam(lang::PT_INT);
  expr::Operands none;
  EXPECT_FALSE(CallSceneFunction(root, FN_Random, dest, none));
}

}  // namespace
}  // namespace vesk::scene::test
