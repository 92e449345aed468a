#include "storage/hash.h"

#include <gtest/gtest.h>

namespace vesk::storage {
namespace {

TEST(HashCollection, ChainRule) {
  EXPECT_EQ(THashCollection::ChainOf(""), 0);
  EXPECT_EQ(THashCollection::ChainOf("a"), 16);
  // "ab": L = 2, b = 'a' + 'a' (first and second-to-last, lower-cased).
  EXPECT_EQ(THashCollection::ChainOf("AB"), (2 * 16 + 'a' + 'a') % 256);
  EXPECT_EQ(THashCollection::ChainOf("abc"), (3 * 16 + 'a' + 'b') % 256);
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
