#include "core/messages.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"

namespace vesk {
namespace {

TEST(Messages, EveryMessageConvertsToCp932AndBack) {
  for (int i = 0; i < static_cast<int>(Msg::kCount); ++i) {
    const Msg id = static_cast<Msg>(i);
    EXPECT_FALSE(MessageCp932(id).empty()) << i;
    EXPECT_EQ(MessageCp932(id).find('?'), std::string::npos) << MessageUtf8(id);
  }
  EXPECT_EQ(MessageCp932(Msg::kInfoCaption), "\x8F\xEE\x95\xF1");
}

TEST(Messages, FormatFillsTheFileNameInCp932) {
  EXPECT_EQ(FormatMessage(MessageCp932(Msg::kFileMissingFormat), "a\\b.orl"),
            "a\\b.orl:" + MessageCp932(Msg::kFileMissing));
  EXPECT_EQ(FormatMessage("no marker", "x"), "no marker");
}

TEST(ByteReader, ReadsLittleEndianAndRefusesToRunPastTheEnd) {
  const uint8_t data[] = {0x78, 0x56, 0x34, 0x12, 2, 0, 0, 0, 'o', 'k', 0xFF, 0xFF, 0xFF, 0xFF, 7};
  ByteReader in(data, sizeof data);
  EXPECT_EQ(in.I32(), 0x12345678);
  EXPECT_EQ(in.Str(), "ok");
  EXPECT_EQ(in.Str(), "");  // a negative length reads as empty
  EXPECT_EQ(in.U8(), 7);
  EXPECT_TRUE(in.at_end());
  EXPECT_THROW(in.U8("flag"), ETruncated);
  ByteReader cut(data, 3);
  try {
    cut.I32("scene width");
    FAIL();
  } catch (const ETruncated& e) {
    EXPECT_STREQ(e.what(), "truncated scene width at offset 0");
  }
}

}  // namespace
}  // namespace vesk
