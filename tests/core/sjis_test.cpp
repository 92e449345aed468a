// The Shift-JIS byte-string helpers: what each family does to the second
// byte of a double-byte character that happens to be an ASCII letter or a
// separator, a lead byte cut off at the end, and empty strings.
#include "core/sjis.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

// "ア" is 0x83 0x41: its trail byte reads as 'A'. 0x83 0x61 ("ヂ") ends in 'a'.
const std::string kA = "\x83\x41";
const std::string kDi = "\x83\x61";

TEST(SjisCase, CharacterWiseKeepsTrailBytesByteWiseChangesThem) {
  EXPECT_EQ(LowerAsciiSjis("AB" + kA + "Z"), "ab" + kA + "z");
  EXPECT_EQ(LowerAsciiBytes("AB" + kA + "Z"), "ab" + kDi + "z");
  EXPECT_EQ(UpperAsciiSjis("a" + kDi + "b"), "A" + kDi + "B");
  EXPECT_EQ(UpperAsciiBytes("a" + kDi + "b"), "A" + kA + "B");
  // Bytes past 0x7F that do not lead a pair, and non-letters, stay.
  EXPECT_EQ(LowerAsciiSjis("\xA0Q@[`{"), "\xA0q@[`{");
  EXPECT_EQ(LowerAsciiBytes("\xA0Q@[`{"), "\xA0q@[`{");
}

TEST(SjisCase, LeadByteAtTheEndAndEmptyStrings) {
  EXPECT_EQ(LowerAsciiSjis("A\x83"), "a\x83");
  EXPECT_EQ(UpperAsciiSjis("a\xE0"), "A\xE0");
  // A lead byte takes the next byte whatever it is: here the 'B'.
  EXPECT_EQ(LowerAsciiSjis("\x81"
                           "BC"),
            "\x81"
            "Bc");
  EXPECT_EQ(LowerAsciiSjis(""), "");
  EXPECT_EQ(UpperAsciiBytes(""), "");
}

TEST(SjisCase, ComparisonsAreByteWise) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("/Config", "/CONFIG"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("/config", "/config "));
  EXPECT_TRUE(EqualsIgnoreAsciiCase("", ""));
  // Two different characters compare equal: the documented cost of the
  // byte-wise meaning.
  EXPECT_TRUE(EqualsIgnoreAsciiCase(kA, kDi));

  EXPECT_TRUE(EndsWithIgnoreAsciiCase("PIC.BMP", ".bmp"));
  EXPECT_TRUE(EndsWithIgnoreAsciiCase(kA + ".Lmt", ".lmt"));
  EXPECT_FALSE(EndsWithIgnoreAsciiCase("bmp", ".bmp"));
  EXPECT_FALSE(EndsWithIgnoreAsciiCase("pic.bmpx", ".bmp"));
  EXPECT_TRUE(EndsWithIgnoreAsciiCase("", ""));
}

TEST(SjisPaths, ExtensionIsFoundByteByByte) {
  EXPECT_EQ(ExtensionByBytes("dir.x\\pic.PNG", "\\"), ".PNG");
  EXPECT_EQ(ExtensionByBytes("dir.x\\pic", "\\"), "");
  EXPECT_EQ(ExtensionByBytes("dir.x/pic", "\\"), ".x/pic");
  EXPECT_EQ(ExtensionByBytes("dir.x/pic", "/\\"), "");
  EXPECT_EQ(ExtensionByBytes("a.", "\\"), ".");
  EXPECT_EQ(ExtensionByBytes("", "\\"), "");
  // "表" is 0x95 0x5C: its trail byte is taken for a separator here.
  EXPECT_EQ(ExtensionByBytes("a.b\x95\x5C", "\\"), "");
}

TEST(SjisPaths, LastOfSkipsTrailBytes) {
  const std::string path =
      "a\\\x95\x5C"
      "b";  // a\表b
  EXPECT_EQ(SjisFindLastOf(path, "\\"), 1u);
  EXPECT_EQ(SjisFindLastOf("a\\b:c", "\\:"), 3u);
  EXPECT_EQ(SjisFindLastOf("a\\\x95", "\\"), 1u);  // cut-off lead byte
  EXPECT_EQ(SjisFindLastOf("\x95\x5C", "\\"), std::string::npos);
  EXPECT_EQ(SjisFindLastOf("", "\\"), std::string::npos);
}

TEST(SjisFind, MatchesStartOnlyAtCharacterBoundaries) {
  const std::string hay = kA + "A" + kA;  // bytes 83 41 41 83 41
  EXPECT_EQ(SjisFind(hay, "A"), 2u);
  EXPECT_EQ(SjisFind(hay, kA), 0u);
  EXPECT_EQ(SjisFind(hay, kA, 1), 3u);
  EXPECT_EQ(SjisFind(hay, "A", 3), std::string::npos);
  EXPECT_EQ(SjisFind(hay, ""), std::string::npos);
  EXPECT_EQ(SjisFind("ab", "abc"), std::string::npos);
  EXPECT_EQ(SjisFind("ab\x83", "\x83"), 2u);  // a lead byte at the end matches itself
}

}  // namespace
}  // namespace vesk
