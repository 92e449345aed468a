#include "storage/hash.h"

#include <gtest/gtest.h>

namespace vesk::storage {
namespace {

TEST(HashCollection, NewestDuplicateStaysInFrontWhileTheTableGrows) {
  THashCollection c;
  auto add = [&](const std::string& n) {
    auto item = std::make_unique<THashCollectionItem>();
    item->SetName(n);
    return c.Add(std::move(item));
  };
  add("x");
  add("dup");
  c.At(0)->SetName("DUP");  // renamed after the other: it is the newest
  for (int i = 0; i < 5000; ++i) add("voice\\v" + std::to_string(i) + ".ogg");
  EXPECT_EQ(c.IndexOf("dup"), 0);
  for (int i = 0; i < 5000; i += 997)
    EXPECT_EQ(c.IndexOf("VOICE\\V" + std::to_string(i) + ".OGG"), i + 2);
}

TEST(HashCollection, LookupIgnoresAsciiCaseAndTheLastAddedDuplicateWins) {
  THashCollection c;
  auto add = [&](const char* n) {
    auto item = std::make_unique<THashCollectionItem>();
    item->SetName(n);
    return c.Add(std::move(item));
  };
  add("Alpha");
  add("beta");
  add("ALPHA");
  EXPECT_EQ(c.IndexOf("alpha"), 2);
  EXPECT_EQ(c.IndexOf("BETA"), 1);
  EXPECT_EQ(c.IndexOf("gamma"), -1);
  // Shift-JIS bytes are never case-folded: 0x82 0x60 and 0x82 0x81 differ.
  add("\x82\x60");
  EXPECT_EQ(c.IndexOf("\x82\x81"), -1);
  c.Delete(2);
  EXPECT_EQ(c.IndexOf("alpha"), 0);
  EXPECT_EQ(c.IndexOf("\x82\x60"), 2);
  c.At(1)->SetName("alpha");  // renamed items go to the head of their chain
  EXPECT_EQ(c.IndexOf("ALPHA"), 1);
  EXPECT_EQ(c.IndexOf("beta"), -1);
}

}  // namespace
}  // namespace vesk::storage
