// String functions: byte and character positions, clipping, Shift-JIS
// boundaries, case folding, and the width conversion tables.
#include <gmock/gmock.h>

#include "expr/width_conversion.h"
#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

using ::testing::ElementsAre;

class StringFunctions : public SysFuncTest {};

TEST_F(StringFunctions, IntToStrPadsAfterTheSignAndRejectsABadDigitCount) {
  EXPECT_EQ(Run(FN_IntToStr, I(5), S("3")).GetStr(), "005");
  EXPECT_EQ(Run(FN_IntToStr, I(-5), S("3")).GetStr(), "-005");
  EXPECT_EQ(Run(FN_IntToStr, I(12345), I(3)).GetStr(), "12345");  // at least, never cut
  EXPECT_EQ(Run(FN_IntToStr, I(INT32_MIN)).GetStr(), "-2147483648");
  EXPECT_EQ(Run(FN_IntToStr, I(INT32_MIN), S("12")).GetStr(), "-002147483648");
  EXPECT_EQ(ErrorOf(FN_IntToStr, I(5), S("x")), "Format '%.xd' invalid or incompatible with argument");
  EXPECT_NE(ErrorOf(FN_IntToStr, I(5), S("")), "");
  EXPECT_EQ(ErrorOf(FN_IntToStr, I(5), S("99999999999999")), "Out of memory");

  EXPECT_EQ(Run(FN_IntToHex, I(255), I(4)).GetStr(), "00FF");
  EXPECT_EQ(Run(FN_IntToHex, I(-1), I(2)).GetStr(), "FFFFFFFF");
  EXPECT_EQ(Run(FN_IntToHex, I(26), I(-3)).GetStr(), "1A");
  EXPECT_EQ(ErrorOf(FN_IntToHex, I(1), I(INT32_MAX)), "Out of memory");
}

TEST_F(StringFunctions, LengthsCountBytesOrCharacters) {
  const std::string text = J("日本語") + "a";
  EXPECT_EQ(Run(FN_Length, S(text)).GetInt(), 7);
  EXPECT_EQ(Run(FN_JLength, S(text)).GetInt(), 4);
  EXPECT_EQ(Run(FN_JLength, S("a\x82")).GetInt(), 2);  // a lead byte cut off counts once
  EXPECT_EQ(Run(FN_JLength).GetInt(), 0);
}

TEST_F(StringFunctions, CopyClipsItsRangeLikeTheOriginal) {
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(3)).GetStr(), "cdef");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(3), I(2)).GetStr(), "cd");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(0), I(3)).GetStr(), "ab");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(0)).GetStr(), "abcde");  // the count is the length, shortened too
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(7), I(1)).GetStr(), "");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(6), I(100)).GetStr(), "f");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(-5), I(3)).GetStr(), "");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(2), I(-1)).GetStr(), "");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(INT32_MIN), I(INT32_MAX)).GetStr(), "");
  EXPECT_EQ(Run(FN_Copy, S("abcdef"), I(2), I(INT32_MAX)).GetStr(), "bcdef");

  const std::string text = J("日本語") + "abc";
  EXPECT_EQ(Run(FN_JCopy, S(text), I(2), I(3)).GetStr(), J("本語") + "a");
  EXPECT_EQ(Run(FN_JCopy, S(text), I(0), I(2)).GetStr(), J("日"));
  EXPECT_EQ(Run(FN_JCopy, S(text), I(3)).GetStr(), J("語") + "abc");
  EXPECT_EQ(Run(FN_JCopy, S(text), I(7), I(1)).GetStr(), "");
}

