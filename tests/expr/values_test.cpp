// Values: conversions, text forms, arrays, references, stored forms.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/byte_reader.h"
#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "expr/params.h"
#include "platform/cp932.h"

namespace vesk::expr {
namespace {

std::string Utf8(const EVeskError& e) {
  return platform::Cp932ToUtf8(e.Message());
}

template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const EVeskError& e) {
    return Utf8(e);
  }
  return "no error";
}

TEST(Conversions, StringsFlagsAndTruncation) {
  TParamStr s;
  s.SetStr("true");
  EXPECT_FALSE(s.GetFlag());  // only "TRUE" is true
  s.SetStr("TRUE");
  EXPECT_TRUE(s.GetFlag());
  TParamFlag f;
  f.SetFlag(true);
  EXPECT_EQ(f.GetStr(), "TRUE");
  f.SetFlag(false);
  EXPECT_EQ(f.GetStr(), "FALSE");
  TParamFloat r;
  r.SetFloat(2.9L);
  EXPECT_EQ(r.GetInt(), 2);
  r.SetFloat(-2.9L);
  EXPECT_EQ(r.GetInt(), -2);
  TParamInt i;
  i.SetStr("12abc");  // a string stored into an integer is parsed
  EXPECT_EQ(i.GetInt(), 0);
  i.SetFloat(7.99L);
  EXPECT_EQ(i.GetInt(), 7);
  i.SetInt(-5);
  EXPECT_EQ(i.GetStr(), "-5");
  EXPECT_TRUE(i.GetFlag());
  f.SetInt(2);
  EXPECT_TRUE(f.GetFlag());
  s.SetFloat(0.5L);
  EXPECT_EQ(s.GetStr(), "0.5");
}

