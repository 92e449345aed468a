#include "script/project_info.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vesk::script {
namespace {

// Builds project files field by field.
struct Writer {
  std::vector<uint8_t> bytes;
  Writer& I32(int32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
    return *this;
  }
  Writer& U8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  Writer& Str(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
};

Writer Header(int32_t version) {
  Writer w;
  w.I32(version).Str("Game").I32(800).I32(600).I32(1024).I32(768).Str("start").Str("Key").I32(77);
  return w;
}

TEST(ProjectInfo, Version109ReadsEveryLeadingField) {
  Writer w = Header(109);
  w.U8(0).U8(1).Str(".wav.");
  ProjectReadResult r = ReadProjectInfo(w.bytes);
  ASSERT_EQ(r.status, ProjectReadStatus::kOk) << r.error;
  EXPECT_EQ(r.info.title, "Game");
  EXPECT_EQ(r.info.screen_width, 800);
  EXPECT_EQ(r.info.screen_height, 600);
  EXPECT_EQ(r.info.full_width, 1024);
  EXPECT_EQ(r.info.full_height, 768);
  EXPECT_EQ(r.info.start_page, "start");
  EXPECT_EQ(r.info.registry_key, "Key");
  EXPECT_EQ(r.info.image_seed, 77);
  EXPECT_EQ(r.info.save_status, 0);
  EXPECT_EQ(r.info.sleep_between_frames, 1);
  EXPECT_EQ(r.info.local_media_ext, ".wav.");
}

TEST(ProjectInfo, OlderVersionsDefaultTheLaterFields) {
  Writer w105 = Header(105);
  w105.U8(0);
  ProjectReadResult r = ReadProjectInfo(w105.bytes);
  ASSERT_EQ(r.status, ProjectReadStatus::kOk);
  EXPECT_EQ(r.info.sleep_between_frames, 0);
  EXPECT_EQ(r.info.local_media_ext, ".wav.wma.ogg.mid");
  EXPECT_EQ(r.info.save_status, 0);

  ProjectReadResult r103 = ReadProjectInfo(Header(103).bytes);
  ASSERT_EQ(r103.status, ProjectReadStatus::kOk);
  EXPECT_EQ(r103.info.save_status, 1);  // not stored before 104
}

TEST(ProjectInfo, EmptyNewerAndTruncatedFilesAreRefused) {
  EXPECT_EQ(ReadProjectInfo({}).status, ProjectReadStatus::kEmpty);
  ProjectReadResult newer = ReadProjectInfo(Header(110).bytes);
  EXPECT_EQ(newer.status, ProjectReadStatus::kTooNew);
  EXPECT_EQ(newer.info.version, 110);
  EXPECT_EQ(newer.info.title, "\x8F\xEE\x95\xF1");  // the default title stays
  Writer w = Header(109);
  for (size_t cut : {size_t{2}, size_t{10}, w.bytes.size()}) {
    std::vector<uint8_t> part(w.bytes.begin(), w.bytes.begin() + static_cast<long>(cut));
    ProjectReadResult r = ReadProjectInfo(part);
    EXPECT_EQ(r.status, ProjectReadStatus::kTruncated) << cut;
    EXPECT_FALSE(r.error.empty());
  }
  Writer huge;
  huge.I32(109).I32(0x7FFFFFFF);  // a title longer than the file
  EXPECT_EQ(ReadProjectInfo(huge.bytes).status, ProjectReadStatus::kTruncated);
}

}  // namespace
}  // namespace vesk::script