TEST_F(StringFunctions, DeleteAndInsertWriteBackThroughTheReference) {
  Declare("s", kPtStr).SetStr("abcdef");
  auto remove = [&](std::unique_ptr<TCustomParam> pos, auto... count) {
    table.Find("s")->Value->SetStr("abcdef");
    Run(FN_Delete, V("s"), std::move(pos), std::move(count)...);
    return table.Find("s")->Value->GetStr();
  };
  EXPECT_EQ(remove(I(2), I(3)), "aef");
  EXPECT_EQ(remove(I(5)), "abcd");  // without a count: to the end
  EXPECT_EQ(remove(I(0), I(2)), "abcdef");
  EXPECT_EQ(remove(I(7), I(1)), "abcdef");
  EXPECT_EQ(remove(I(3), I(INT32_MAX)), "ab");
  EXPECT_EQ(remove(I(3), I(-2)), "abcdef");

  table.Find("s")->Value->SetStr(J("日本語") + "abc");
  Run(FN_JDelete, V("s"), I(2), I(2));
  EXPECT_EQ(table.Find("s")->Value->GetStr(), J("日") + "abc");
  Run(FN_JDelete, V("s"), I(5), I(1));  // past the 4 characters: nothing
  EXPECT_EQ(table.Find("s")->Value->GetStr(), J("日") + "abc");

  auto insert = [&](int id, const std::string& base, int32_t pos) {
    table.Find("s")->Value->SetStr(base);
    Run(id, S("XY"), V("s"), I(pos));
    return table.Find("s")->Value->GetStr();
  };
  EXPECT_EQ(insert(FN_Insert, "abcd", 3), "abXYcd");
  EXPECT_EQ(insert(FN_Insert, "abcd", 0), "XYabcd");
  EXPECT_EQ(insert(FN_Insert, "abcd", 99), "abcdXY");
  EXPECT_EQ(insert(FN_JInsert, J("日本"), 2), J("日") + "XY" + J("本"));
  EXPECT_EQ(insert(FN_JInsert, J("日本"), -3), "XY" + J("日本"));
  EXPECT_EQ(insert(FN_JInsert, J("日本"), 3), J("日本") + "XY");

  // An element of an array is written in place; the rest stays.
  TCustomParam& arr = Array("arr", kPtStr, {3});
  arr.SetStrAt(1, "hello");
  Run(FN_Delete, V("arr", 1), I(1), I(1));
  EXPECT_THAT(Strings("arr"), ElementsAre("", "ello", ""));

  // A constant in the expression is never written to.
  Operands ops;
  ops.push_back(S("abc"));
  ops.push_back(I(1));
  RunOps(FN_Delete, ops);
  EXPECT_EQ(ops[0]->GetStr(), "abc");
}

TEST_F(StringFunctions, ComparisonsAreByteWiseAndFoldOnlyAsciiLetters) {
  EXPECT_EQ(Run(FN_CompareStr, S("abc"), S("abc")).GetInt(), 0);
  EXPECT_EQ(Run(FN_CompareStr, S("abc"), S("abd")).GetInt(), -1);
  EXPECT_EQ(Run(FN_CompareStr, S("ab"), S("abcd")).GetInt(), -2);
  EXPECT_EQ(Run(FN_CompareStr, S("\x82\xA0"), S("a")).GetInt(), 0x82 - 'a');  // bytes are unsigned
  EXPECT_EQ(Run(FN_CompareText, S("abc"), S("ABC")).GetInt(), 0);
  EXPECT_EQ(Run(FN_CompareText, S("a"), S("B")).GetInt(), -1);
  // ア (83 41) and ヂ (83 61) differ only in a trail byte that looks like a letter.
  EXPECT_NE(Run(FN_CompareText, S(J("ア")), S(J("ヂ"))).GetInt(), 0);
}

TEST_F(StringFunctions, PosCountsBytesAndJPosStepsWholeCharacters) {
  EXPECT_EQ(Run(FN_Pos, S("cd"), S("abcdef")).GetInt(), 3);
  EXPECT_EQ(Run(FN_Pos, S("x"), S("abcdef")).GetInt(), 0);
  EXPECT_EQ(Run(FN_Pos, S(""), S("abc")).GetInt(), 0);
  EXPECT_EQ(Run(FN_JPos, S(J("語")), S(J("日本語"))).GetInt(), 3);
  EXPECT_EQ(Run(FN_JPos, S("b"), S(J("日") + "ab")).GetInt(), 3);
  // "A" is the trail byte of ア: a byte search finds it, a character search does not.
  EXPECT_EQ(Run(FN_Pos, S("A"), S(J("ア"))).GetInt(), 2);
  EXPECT_EQ(Run(FN_JPos, S("A"), S(J("ア"))).GetInt(), 0);
}