TEST(Conversions, IntegerParse) {
  EXPECT_EQ(ParseInt(" 12"), 12);
  EXPECT_EQ(ParseInt("12abc"), std::nullopt);
  EXPECT_EQ(ParseInt("$1F"), 31);
  EXPECT_EQ(ParseInt("0x1F"), 31);
  EXPECT_EQ(ParseInt("X1f"), 31);
  EXPECT_EQ(ParseInt("-$10"), -16);
  EXPECT_EQ(ParseInt("+7"), 7);
  EXPECT_EQ(ParseInt("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInt("2147483648"), std::nullopt);
  EXPECT_EQ(ParseInt("12 "), std::nullopt);  // nothing may follow
  EXPECT_EQ(ParseInt(""), std::nullopt);
  EXPECT_EQ(ParseInt("-"), std::nullopt);
  EXPECT_EQ(ParseInt("$"), std::nullopt);
}

TEST(Conversions, RealParseAndGeneralFormat) {
  EXPECT_EQ(ParseReal(" 1.5 "), 1.5L);
  EXPECT_EQ(ParseReal("-2e3"), -2000.0L);
  EXPECT_EQ(ParseReal("1.5x"), std::nullopt);
  EXPECT_EQ(ParseReal("e5"), std::nullopt);
  EXPECT_EQ(ParseReal("1e"), std::nullopt);
  EXPECT_EQ(RealToStr(0.0001L), "0.0001");
  EXPECT_EQ(RealToStr(123456789012345.0L), "123456789012345");
  EXPECT_EQ(RealToStr(0.00001L), "1E-5");
  EXPECT_EQ(RealToStr(1e15L), "1E15");
  EXPECT_EQ(RealToStr(-2.5L), "-2.5");
  EXPECT_EQ(RealToStr(1.0L / 3), "0.333333333333333");
  EXPECT_EQ(RealToStr(-0.0L), "0");
  EXPECT_EQ(RealToStr(1.25e-20L), "1.25E-20");
}

TEST(Conversions, ExtendedRealsAreTenBytes) {
  uint8_t b[10];
  StoreExtended(1.0L, b);
  const uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(std::memcmp(b, one, 10), 0);
  for (Real x : {0.1L, -3.25L, 1e4000L, 1.0L / 3}) {
    StoreExtended(x, b);
    EXPECT_EQ(LoadExtended(b), x);
  }
}

TEST(Arrays, ShapeAddressingAndScalarAssignment) {
  TParamInt a;
  a.SetDims({2, 3});
  EXPECT_EQ(a.Count(), 6);
  EXPECT_EQ(a.FlatIndex({1, 2}), 5);
  a.SetIntAt(5, 9);
  EXPECT_EQ(a.GetIntAt(5), 9);
  EXPECT_EQ(ErrorOf([&] { a.GetIntAt(6); }), "配列の添字が不正です");
  EXPECT_EQ(ErrorOf([&] { a.SetIntAt(-1, 0); }), "配列の添字が不正です");
  a.SetInt(4);  // a plain value turns the array back into a scalar
  EXPECT_EQ(a.Count(), 1);
  EXPECT_TRUE(a.Dims.empty());
  EXPECT_EQ(a.GetInt(), 4);
  TParamInt b;
  b.SetDims({3});
  EXPECT_EQ(ErrorOf([&] { b.SetDims({2, 0}); }), "配列の要素数が不正です");
  EXPECT_EQ(b.Count(), 3);  // unchanged
  EXPECT_THAT(b.Dims, ::testing::ElementsAre(3));
  EXPECT_EQ(ErrorOf([&] { b.SetDims({100000, 100000}); }), "配列の要素数が不正です");
  b.SetCount(0);
  EXPECT_EQ(b.GetInt(), 0);  // an emptied value reads as zero, without fault
  b.SetInt(3);
  EXPECT_EQ(b.Count(), 1);
}

TEST(Arrays, UnshapedValuesKeepOtherElementsOnScalarWrites) {
  TParamStr s;
  s.SetCount(3);
  s.SetStrAt(2, "c");
  s.SetStr("a");
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.GetStrAt(2), "c");
}

TEST(Arrays, CopyMemCopyFromAndIndexOfStr) {
  TParamInt src;
  src.SetCount(4);
  src.SetIntAt(3, 8);
  TParamInt dst;
  dst.CopyMem(src);
  EXPECT_EQ(dst.Count(), 4);
  EXPECT_THAT(dst.Dims, ::testing::ElementsAre(1));  // an unshaped source gives the shape [1]
  EXPECT_EQ(dst.GetIntAt(3), 8);
  TParamStr other;
  EXPECT_EQ(ErrorOf([&] { other.CopyMem(src); }), "CopyMem:変数の型があいません");
  other.CopyFrom(src);  // with conversion, all four elements
  EXPECT_EQ(other.Count(), 4);
  EXPECT_EQ(other.GetStrAt(3), "8");
  TParamFloat shaped;
  shaped.SetDims({2, 2});
  shaped.SetFloatAt(3, 1.5L);
  other.CopyFrom(shaped);
  EXPECT_THAT(other.Dims, ::testing::ElementsAre(2, 2));
  EXPECT_EQ(other.GetStrAt(3), "1.5");

  TParamStr list;
  list.SetDims({3});
  list.SetStrAt(0, "Apple");
  list.SetStrAt(1, platform::Utf8ToCp932("りんごAB"));
  list.SetStrAt(2, "apple pie");
  EXPECT_EQ(list.IndexOfStr("apple", true, false), -1);
  EXPECT_EQ(list.IndexOfStr("apple", false, false), 0);
  EXPECT_EQ(list.IndexOfStr("PIE", false, true), 2);
  EXPECT_EQ(list.IndexOfStr("pie", true, true), 2);
  EXPECT_EQ(list.IndexOfStr(platform::Utf8ToCp932("ごa"), false, true), 1);
  // A trail byte followed by a lead byte must not match across characters.
  EXPECT_EQ(list.IndexOfStr("\x8A\x82", true, true), -1);
}

TEST(StoredForms, EveryClassRoundTrips) {
  std::vector<std::unique_ptr<TCustomParam>> values;
  auto ints = std::make_unique<TParamInt>();
  ints->SetDims({2, 2});
  ints->SetIntAt(3, -7);
  auto reals = std::make_unique<TParamFloat>();
  reals->SetFloat(1.0L / 7);
  auto flags = std::make_unique<TParamFlag>();
  flags->SetCount(3);
  flags->SetFlagAt(1, true);
  auto strs = std::make_unique<TParamStr>();
  strs->SetStr(std::string("a\0b", 3));
  values.push_back(std::move(ints));
  values.push_back(std::move(reals));
  values.push_back(std::move(flags));
  values.push_back(std::move(strs));
  for (const auto& v : values) {
    ByteWriter w;
    v->SaveToStream(w);
    auto back = MakeParam(v->ParamType());
    ByteReader r(w.bytes().data(), w.bytes().size());
    back->LoadFromStream(r, nullptr);
    EXPECT_TRUE(r.at_end());
    EXPECT_EQ(back->Dims, v->Dims);
    ASSERT_EQ(back->Count(), v->Count());
    for (int32_t i = 0; i < v->Count(); ++i) EXPECT_EQ(back->GetStrAt(i), v->GetStrAt(i));
    // Every cut of the stored form is refused without reading past it.
    for (size_t cut = 0; cut < w.bytes().size(); ++cut) {
      ByteReader part(w.bytes().data(), cut);
      auto fresh = MakeParam(v->ParamType());
      EXPECT_THROW(fresh->LoadFromStream(part, nullptr), ETruncated) << cut;
    }
  }
  const uint8_t huge[] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
  ByteReader r(huge, sizeof huge);
  TParamStr s;
  EXPECT_THROW(s.LoadFromStream(r, nullptr), ETruncated);
}

TEST(References, ReadAndWriteAnElementOfTheTarget) {
  TParamCollection table;
  TParamCollectionItem* arr = table.AddParam(lang::PT_INT);
  table.SetName(*arr, "arr");
  arr->Value->SetDims({4});
  TParamVar ref;
  ref.RefName = "ARR";
  EXPECT_EQ(ref.GetInt(), 0);  // unresolved: zero, type 0, nothing written
  EXPECT_EQ(ref.ParamType(), lang::PT_NONE);
  ref.SetInt(5);
  ref.Resolve(table);
  ref.Index = 2;
  ref.SetStr("42");
  EXPECT_EQ(arr->Value->GetIntAt(2), 42);
  EXPECT_EQ(ref.GetFloat(), 42.0L);
  EXPECT_EQ(ref.Count(), 4);
  EXPECT_EQ(ref.ParamType(), lang::PT_INT);
  TParamVar missing;
  missing.RefName = "nothing";
  EXPECT_EQ(ErrorOf([&] { missing.Resolve(table); }), "\"nothing\" 変数がありません");
}

}  // namespace
}  // namespace vesk::expr
