#include "lang/properties.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vesk::lang {
namespace {

TEST(PropertyTable, CreationReadsSomeNumbersInAnotherTypeThanTheyAreKept) {
  // HandleKey is kept as an integer but read by creation commands as a flag.
  EXPECT_EQ(Property(PR_HANDLEKEY).type, PropType::kInt);
  EXPECT_EQ(Property(PR_HANDLEKEY).creation_read, CreationRead::kReadFlag);
  // OnPlaying is a flag property that creation reads as a string.
  EXPECT_EQ(Property(PR_ONPLAYING).type, PropType::kFlag);
  EXPECT_EQ(Property(PR_ONPLAYING).creation_read, CreationRead::kReadStr);
}

TEST(PropertyTable, CreationDefaultsDifferFromWhatAnUnusedPropertyAnswers) {
  EXPECT_EQ(Property(PR_COLOR).default_int, 0xFFFFFF);
  EXPECT_EQ(Property(PR_COLOR).creation_default, -1);
  EXPECT_EQ(Property(PR_VOLUME).creation_default, 1000);
  EXPECT_EQ(Property(PR_VISIBLE).creation_default, 1);
  EXPECT_EQ(Property(PR_OVERLAY).creation_default, 1);
  EXPECT_EQ(Property(PR_PAUSED).creation_default, 0);
}

TEST(PropertyTable, EveryNeverAppliedPropertyHasNoCreationDefault) {
  int never = 0;
  for (int id = 0; id < kPropertyCount; ++id) {
    const PropertyInfo& p = Property(id);
    if (p.creation_read != CreationRead::kNever) continue;
    ++never;
    EXPECT_EQ(p.creation_default, 0) << id;
  }
  EXPECT_EQ(never, 6);
}

TEST(PropertyTable, IdsOutsideTheTableThrow) {
  EXPECT_THROW(Property(-1), std::out_of_range);
  EXPECT_THROW(Property(kPropertyCount), std::out_of_range);
  EXPECT_EQ(PropertyTypeCode(PR_NAME), PT_STR);
  EXPECT_EQ(PropertyTypeCode(PR_LEFT), PT_INT);
  EXPECT_EQ(PropertyTypeCode(PR_PAUSED), PT_BOOL);
}

}  // namespace
}  // namespace vesk::lang