TEST_F(StringFunctions, TrimsAndFixStr) {
  EXPECT_EQ(Run(FN_Trim, S("\t a b \r\n")).GetStr(), "a b");
  EXPECT_EQ(Run(FN_Trim, S(J("　a"))).GetStr(), J("　a"));  // a full-width space is not a blank
  EXPECT_EQ(Run(FN_JTrim, S(J("　 abc 　"))).GetStr(), "abc");
  EXPECT_EQ(Run(FN_JTrim, S("\tabc")).GetStr(), "\tabc");
  EXPECT_EQ(Run(FN_JTrim, S(J("　　"))).GetStr(), "");
  // 81 81 40 is "＼" then "@": its last two bytes are not a full-width space.
  EXPECT_EQ(Run(FN_JTrim, S("\x81\x81\x40")).GetStr(), "\x81\x81\x40");

  EXPECT_EQ(Run(FN_FixStr, S("abc\x82")).GetStr(), "abc");
  EXPECT_EQ(Run(FN_FixStr, S("\x82")).GetStr(), "\x82");
  EXPECT_EQ(Run(FN_FixStr, S(J("日本"))).GetStr(), J("日本"));
  EXPECT_EQ(Run(FN_FixStr, S(J("日") + "\x82")).GetStr(), J("日"));
}

TEST_F(StringFunctions, CaseConversionLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(Run(FN_LowerCase, S("AbC" + J("ア"))).GetStr(), "abc" + J("ア"));
  EXPECT_EQ(Run(FN_UpperCase, S("aBc" + J("ヂ"))).GetStr(), "ABC" + J("ヂ"));
  EXPECT_EQ(Run(FN_UpperCase, S("\xB1z")).GetStr(), "\xB1Z");  // half-width kana is a single byte
}

TEST_F(StringFunctions, RepeatReplaceAndDelimiters) {
  EXPECT_EQ(Run(FN_StringOfChar, S("ab"), I(3)).GetStr(), "ababab");
  EXPECT_EQ(Run(FN_StringOfChar, S("ab"), I(0)).GetStr(), "");
  EXPECT_EQ(Run(FN_StringOfChar, S("ab"), I(-4)).GetStr(), "");
  EXPECT_EQ(ErrorOf(FN_StringOfChar, S("abc"), I(INT32_MAX)), "Out of memory");

  EXPECT_EQ(Run(FN_StringReplace, S("aXbXc"), S("X"), S("-")).GetStr(), "a-bXc");
  EXPECT_EQ(Run(FN_StringReplace, S("aXbXc"), S("X"), S("-"), F(true)).GetStr(), "a-b-c");
  EXPECT_EQ(Run(FN_StringReplace, S("aXbxc"), S("x"), S("-"), F(true)).GetStr(), "aXb-c");
  EXPECT_EQ(Run(FN_StringReplace, S("aXbxc"), S("x"), S("--"), F(true), F(true)).GetStr(), "a--b--c");
  EXPECT_EQ(Run(FN_StringReplace, S("abc"), S(""), S("-"), F(true)).GetStr(), "abc");
  EXPECT_EQ(Run(FN_StringReplace, S("aaa"), S("a"), S("aa"), F(true)).GetStr(), "aaaaaa");
  EXPECT_EQ(Run(FN_StringReplace, S(J("ア") + "A"), S("A"), S("-"), F(true)).GetStr(), J("ア") + "-");

  EXPECT_EQ(Run(FN_AddDelimiter, S(","), S("a")).GetStr(), "a,");
  EXPECT_EQ(Run(FN_AddDelimiter, S(","), S("")).GetStr(), "");
}

// The half-width forms in table order, and what they become.
constexpr const char* kHalfKanaUtf8 =
    "｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ";
constexpr const char* kFullKanaUtf8 =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
constexpr const char* kFullAsciiUtf8 =
    "　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
    "［￥］＾＿‘ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～";

