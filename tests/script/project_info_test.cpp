#include "script/project_info.h"
#include "support/record_builder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vesk::script {
namespace {

// Builds project files field by field.
using Writer = test_support::RecordBytes;

Writer Header(int32_t version) {
  Writer w;
  w.I32(version).Str("Game").I32(800).I32(600).I32(1024).I32(768).Str("start").Str("Key").I32(77);
  return w;
}

TEST(ProjectInfo, Version109ReadsEveryLeadingField) {
  Writer w = Header(109);
  w.U8(0).U8(1).Str(".wav.");
  ProjectReadResult r = ReadProjectInfo(w.b);
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
  ProjectReadResult r = ReadProjectInfo(w105.b);
  ASSERT_EQ(r.status, ProjectReadStatus::kOk);
  EXPECT_EQ(r.info.sleep_between_frames, 0);
  EXPECT_EQ(r.info.local_media_ext, ".wav.wma.ogg.mid");
  EXPECT_EQ(r.info.save_status, 0);

  ProjectReadResult r103 = ReadProjectInfo(Header(103).b);
  ASSERT_EQ(r103.status, ProjectReadStatus::kOk);
  EXPECT_EQ(r103.info.save_status, 1);  // not stored before 104
}

TEST(ProjectInfo, EmptyNewerAndTruncatedFilesAreRefused) {
  EXPECT_EQ(ReadProjectInfo({}).status, ProjectReadStatus::kEmpty);
  ProjectReadResult newer = ReadProjectInfo(Header(110).b);
  EXPECT_EQ(newer.status, ProjectReadStatus::kTooNew);
  EXPECT_EQ(newer.info.version, 110);
  EXPECT_EQ(newer.info.title, "\x8F\xEE\x95\xF1");  // the default title stays
  Writer w = Header(109);
  for (size_t cut : {size_t{2}, size_t{10}, w.b.size()}) {
    std::vector<uint8_t> part(w.b.begin(), w.b.begin() + static_cast<long>(cut));
    ProjectReadResult r = ReadProjectInfo(part);
    EXPECT_EQ(r.status, ProjectReadStatus::kTruncated) << cut;
    EXPECT_FALSE(r.error.empty());
  }
  Writer huge;
  huge.I32(109).I32(0x7FFFFFFF);  // a title longer than the file
  EXPECT_EQ(ReadProjectInfo(huge.b).status, ProjectReadStatus::kTruncated);
}

}  // namespace
}  // namespace vesk::script
