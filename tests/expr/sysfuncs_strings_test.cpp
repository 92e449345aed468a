// String functions: clipping, byte against character positions, Shift-JIS
// trail bytes that look like ASCII, and the width conversion tables.
#include <gmock/gmock.h>

#include "expr/width_conversion.h"
#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

class StringFunctions : public SysFuncTest {
 protected:
  std::string Str(int id, auto... operands) { return Run(id, std::move(operands)...).GetStr(); }
  int32_t Int(int id, auto... operands) { return Run(id, std::move(operands)...).GetInt(); }
  // Runs a write-back function on variable s holding `text`; s afterwards.
  std::string Edit(const std::string& text, auto call) {
    Var("s").SetStr(text);
    call();
    return Var("s").GetStr();
  }
  void SetUp() override { Declare("s", lang::PT_STR); }
};

TEST_F(StringFunctions, NumberFormatting) {
  EXPECT_EQ(Str(FN_IntToStr, I(5), S("3")), "005");
  EXPECT_EQ(Str(FN_IntToStr, I(-5), S("3")), "-005");
  EXPECT_EQ(Str(FN_IntToStr, I(INT32_MIN)), "-2147483648");
  EXPECT_EQ(ErrorOf(FN_IntToStr, I(5), S("x")),
            "Format '%.xd' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf(FN_IntToStr, I(5), S("99999999999")), "Out of memory");
  EXPECT_EQ(Str(FN_IntToHex, I(255), I(4)), "00FF");
  EXPECT_EQ(Str(FN_IntToHex, I(-1), I(-3)), "FFFFFFFF");
}

TEST_F(StringFunctions, LengthsAndClippedCopies) {
  const std::string text = J("日本語") + "a";
  EXPECT_EQ(Int(FN_Length, S(text)), 7);
  EXPECT_EQ(Int(FN_JLength, S(text)), 4);
  EXPECT_EQ(Int(FN_JLength, S("a\x82")), 2);  // a cut-off lead byte counts once
  EXPECT_EQ(Str(FN_Copy, S("abcdef"), I(3)), "cdef");
  EXPECT_EQ(Str(FN_Copy, S("abcdef"), I(3), I(2)), "cd");
  EXPECT_EQ(Str(FN_Copy, S("abcdef"), I(0), I(3)), "ab");
  EXPECT_EQ(Str(FN_Copy, S("abcdef"), I(7), I(1)), "");
  EXPECT_EQ(Str(FN_Copy, S("abcdef"), I(2), I(INT32_MAX)), "bcdef");
  EXPECT_EQ(Str(FN_Copy, S("abcdef"), I(INT32_MIN), I(INT32_MAX)), "");
  EXPECT_EQ(Str(FN_JCopy, S(text), I(2), I(3)), J("本語") + "a");
  EXPECT_EQ(Str(FN_JCopy, S(text), I(0), I(2)), J("日"));
  EXPECT_EQ(Str(FN_JCopy, S(text), I(3)), J("語") + "a");
}

TEST_F(StringFunctions, DeleteAndInsertWriteBackThroughTheReference) {
  EXPECT_EQ(Edit("abcdef", [&] { Run(FN_Delete, V("s"), I(2), I(3)); }), "aef");
  EXPECT_EQ(Edit("abcdef", [&] { Run(FN_Delete, V("s"), I(5)); }), "abcd");
  EXPECT_EQ(Edit("abcdef", [&] { Run(FN_Delete, V("s"), I(0), I(2)); }), "abcdef");
  EXPECT_EQ(Edit("abcdef", [&] { Run(FN_Delete, V("s"), I(7), I(1)); }), "abcdef");
  EXPECT_EQ(Edit(J("日本語") + "a", [&] { Run(FN_JDelete, V("s"), I(2), I(2)); }), J("日") + "a");
  EXPECT_EQ(Edit("abcd", [&] { Run(FN_Insert, S("XY"), V("s"), I(3)); }), "abXYcd");
  EXPECT_EQ(Edit("abcd", [&] { Run(FN_Insert, S("XY"), V("s"), I(0)); }), "XYabcd");
  EXPECT_EQ(Edit("abcd", [&] { Run(FN_Insert, S("XY"), V("s"), I(99)); }), "abcdXY");
  EXPECT_EQ(Edit(J("日本"), [&] { Run(FN_JInsert, S("X"), V("s"), I(2)); }),
            J("日") + "X" + J("本"));
  EXPECT_EQ(Edit(J("日本"), [&] { Run(FN_JInsert, S("X"), V("s"), I(-3)); }), "X" + J("日本"));
  // An array element is written in place; a constant operand never is.
  Declare("arr", lang::PT_STR, {3}).SetStrAt(1, "hello");
  Run(FN_Delete, V("arr", 1), I(1), I(1));
  EXPECT_THAT(Strings("arr"), ::testing::ElementsAre("", "ello", ""));
  Operands ops;
  ops.push_back(S("abc"));
  ops.push_back(I(1));
  RunOps(FN_Delete, ops);
  EXPECT_EQ(ops[0]->GetStr(), "abc");
}

TEST_F(StringFunctions, ComparisonAndSearchRespectTrailBytes) {
  EXPECT_EQ(Int(FN_CompareStr, S("abc"), S("abd")), -1);
  EXPECT_EQ(Int(FN_CompareStr, S("ab"), S("abcd")), -2);
  EXPECT_EQ(Int(FN_CompareStr, S("\x82\xA0"), S("a")), 0x82 - 'a');  // unsigned bytes
  EXPECT_EQ(Int(FN_CompareText, S("abc"), S("ABC")), 0);
  // ア (83 41) and ヂ (83 61) differ only in a trail byte that looks like a letter.
  EXPECT_NE(Int(FN_CompareText, S(J("ア")), S(J("ヂ"))), 0);
  EXPECT_EQ(Int(FN_Pos, S("cd"), S("abcdef")), 3);
  EXPECT_EQ(Int(FN_Pos, S(""), S("abc")), 0);
  EXPECT_EQ(Int(FN_JPos, S("b"), S(J("日") + "ab")), 3);
  EXPECT_EQ(Int(FN_Pos, S("A"), S(J("ア"))), 2);
  EXPECT_EQ(Int(FN_JPos, S("A"), S(J("ア"))), 0);
  EXPECT_EQ(Str(FN_StringReplace, S("aXbXc"), S("X"), S("-")), "a-bXc");
  EXPECT_EQ(Str(FN_StringReplace, S("aXbxc"), S("x"), S("--"), F(true)), "aXb--c");
  EXPECT_EQ(Str(FN_StringReplace, S("aXbxc"), S("x"), S("-"), F(true), F(true)), "a-b-c");
  EXPECT_EQ(Str(FN_StringReplace, S("aaa"), S("a"), S("aa"), F(true)), "aaaaaa");
  EXPECT_EQ(Str(FN_StringReplace, S(J("ア") + "A"), S("A"), S("-"), F(true)), J("ア") + "-");
  EXPECT_EQ(Str(FN_LowerCase, S("AbC" + J("ア"))), "abc" + J("ア"));
  EXPECT_EQ(Str(FN_UpperCase, S("a\xB1" + J("ヂ"))), "A\xB1" + J("ヂ"));
}

TEST_F(StringFunctions, TrimmingFixStrRepeatAndDelimiter) {
  EXPECT_EQ(Str(FN_Trim, S("\t a b \r\n")), "a b");
  EXPECT_EQ(Str(FN_JTrim, S(J("　 abc 　"))), "abc");
  EXPECT_EQ(Str(FN_JTrim, S("\x81\x81\x40")),
            "\x81\x81\x40");  // "＼@": no full-width space at the end
  EXPECT_EQ(Str(FN_FixStr, S("abc\x82")), "abc");
  EXPECT_EQ(Str(FN_FixStr, S("\x82")), "\x82");
  EXPECT_EQ(Str(FN_FixStr, S(J("日本"))), J("日本"));
  EXPECT_EQ(Str(FN_StringOfChar, S("ab"), I(3)), "ababab");
  EXPECT_EQ(Str(FN_StringOfChar, S("ab"), I(-4)), "");
  EXPECT_EQ(ErrorOf(FN_StringOfChar, S("abc"), I(INT32_MAX)), "Out of memory");
  EXPECT_EQ(Str(FN_AddDelimiter, S(","), S("a")), "a,");
  EXPECT_EQ(Str(FN_AddDelimiter, S(","), S("")), "");
}

TEST_F(StringFunctions, WidthTablesRoundTripAsciiAndHalfWidthKana) {
  std::string ascii;
  for (int c = 0x20; c <= 0x7E; ++c) ascii += static_cast<char>(c);
  const std::string kana = J("｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ");
  const std::string full_kana =
      J("。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘ"
        "ホマミムメモヤユヨラリルレロワン゛゜");
  const std::string full_ascii =
      J("　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠ＡＢＣＤＥＦＧＨＩＪＫＬＭ"
        "ＮＯＰＱＲＳＴＵＶＷＸＹＺ"
        "［￥］＾＿‘ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～");
  ASSERT_EQ(kana.size(), 0xDF - 0xA1 + 1u);
  EXPECT_EQ(Str(FN_HanToZen, S(ascii)), full_ascii);
  EXPECT_EQ(Str(FN_HanToZen, S(kana)), full_kana);
  EXPECT_EQ(Str(FN_ZenToHan, S(full_ascii)), ascii);
  EXPECT_EQ(Str(FN_ZenToHan, S(full_kana)), kana);
  for (int c = 0; c < 256; ++c) {  // one byte at a time, and the marks after each kana
    const std::string one(1, static_cast<char>(c));
    if (FullWidthOf(static_cast<uint8_t>(c)) == 0) continue;
    EXPECT_EQ(ZenToHan(HanToZen(one)), one) << c;
    for (const char* mark : {"\xDE", "\xDF"}) {
      const bool combines =
          (mark[0] == '\xDE' && c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE);
      EXPECT_EQ(HanToZen(one + mark).size(), combines ? 2u : 4u) << c;
      EXPECT_EQ(ZenToHan(HanToZen(one + mark)), one + mark) << c;
    }
  }
}

TEST_F(StringFunctions, WidthConversionMarksAndDrops) {
  EXPECT_EQ(Str(FN_HanToZen, S(J("ｶﾞﾊﾟﾎﾞ"))), J("ガパボ"));
  EXPECT_EQ(Str(FN_HanToZen, S(J("ｳﾞｶﾟ"))), J("ウ゛カ゜"));  // never ヴ
  EXPECT_EQ(Str(FN_HanToZen, S("a\r\nb" + J("日"))), J("ａｂ日"));
  for (int c : {0x00, 0x1F, 0x7F, 0x80, 0xA0, 0xFD, 0xFF})
    EXPECT_EQ(HanToZen(std::string(1, char(c))), "") << c;
  EXPECT_EQ(Str(FN_ZenToHan, S(J("漢字ＡＢＣかなガ"))), "ABC" + J("ｶﾞ"));
  EXPECT_EQ(Str(FN_ZenToHan, S(J("“ヴ") + "a\xB1")), "\"a\xB1");
}

}  // namespace
}  // namespace vesk::expr::test
