#include "storage/pe_resources.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "storage/pe_builder.h"

namespace vesk::storage {
namespace {

using test::BuildPeWithResources;
using test::Get32;
using test::PeLayout;
using test::Put16;
using test::Put32;
using test::TestResource;
using ::testing::HasSubstr;

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

std::vector<TestResource> GameResources() {
  return {{"BINTYPE", "DUMMY", Bytes("archive bytes")},
          {"DATA", "MADEWITH", Bytes("made with")},
          {"#10", "#101", Bytes("numeric")},
          {"DATA", "#7", Bytes("id under a named type")},
          {"#10", "101", Bytes("string 101")}};
}

// File offsets in the single-resource module's tree.
struct Tree {
  std::vector<uint8_t> pe = BuildPeWithResources({{"BINTYPE", "DUMMY", Bytes("payload")}});
  static constexpr size_t kRoot = PeLayout::kRsrcFile;
  static constexpr size_t kRootEntry = kRoot + 16;
  size_t TypeDir() const { return kRoot + (Get32(pe, kRootEntry + 4) & 0x7FFFFFFF); }
  size_t NameDir() const { return kRoot + (Get32(pe, TypeDir() + 20) & 0x7FFFFFFF); }
  size_t LanguageEntry() const { return NameDir() + 16; }
  size_t DataEntry() const { return kRoot + Get32(pe, LanguageEntry() + 4); }
};

// The message of the EPeFormat that looking up the tree's resource throws.
std::string FindError(const std::vector<uint8_t>& pe) {
  try {
    FindPeResource(pe, "DUMMY", "BINTYPE");
  } catch (const EPeFormat& e) {
    return e.what();
  }
  return "no error";
}

// Patches one 32-bit field and expects the lookup, and the listing unless
// only a lookup reads that field, to fail cleanly.
void ExpectRejected(std::vector<uint8_t> pe, size_t at, uint32_t value, const char* what,
                    bool listing_reads_it = true) {
  Put32(pe, at, value);
  EXPECT_NE(FindError(pe), "no error") << what;
  if (listing_reads_it) {
    EXPECT_THROW(PeResourceReader(pe).List(), EPeFormat) << what;
  }
}

class PeFlavour : public ::testing::TestWithParam<bool> {
 protected:
  std::vector<uint8_t> pe_ = BuildPeWithResources(GameResources(), GetParam());
};

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeFlavour, ::testing::Bool());

// --- finding resources ---

TEST_P(PeFlavour, FindsResourcesByNameAndType) {
  EXPECT_EQ(FindPeResource(pe_, "DUMMY", "BINTYPE"), Bytes("archive bytes"));
  EXPECT_EQ(FindPeResource(pe_, "MADEWITH", "DATA"), Bytes("made with"));
}

TEST_P(PeFlavour, MatchesNamesWithoutRegardToAsciiCase) {
  EXPECT_EQ(FindPeResource(pe_, "dummy", "BinType"), Bytes("archive bytes"));
  const auto lower = BuildPeWithResources({{"bintype", "dummy", Bytes("x")}}, GetParam());
  EXPECT_EQ(FindPeResource(lower, "DUMMY", "BINTYPE"), Bytes("x"));
}

TEST_P(PeFlavour, HashNumberSelectsNumericIdsOnly) {
  EXPECT_EQ(FindPeResource(pe_, "#101", "#10"), Bytes("numeric"));
  EXPECT_EQ(FindPeResource(pe_, "101", "#10"), Bytes("string 101"));
  EXPECT_EQ(FindPeResource(pe_, "#7", "DATA"), Bytes("id under a named type"));
  EXPECT_EQ(FindPeResource(pe_, "#0101", "#010"), Bytes("numeric"));
  EXPECT_EQ(FindPeResource(pe_, "#65637", "#10"), std::nullopt);  // 101 + 65536 is no id
}

TEST_P(PeFlavour, MissingResourceIsNullopt) {
  EXPECT_EQ(FindPeResource(pe_, "DUMMY", "DATA"), std::nullopt);
  EXPECT_EQ(FindPeResource(pe_, "MADEWITH", "BINTYPE"), std::nullopt);
  EXPECT_EQ(FindPeResource(pe_, "DUMM", "BINTYPE"), std::nullopt);
  EXPECT_EQ(FindPeResource(pe_, "#102", "#10"), std::nullopt);
  EXPECT_EQ(FindPeResource(pe_, "DUMMY", "#10"), std::nullopt);
}

TEST_P(PeFlavour, ListsEveryTypeAndNamePair) {
  const std::vector<PeResourceName> expected = {
      {"BINTYPE", "DUMMY"}, {"DATA", "MADEWITH"}, {"DATA", "#7"}, {"#10", "101"}, {"#10", "#101"}};
  EXPECT_EQ(PeResourceReader(pe_).List(), expected);
}

TEST(PeResources, TakesTheFirstLanguage) {
  const auto pe = BuildPeWithResources(
      {{"DATA", "TEXT", Bytes("japanese"), 0x0411}, {"DATA", "TEXT", Bytes("english"), 0x0409}});
  EXPECT_EQ(FindPeResource(pe, "TEXT", "DATA"), Bytes("japanese"));
}

TEST(PeResources, EmptyResourceIsFoundAndEmpty) {
  const auto pe = BuildPeWithResources({{"DATA", "EMPTY", {}}, {"DATA", "FULL", Bytes("x")}});
  EXPECT_EQ(FindPeResource(pe, "EMPTY", "DATA"), std::vector<uint8_t>{});
}

TEST(PeResources, ModuleWithoutResourceDirectoryHasNone) {
  for (bool plus : {false, true}) {
    auto pe = BuildPeWithResources({{"DATA", "X", Bytes("x")}}, plus);
    auto zeroed = pe;
    Put32(zeroed, PeLayout::ResourceDirectoryEntry(plus), 0);
    EXPECT_FALSE(PeResourceReader(zeroed).HasResources());
    EXPECT_EQ(FindPeResource(zeroed, "X", "DATA"), std::nullopt);
    EXPECT_TRUE(PeResourceReader(zeroed).List().empty());
    auto sizeless = pe;
    Put32(sizeless, PeLayout::ResourceDirectoryEntry(plus) + 4, 0);
    EXPECT_EQ(FindPeResource(sizeless, "X", "DATA"), std::nullopt);
    Put32(pe, PeLayout::DataDirectories(plus) - 4, 2);  // directories stop before resources
    EXPECT_EQ(FindPeResource(pe, "X", "DATA"), std::nullopt);
  }
}

// --- truncated modules ---

TEST_P(PeFlavour, EveryTruncationFailsCleanlyOrFindsTheWholeResource) {
  const auto pe = BuildPeWithResources({{"BINTYPE", "DUMMY", Bytes("archive bytes")}}, GetParam());
  // The builder pads the section to the file alignment after the data.
  size_t data_end = pe.size();
  while (pe[data_end - 1] == 0) --data_end;
  for (size_t size = 0; size < pe.size(); ++size) {
    const std::vector<uint8_t> cut(pe.begin(), pe.begin() + static_cast<ptrdiff_t>(size));
    if (size < data_end) {
      EXPECT_THROW(FindPeResource(cut, "DUMMY", "BINTYPE"), EPeFormat) << "size " << size;
    } else {
      EXPECT_EQ(FindPeResource(cut, "DUMMY", "BINTYPE"), Bytes("archive bytes"));
    }
  }
}

// --- hostile headers ---

TEST(PeResources, RejectsBrokenHeaders) {
  const auto pe = Tree().pe;
  ASSERT_EQ(FindError(pe), "no error");
  ExpectRejected(pe, 0, 0, "no MZ");
  ExpectRejected(pe, 0x3C, static_cast<uint32_t>(pe.size() - 8), "e_lfanew near the end");
  ExpectRejected(pe, 0x3C, 0xFFFFFFF0, "e_lfanew wraps");
  ExpectRejected(pe, PeLayout::kPeHeader, 'P' | 'X' << 8, "PE signature");
  ExpectRejected(pe, PeLayout::kOptionalHeader, 0x107, "optional header magic");
  ExpectRejected(pe, PeLayout::kCoffHeader + 16, 0x40, "optional header too small");
  for (uint32_t size : {0x40u, 0x68u}) {  // cut before the data directories, or before resources
    auto small = pe;
    Put16(small, PeLayout::kCoffHeader + 16, size);
    EXPECT_THAT(FindError(small), HasSubstr("optional header too small")) << size;
  }
  auto cut = pe;  // the file ends inside the would-be data directories
  cut.resize(PeLayout::kOptionalHeader + 0x40);
  Put16(cut, PeLayout::kCoffHeader + 2, 0);
  ExpectRejected(cut, PeLayout::kCoffHeader + 16, 0x40, "short optional header at the end");
  ExpectRejected(pe, PeLayout::kCoffHeader + 16, 0xFFFF, "optional header past the end");
  ExpectRejected(pe, PeLayout::kCoffHeader + 2, 0xFFFF, "section count");
  ExpectRejected(pe, PeLayout::kCoffHeader + 2, 60, "section table past the end");
}

TEST(PeResources, RejectsRvasOutsideTheSections) {
  const Tree t;
  const size_t section = PeLayout::SectionTable(false);
  ExpectRejected(t.pe, PeLayout::ResourceDirectoryEntry(false), 0x5000, "resources in no section");
  ExpectRejected(t.pe, PeLayout::ResourceDirectoryEntry(false), 0xFFFFFFF8, "resources at the top");
  ExpectRejected(t.pe, section + 20, 0x7FFFFFF0, "section raw data past the file");
  ExpectRejected(t.pe, section + 20, 0xFFFFFE00, "section raw data offset wraps");
  const size_t data = t.DataEntry();
  const uint32_t size = Get32(t.pe, data + 4);
  ExpectRejected(t.pe, data, 0x0FFF, "data before the section", false);
  ExpectRejected(t.pe, data, 0x20000, "data in no section", false);
  ExpectRejected(t.pe, data + 4, 0xFFFFFFFF, "data size huge", false);
  ExpectRejected(t.pe, data + 4, 0x200, "data runs past the file", false);
  ExpectRejected(t.pe, data + 4, size + 16, "data past the section, in its padding", false);
  ExpectRejected(t.pe, t.LanguageEntry() + 4, 0x7FFFFFF8, "data entry offset", false);
}

TEST(PeResources, RejectsMoreSectionsThanTheLoaderAccepts) {
  auto pe = Tree().pe;
  pe.resize(pe.size() + 96 * 40, 0);  // room for the table either way
  Put16(pe, PeLayout::kCoffHeader + 2, 96);
  EXPECT_EQ(FindPeResource(pe, "DUMMY", "BINTYPE"), Bytes("payload"));
  Put16(pe, PeLayout::kCoffHeader + 2, 97);
  EXPECT_THROW(FindPeResource(pe, "DUMMY", "BINTYPE"), EPeFormat);
}

// --- hostile resource trees ---

TEST(PeResources, RejectsDirectoryThatPointsBackAtItself) {
  const Tree t;
  auto pe = t.pe;
  Put32(pe, Tree::kRootEntry + 4, 0x80000000u);  // the type entry names the root again
  EXPECT_THAT(FindError(pe), HasSubstr("loops back"));
  EXPECT_THROW(PeResourceReader(pe).List(), EPeFormat);

  pe = t.pe;
  const uint32_t own = static_cast<uint32_t>(t.TypeDir() - Tree::kRoot);
  Put32(pe, t.TypeDir() + 20, 0x80000000u | own);  // the name entry names its own directory
  EXPECT_THAT(FindError(pe), HasSubstr("loops back"));
}

TEST(PeResources, RejectsEntriesOfTheWrongKind) {
  const Tree t;
  auto pe = t.pe;
  Put32(pe, Tree::kRootEntry + 4, Get32(pe, Tree::kRootEntry + 4) & 0x7FFFFFFF);
  EXPECT_THAT(FindError(pe), HasSubstr("holds data where a directory belongs"));
  pe = t.pe;
  Put32(pe, t.LanguageEntry() + 4, 0x80000000u | Get32(pe, t.LanguageEntry() + 4));
  EXPECT_THAT(FindError(pe), HasSubstr("is a directory where data belongs"));
}

TEST(PeResources, RejectsCountsAndOffsetsPastTheSection) {
  const Tree t;
  const size_t name = Tree::kRoot + (Get32(t.pe, Tree::kRootEntry) & 0x7FFFFFFF);
  ExpectRejected(t.pe, Tree::kRoot + 12, 0xFFFFFFFF, "65535 named + 65535 id entries");
  ExpectRejected(t.pe, Tree::kRootEntry, 0x80000000u | 0x7FFFFFF0, "name string offset");
  ExpectRejected(t.pe, Tree::kRootEntry, 0x80000000u | 0x1F0, "name string past the section");
  ExpectRejected(t.pe, name, 0xFFFF, "name string longer than the section");
  ExpectRejected(t.pe, Tree::kRootEntry + 4, 0x80000000u | 0x7FFFFFF8, "subdirectory offset");
}

TEST(PeResources, ListRefusesATreeThatMultipliesOut) {
  // Every type entry is pointed at one big name directory: millions of pairs.
  std::vector<TestResource> resources;
  for (int i = 0; i < 2000; ++i) resources.push_back({"#" + std::to_string(i + 1), "#1", {}});
  for (int i = 0; i < 2000; ++i) resources.push_back({"BIG", "NAME" + std::to_string(i), {}});
  auto pe = BuildPeWithResources(resources);
  const size_t root_entries = Tree::kRoot + 16;
  const uint32_t big = Get32(pe, root_entries + 4);  // named entries come first
  for (size_t i = 1; i <= 2000; ++i) Put32(pe, root_entries + 8 * i + 4, big);
  EXPECT_THAT([&] { PeResourceReader(pe).List(); },
              ::testing::ThrowsMessage<EPeFormat>(HasSubstr("implausibly large")));
  EXPECT_EQ(FindPeResource(pe, "NAME7", "#5"), std::vector<uint8_t>{});
}

}  // namespace
}  // namespace vesk::storage