TEST_F(StringFunctions, WidthTablesCoverAsciiAndHalfWidthKana) {
  std::string ascii;
  for (int c = 0x20; c <= 0x7E; ++c) ascii += static_cast<char>(c);
  const std::string kana = J(kHalfKanaUtf8);
  ASSERT_EQ(kana.size(), 0xDF - 0xA1 + 1u);

  EXPECT_EQ(Run(FN_HanToZen, S(ascii)).GetStr(), J(kFullAsciiUtf8));
  EXPECT_EQ(Run(FN_HanToZen, S(kana)).GetStr(), J(kFullKanaUtf8));
  EXPECT_EQ(Run(FN_ZenToHan, S(J(kFullAsciiUtf8))).GetStr(), ascii);
  EXPECT_EQ(Run(FN_ZenToHan, S(J(kFullKanaUtf8))).GetStr(), kana);
  // One by one as well: no byte may lean on its neighbour.
  for (int c = 0; c < 256; ++c) {
    const uint16_t full = FullWidthOf(static_cast<uint8_t>(c));
    if (full == 0) continue;
    const std::string one(1, static_cast<char>(c));
    EXPECT_EQ(ZenToHan(HanToZen(one)), one) << c;
  }
}

TEST_F(StringFunctions, HanToZenCombinesMarksAndDropsWhatHasNoFullWidthForm) {
  EXPECT_EQ(Run(FN_HanToZen, S(J("ｶﾞ"))).GetStr(), J("ガ"));
  EXPECT_EQ(Run(FN_HanToZen, S(J("ﾊﾟﾊﾞﾎﾟ"))).GetStr(), J("パバポ"));
  EXPECT_EQ(Run(FN_HanToZen, S(J("ｳﾞ"))).GetStr(), J("ウ゛"));  // not ヴ
  EXPECT_EQ(Run(FN_HanToZen, S(J("ｶﾟｱﾞ"))).GetStr(), J("カ゜ア゛"));
  EXPECT_EQ(Run(FN_HanToZen, S("a\r\nb")).GetStr(), J("ａｂ"));
  EXPECT_EQ(Run(FN_HanToZen, S(J("日") + "1")).GetStr(), J("日１"));
  for (int c : {0x00, 0x1F, 0x7F, 0x80, 0xA0, 0xFD, 0xFE, 0xFF})
    EXPECT_EQ(HanToZen(std::string(1, static_cast<char>(c))), "") << c;

  // Every voiced and semi-voiced pair survives the round trip as a pair.
  for (int c = 0xB6; c <= 0xCE; ++c) {
    if (c > 0xC4 && c < 0xCA) continue;
    const std::string voiced{static_cast<char>(c), '\xDE'};
    EXPECT_EQ(HanToZen(voiced).size(), 2u) << c;
    EXPECT_EQ(ZenToHan(HanToZen(voiced)), voiced) << c;
    if (c >= 0xCA) {
      const std::string semi{static_cast<char>(c), '\xDF'};
      EXPECT_EQ(HanToZen(semi).size(), 2u) << c;
      EXPECT_EQ(ZenToHan(HanToZen(semi)), semi) << c;
    }
  }
}

TEST_F(StringFunctions, ZenToHanKeepsOnlyWhatHasAHalfWidthForm) {
  EXPECT_EQ(Run(FN_ZenToHan, S(J("漢字ＡＢＣかなｘ"))).GetStr(), "ABCx");
  EXPECT_EQ(Run(FN_ZenToHan, S(J("ガパ"))).GetStr(), J("ｶﾞﾊﾟ"));
  EXPECT_EQ(Run(FN_ZenToHan, S(J("“”"))).GetStr(), "\"\"");
  EXPECT_EQ(Run(FN_ZenToHan, S(J("ヴ"))).GetStr(), "");
  EXPECT_EQ(Run(FN_ZenToHan, S("abc\xB1")).GetStr(), "abc\xB1");
  EXPECT_EQ(Run(FN_ZenToHan, S("a\x82")).GetStr(), "a");
}

}  // namespace
}  // namespace vesk::expr::test
